#include "TranscodeSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

#include "FFmpegApi.h"
#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "TestSupport.h"
#include "UnicodeProtocol.h"

namespace v2m::test {

namespace {

namespace fs = std::filesystem;
using fixtures::Audio;
using fixtures::CheckResult;
using fixtures::ClipRecipe;

ClipRecipe Clip(std::initializer_list<fixtures::StreamRecipe> streams, double seconds,
                const std::string& format = "") {
    ClipRecipe clip;
    clip.streams = streams;
    clip.duration_s = seconds;
    clip.format = format;
    return clip;
}

void AppendFile(const fs::path& from, std::ofstream& to) {
    std::ifstream in(from, std::ios::binary);
    to << in.rdbuf();
}

// Remuxes the Vorbis audio of a standard clip into Matroska (which hands its
// packets to the decoder as they are), with the bytes of one packet in the
// middle overwritten so that no decoder can take it.
void WriteCorrupt(const fs::path& target) {
    const std::string source = Fixture("ogg_vorbis_44k_stereo.ogg").string();
    AVFormatContext* opened = nullptr;
    CheckResult(ff::avformat_open_input(&opened, source.c_str(), nullptr, nullptr), source);
    InputContextPtr input(opened);
    CheckResult(ff::avformat_find_stream_info(input.get(), nullptr), source);
    AVFormatContext* made = nullptr;
    CheckResult(ff::avformat_alloc_output_context2(&made, nullptr, "matroska", target.c_str()),
                "mkv");
    OutputContextPtr output(made);
    AVStream* out = ff::avformat_new_stream(output.get(), nullptr);
    if (out == nullptr) {
        throw std::runtime_error("Cannot add a stream");
    }
    const AVStream* from = input->streams[0];
    CheckResult(ff::avcodec_parameters_copy(out->codecpar, from->codecpar), "parameters");
    out->codecpar->codec_tag = 0;
    std::filesystem::remove(target);  // outputs are only ever created new
    CheckResult(OpenOutputIO(&output->pb, target.string()), target.string());
    CheckResult(ff::avformat_write_header(output.get(), nullptr), "header");
    PacketPtr packet(ff::av_packet_alloc());
    int audio_packets = 0;
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index != 0) {
            ff::av_packet_unref(packet.get());
            continue;
        }
        if (audio_packets++ == 50) {
            CheckResult(ff::av_packet_make_writable(packet.get()), "writable");
            std::memset(packet->data, 0xFF, static_cast<size_t>(packet->size));
        }
        ff::av_packet_rescale_ts(packet.get(), from->time_base, out->time_base);
        packet->stream_index = 0;
        packet->pos = -1;
        CheckResult(ff::av_interleaved_write_frame(output.get(), packet.get()), "packet");
    }
    CheckResult(ff::av_write_trailer(output.get()), "trailer");
}

