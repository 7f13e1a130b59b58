// Loudness normalisation. Before the conversion proper, the source of the
// audio output is measured (TLoudnessAnalyser) from where its reading starts;
// the volume of the run is then set so that the conversion lands on the
// target loudness without its true peak passing the ceiling. The measurement
// runs on the conversion's own thread, so pause, stop and progress work as in
// the main loop, and a failure fails the task like any other.

#include <algorithm>
#include <cmath>

#include "FFmpegTranscoder.h"
#include "Format.h"
#include "LoudnessAnalyser.h"

namespace v2m {

void TCustomFFmpeg::ReportMeasuring(int64_t position) {
    const TProgressCallback callback = run_.ProgressCallback();
    if (!callback) {
        return;
    }
    const int64_t duration = ExpectedDuration();
    callback(this, 0, -1, -1, -1.0f, 0.0f, 0, position,
             duration > 0 ? duration + run_.MeasuredSpan() : duration);
}

namespace engine {

namespace {

// dBTP no normalised output may exceed.
constexpr double kLoudnessCeiling = -1.0;
// Gains beyond this would only amplify noise, or mute.
constexpr double kLargestGain = 60.0;

// The engine's volume for a gain in dB; 256 is unity. Of the two whole
// volumes beside the gain the one nearer in dB is taken (a step is 0.2 dB at
// -15 dB), but never the upper one when the ceiling holds the gain down.
int32_t VolumeOfGain(double gain, bool peak_bound) {
    const double volume =
        256.0 * std::pow(10.0, std::clamp(gain, -kLargestGain, kLargestGain) / 20.0);
    const double lower = std::max(1.0, std::floor(volume));
    const double upper = lower + 1.0;
    const bool take_upper = !peak_bound && std::log(upper / volume) < std::log(volume / lower);
    return static_cast<int32_t>(take_upper ? upper : lower);
}

}  // namespace

const TTranscodeOutputStream* TTranscoder::NormalizedOutput() const {
    if (!options_.NormalizeLoudness) {
        return nullptr;
    }
    for (const TTranscodeOutputStream& ost : output_streams_) {
        if (OutputType(ost) == AVMEDIA_TYPE_AUDIO && OwnsStream(ost)) {
            if (ost.EncodingNeeded == 0) {
                throw FFmpegException("Loudness cannot be normalized while the audio is copied");
            }
            return &ost;
        }
    }
    return nullptr;
}

std::optional<TLoudness> TTranscoder::MeasureLoudness(const TTranscodeInputStream& ist) {
    const AVFormatContext* source = context_.InputFile(ist.FileIndex);
    TLoudnessSource stretch;
    stretch.Url = source->url;
    stretch.Format = source->iformat;
    stretch.StreamIndex = ist.Stream->index;
    stretch.From = options_.StartTime - context_.InputFileTsOffset(ist.FileIndex);
    stretch.Length = options_.RecordingTime;
    stretch.Span = std::max<int64_t>(context_.ExpectedDuration(), 0);
    context_.SetMeasuredSpan(stretch.Span);

    TLoudnessHooks hooks;
    hooks.StopFlag = context_.StopFlag();
    hooks.WaitWhilePaused = [this] { context_.WaitWhilePaused(); };
    // The main loop sees a stop at once and ends the run.
    hooks.StopRequested = [this] { return context_.StopRequested(); };
    hooks.Progress = [this](int64_t position) { context_.ReportMeasuring(position); };
    hooks.ReportInterval = context_.ReportInterval();
    return TLoudnessAnalyser(std::move(hooks)).Measure(stretch);
}

void TTranscoder::NormalizeLoudness() {
    context_.SetMeasuredSpan(0);
    const TTranscodeOutputStream* audio = NormalizedOutput();
    if (audio == nullptr) {
        return;
    }
    const std::optional<TLoudness> loudness =
        MeasureLoudness(input_streams_[static_cast<size_t>(audio->SourceIndex)]);
    if (!loudness) {
        return;
    }
    double gain = 0.0;
    bool peak_bound = false;
    // Silence has no gated block: there is nothing to bring to any level.
    if (loudness->Integrated > kAbsoluteGate) {
        gain = options_.LoudnessTarget - loudness->Integrated;
        if (kLoudnessCeiling - loudness->TruePeak < gain) {
            gain = kLoudnessCeiling - loudness->TruePeak;
            peak_bound = true;
        }
    }
    options_.AudioVolume = VolumeOfGain(gain, peak_bound);
    Log(llVerbose, Format("Loudness %.1f LUFS, true peak %.1f dBTP: gain %.2f dB (vol %d)",
                          loudness->Integrated, loudness->TruePeak, gain,
                          static_cast<int>(options_.AudioVolume)));
}

}  // namespace engine

}  // namespace v2m
