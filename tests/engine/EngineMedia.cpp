#include "EngineMedia.h"

#include <cstring>
#include <filesystem>
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
using fixtures::ClipRecipe;
using fixtures::Video;

void Check(int result, const std::string& what) {
    if (result < 0) {
        throw std::runtime_error(what + ": " + fixtures::ErrorText(result));
    }
}

ClipRecipe Clip(std::initializer_list<fixtures::StreamRecipe> streams, double seconds) {
    ClipRecipe clip;
    clip.streams = streams;
    clip.duration_s = seconds;
    return clip;
}

// Copies the video and audio packets of a standard clip into an MPEG-TS with
// a KLV data stream between them; a data packet goes along every tenth
// video packet.
void WriteDataBetween(const fs::path& target) {
    const std::string source = Fixture("avi_mpeg4_mp2.avi").string();
    AVFormatContext* opened = nullptr;
    Check(ff::avformat_open_input(&opened, source.c_str(), nullptr, nullptr), source);
    InputContextPtr input(opened);
    Check(ff::avformat_find_stream_info(input.get(), nullptr), source);

    AVFormatContext* made = nullptr;
    Check(ff::avformat_alloc_output_context2(&made, nullptr, "mpegts", target.c_str()), "mpegts");
    OutputContextPtr output(made);
    AVStream* out[3] = {};
    for (int i = 0; i < 3; ++i) {
        out[i] = ff::avformat_new_stream(output.get(), nullptr);
        if (out[i] == nullptr) {
            throw std::runtime_error("Cannot add a stream");
        }
    }
    for (int i : {0, 2}) {
        const AVStream* from = input->streams[i == 0 ? 0 : 1];
        Check(ff::avcodec_parameters_copy(out[i]->codecpar, from->codecpar), "parameters");
        out[i]->codecpar->codec_tag = 0;
        out[i]->time_base = from->time_base;
    }
    out[1]->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    out[1]->codecpar->codec_id = AV_CODEC_ID_SMPTE_KLV;
    out[1]->time_base = AVRational{1, 1000};
    std::filesystem::remove(target);  // outputs are only ever created new
    Check(OpenOutputIO(&output->pb, target.string()), target.string());
    Check(ff::avformat_write_header(output.get(), nullptr), "header");

    PacketPtr packet(ff::av_packet_alloc());
    PacketPtr data(ff::av_packet_alloc());
    int video_packets = 0;
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        const int from = packet->stream_index;
        const int to = from == 0 ? 0 : 2;
        ff::av_packet_rescale_ts(packet.get(), input->streams[from]->time_base, out[to]->time_base);
        packet->stream_index = to;
        packet->pos = -1;
        if (to == 0 && video_packets++ % 10 == 0) {
            Check(ff::av_new_packet(data.get(), 4), "data packet");
            std::memcpy(data->data, "klv!", 4);
            data->stream_index = 1;
            data->pts = data->dts =
                ff::av_rescale_q(packet->dts, out[0]->time_base, out[1]->time_base);
            Check(ff::av_interleaved_write_frame(output.get(), data.get()), "data");
        }
        Check(ff::av_interleaved_write_frame(output.get(), packet.get()), "packet");
    }
    Check(ff::av_write_trailer(output.get()), "trailer");
}

void Write(const std::string& name, const fs::path& path) {
    const AVRational fps25{25, 1};
    if (name == kPalSar16x15) {
        ClipRecipe clip = Clip({Video("mpeg4", 720, 576, fps25)}, 1.0);
        clip.streams[0].sample_aspect = AVRational{16, 15};
        fixtures::WriteClip(path, clip);
    } else if (name == kNtscVideo) {
        fixtures::WriteClip(path, Clip({Video("mpeg4", 320, 240, AVRational{30000, 1001}),
                                        Audio("mp2", 48000, 2, 1000.0, 0.5)},
                                       1.0));
    } else if (name == kVideo15Fps) {
        fixtures::WriteClip(path, Clip({Video("mpeg4", 320, 240, AVRational{15, 1}),
                                        Audio("mp2", 44100, 2, 1000.0, 0.5)},
                                       1.0));
    } else if (name == kAc3Surround) {
        fixtures::WriteClip(path, Clip({Audio("ac3", 48000, 6, 1000.0, 0.5)}, 1.0));
    } else if (name == kPcm96k) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 96000, 2, 1000.0, 0.5)}, 1.0));
    } else if (name == kShortWav) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 8000, 1, 440.0, 0.5)}, 2.0));
    } else if (name == kLongWav) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 8000, 1, 440.0, 0.5)}, 4.0));
    } else if (name == kPcm44k) {
        fixtures::WriteClip(path, Clip({Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)}, 1.0));
    } else if (name == kDataBetween) {
        WriteDataBetween(path);
    } else {
        throw std::invalid_argument("No special clip " + name);
    }
}

}  // namespace

fs::path SpecialClip(const std::string& name) {
    static std::mutex lock;
    static TempDir folder("engine-media");
    static std::map<std::string, fs::path> written;
    std::lock_guard guard(lock);
    if (auto found = written.find(name); found != written.end()) {
        return found->second;
    }
    const fs::path path = folder.Path() / name;
    Write(name, path);
    written.emplace(name, path);
    return path;
}

}  // namespace v2m::test
