// The option parser's life cycle, its lists and the direct setters.

#include "OptionParser.h"

#include <algorithm>
#include <new>

#include "FFmpeg.h"
#include "Format.h"

namespace v2m::engine {

TOptionParser::TOptionParser(int max_files, TEngineOptions& options, TOptionHost& host)
    : max_files_(max_files),
      options_(options),
      host_(host),
      option_contexts_(std::make_unique<TOptionContexts>()) {
    const auto files = static_cast<size_t>(max_files_);
    input_ts_scales_.assign(files * kMaxStreams, 0.0);
    stream_maps_.reserve(files * kMaxStreams);
    meta_data_maps_.reserve(files);
}

TOptionParser::~TOptionParser() = default;

void TOptionParser::Reset() {
    pending_muxer_options_.clear();
    stream_maps_.clear();
    meta_data_maps_.clear();
    metadata_.clear();
    std::fill(input_ts_scales_.begin(), input_ts_scales_.end(), 0.0);
}

void TOptionParser::AllocateTemplates() {
    TOptionContexts contexts;
    for (size_t type = 0; type < contexts.Codecs.size(); ++type) {
        contexts.Codecs[type].reset(ff::avcodec_alloc_context3(nullptr));
        if (!contexts.Codecs[type]) {
            throw std::bad_alloc();
        }
        contexts.Codecs[type]->codec_type = static_cast<AVMediaType>(type);
    }
    contexts.Format.reset(ff::avformat_alloc_context());
    contexts.Scaler.reset(ff::sws_alloc_context());
    if (!contexts.Format || !contexts.Scaler) {
        throw std::bad_alloc();
    }
    ff::av_opt_set_int(contexts.Scaler.get(), "sws_flags", options_.SwsFlags, 0);
    *option_contexts_ = std::move(contexts);
}

void TOptionParser::FreeTemplates() {
    *option_contexts_ = TOptionContexts{};
}

std::span<const TStreamMap> TOptionParser::StreamMaps() const {
    return stream_maps_;
}

std::span<const TMetaDataMap> TOptionParser::MetaDataMaps() const {
    return meta_data_maps_;
}

double TOptionParser::InputTsScale(int file, int stream) const {
    if (file < 0 || file >= max_files_ || stream < 0 || stream >= kMaxStreams) {
        return 0.0;
    }
    // Both indexes are in range, checked above.
    return input_ts_scales_[static_cast<size_t>(file * kMaxStreams + stream)];
}

void TOptionParser::AddMetadata(const std::string& key, const std::string& value) {
    metadata_.emplace_back(key, value);
}

void TOptionParser::SetFormat(const std::string& text) {
    if (!text.empty()) {
        SetFormatOption(text);
    }
}

void TOptionParser::SetVerbose(int32_t n) {
    options_.Verbose = n;
}

void TOptionParser::SetStartTime(int64_t t) {
    if (t != kNoTime) {
        options_.StartTime = t;
    }
}

void TOptionParser::SetRecordingTime(int64_t t) {
    if (t != kNoTime) {
        options_.RecordingTime = t;
        host_.SetExpectedDuration(t);
    }
}

void TOptionParser::SetProgramId(int32_t n) {
    if (n >= 0) {
        options_.ProgramId = n;
    }
}

void TOptionParser::SetGenericIntOption(const std::string& name, int64_t n) {
    SetGenericOption(name, std::to_string(n));
}

void TOptionParser::SetAudioVolume(int32_t n) {
    if (n >= 0) {
        options_.AudioVolume = n;
    }
}

void TOptionParser::SetLoudnessTarget(double lufs) {
    // Below the absolute gate nothing would count as loud enough to measure.
    if (!(lufs >= -70.0 && lufs <= 0.0)) {
        throw FFmpegException(Format("Invalid loudness target: %g LUFS", lufs));
    }
    options_.NormalizeLoudness = true;
    options_.LoudnessTarget = lufs;
}

void TOptionParser::SetAudioChannels(int32_t n) {
    if (n > 0) {
        options_.AudioChannels = n;
        options_.AudioChannelsFromInput = false;
    }
}

void TOptionParser::SetAudioSampleRate(int32_t n) {
    if (n > 0) {
        options_.AudioSampleRate = n;
        options_.AudioSampleRateFromInput = false;
    }
}

void TOptionParser::SetAudioSyncMethod(int32_t n) {
    options_.AudioSyncMethod = n;
}

void TOptionParser::SetVideoSyncMethod(int32_t n) {
    options_.VideoSyncMethod = n;
}

void TOptionParser::SetMuxMaxDelay(double x) {
    if (x > 0) {
        options_.MuxMaxDelay = static_cast<float>(x);
    }
}

void TOptionParser::SetMuxPreload(double x) {
    if (x > 0) {
        options_.MuxPreload = static_cast<float>(x);
    }
}

void TOptionParser::SetPadTop(int32_t n) {
    if (n >= 0) {
        options_.PadTop = n;
    }
}

void TOptionParser::SetPadBottom(int32_t n) {
    if (n >= 0) {
        options_.PadBottom = n;
    }
}

void TOptionParser::SetPadLeft(int32_t n) {
    if (n >= 0) {
        options_.PadLeft = n;
    }
}

void TOptionParser::SetPadRight(int32_t n) {
    if (n >= 0) {
        options_.PadRight = n;
    }
}

void TOptionParser::SetVideoFilters(const std::string& text) {
    if (!text.empty()) {
        options_.VideoFilters = text;
    }
}

}  // namespace v2m::engine