void Write(const std::string& name, const fs::path& path, const fs::path& folder) {
    if (name == kTone10s) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)}, 10.0));
    } else if (name == kTone5s) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)}, 5.0));
    } else if (name == kLoudWav) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 44100, 2, 1000.0, 0.75)}, 1.0));
    } else if (name == kLoudM4a) {
        fixtures::WriteClip(path, Clip({Audio("aac", 44100, 2, 1000.0, 0.75)}, 1.0, "mp4"));
    } else if (name == kShort500) {
        fixtures::WriteClip(path, Clip({Audio("aac", 44100, 2, 500.0, 0.5)}, 1.0));
    } else if (name == kLong1000) {
        fixtures::WriteClip(path, Clip({Audio("aac", 44100, 2, 1000.0, 0.5)}, 3.0));
    } else if (name == kLong500) {
        fixtures::WriteClip(path, Clip({Audio("aac", 44100, 2, 500.0, 0.5)}, 3.0));
    } else if (name == kSplicedTs) {
        const fs::path first = folder / "part1.ts";
        const fs::path second = folder / "part2.ts";
        fixtures::WriteClip(first, Clip({Audio("mp2", 48000, 2, 1000.0, 0.5)}, 2.0));
        fixtures::WriteClip(second, Clip({Audio("mp2", 44100, 1, 1000.0, 0.5)}, 2.0));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        AppendFile(first, out);
        AppendFile(second, out);
    } else if (name == kFilmWithCommentary) {
        fixtures::WriteClip(
            path, Clip({fixtures::Video("mpeg4", 320, 240, AVRational{25, 1}),
                        Audio("aac", 48000, 2, 1000.0, 0.5), Audio("aac", 22050, 1, 500.0, 0.5)},
                       2.0));
    } else if (name == kVideo25 || name == kVideo30) {
        const int rate = name == kVideo25 ? 25 : 30;
        fixtures::WriteClip(path,
                            Clip({fixtures::Video("mpeg4", 320, 240, AVRational{rate, 1})}, 2.0));
    } else if (name == kGreyVideo) {
        fixtures::StreamRecipe grey = fixtures::Video("mpeg4", 320, 240, AVRational{25, 1});
        grey.solid_y = 200;
        fixtures::WriteClip(path, Clip({grey}, 2.0));
    } else if (name == kGrowingTs) {
        const fs::path first = folder / "small.ts";
        const fs::path second = folder / "large.ts";
        const AVRational fps{25, 1};
        fixtures::WriteClip(first, Clip({fixtures::Video("mpeg2video", 320, 240, fps)}, 1.0));
        fixtures::WriteClip(second, Clip({fixtures::Video("mpeg2video", 352, 288, fps)}, 1.0));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        AppendFile(first, out);
        AppendFile(second, out);
    } else if (name == kDvdSubtitles) {
        fixtures::WriteClip(path, Clip({fixtures::Video("mpeg4", 320, 240, AVRational{25, 1}),
                                        fixtures::Subtitles("dvdsub", 320, 240)},
                                       3.0, "matroska"));
    } else if (name == kCorruptMkv) {
        WriteCorrupt(path);
    } else if (name == kSubtitles) {
        std::ofstream out(path, std::ios::trunc);
        out << "1\n00:00:00,500 --> 00:00:01,500\nFirst line\n\n"
               "2\n00:00:02,000 --> 00:00:02,800\nSecond line\n\n";
    } else {
        throw std::invalid_argument("No transcode clip " + name);
    }
}

}  // namespace

fs::path TranscodeClip(const std::string& name) {
    static std::mutex lock;
    static TempDir folder("transcode-media");
    static std::map<std::string, fs::path> written;
    std::lock_guard guard(lock);
    if (auto found = written.find(name); found != written.end()) {
        return found->second;
    }
    const fs::path path = folder.Path() / name;
    Write(name, path, folder.Path());
    written.emplace(name, path);
    return path;
}

int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

bool Contains(const std::vector<std::string>& texts, const std::string& wanted) {
    for (const std::string& text : texts) {
        if (text.find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

double EncoderSlack(int frame_size, int delay, int rate) {
    return static_cast<double>(frame_size + delay) / rate;
}

void TranscodeTest::SetUp() {
    EngineTest::SetUp();
}

void TranscodeTest::Open(const TranscodeJob& job) {
    for (const fs::path& input : job.inputs) {
        for (const auto& [name, value] : job.input_options) {
            engine_->SetOption(name, value);
        }
        ASSERT_TRUE(engine_->OpenInputFile(input.string()))
            << input << ": " << engine_->LastErrorText();
    }
    for (const auto& [name, value] : job.output_options) {
        engine_->SetOption(name, value);
    }
    // Cases that reuse a name replace their own earlier output; the engine
    // itself never replaces a file.
    if (fs::is_regular_file(fs::symlink_status(job.output))) {
        fs::remove(job.output);
    }
    ASSERT_GT(engine_->OpenOutputFile(job.output.string(), job.join), 0)
        << job.output << ": " << engine_->LastErrorText();
}

void TranscodeTest::EndTask() {
    engine_->FreeFiles();
}

void TranscodeTest::Run(const TranscodeJob& job) {
    Open(job);
    if (HasFatalFailure()) {
        return;
    }
    try {
        engine_->Transcode();
    } catch (const std::exception& error) {
        ADD_FAILURE() << job.output << ": " << error.what();
    }
    EndTask();
}

std::string TranscodeTest::RunFailing(const TranscodeJob& job) {
    Open(job);
    if (HasFatalFailure()) {
        return {};
    }
    std::string message;
    try {
        engine_->Transcode();
        ADD_FAILURE() << job.output << ": the conversion did not fail";
    } catch (const FFmpegException& error) {
        message = error.what();
    }
    return message;
}

std::vector<std::string> TranscodeTest::LogTexts() {
    std::vector<std::string> texts;
    for (const LogLine& line : Lines()) {
        texts.push_back(line.text);
    }
    return texts;
}

}  // namespace v2m::test
