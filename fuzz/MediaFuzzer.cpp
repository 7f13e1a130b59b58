// libFuzzer harness: each input is a file held in memory. The probe opens and
// describes it through a byte stream over the input's bytes; when it finds
// audio, the engine extracts the first second of it as PCM in WAV into a
// byte stream that only counts what it is given. Nothing touches the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <span>

#include "AVProbe.h"
#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "MemoryIO.h"

namespace {

constexpr const char* kInputName = "fuzz-input";
// The name picks the muxer.
constexpr const char* kOutputName = "fuzz-output.wav";

// Describes the input; true when it has an audio stream to extract.
bool Probe(std::span<const uint8_t> bytes) {
    v2m::MemoryReader reader(bytes);
    v2m::TAVProbe probe;
    if (reader.IO() == nullptr || !probe.LoadFromIO(reader.IO(), kInputName)) {
        return false;
    }
    v2m::TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    const std::string text = probe.FileInfoText();
    const bool audio = probe.AudioStreamCount() > 0;
    probe.CloseFile();
    return audio && !text.empty();
}

void Extract(std::span<const uint8_t> bytes) {
    // Declared first, so that the engine lets go of them before they go.
    v2m::MemoryReader reader(bytes);
    v2m::MemoryWriter sink(false);
    if (reader.IO() == nullptr || sink.IO() == nullptr) {
        return;
    }
    v2m::TFFmpeg engine(2);
    engine.Prepare();
    try {
        if (!engine.OpenInputFromIO(reader.IO(), kInputName)) {
            return;
        }
        engine.SetOption("t", "1");
        engine.SetOption("vn", "1");
        engine.SetOption("sn", "1");
        engine.SetOption("acodec", "pcm_s16le");
        if (engine.OpenOutputToIO(sink.IO(), kOutputName) <= 0) {
            return;
        }
        engine.StartTranscode(false, v2m::tpNormal);
    } catch (const v2m::FFmpegException&) {
        // The engine's own way of refusing an input; anything else is a finding.
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One runtime for the whole process, as a program's main() makes it.
    static v2m::MediaRuntime runtime;
    v2m::TFFmpegLoader& loader = v2m::FFLoader();
    if (!loader.LoadLibraries(v2m::ConverterLibs)) {
        std::cerr << "media fuzzer: " << loader.LastError() << '\n';
        std::exit(1);
    }
    // Malformed input makes the libraries talk a lot; only crashes matter here.
    v2m::TFFLogger& logger = v2m::FFLoggerInstance();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(v2m::llQuiet);
    ff::av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (Probe(bytes)) {
        Extract(bytes);
    }
    return 0;
}
