// Converting the pictures of a video through the engine, side by side with
// the plainest decode-scale-encode loop the same libraries allow, with the
// same settings: MPEG-4 Part 2 at the source's size, 25 fps, 1 Mbit/s, in
// Matroska, no sound. Both run as forked children, alternating, so that each
// peak memory is its own and both see the same state of the machine.
//
//   bench_video [seconds] [work folder] [runs]
//
// Defaults: a 60-second 640x360 video, the system's temporary folder (also
// for an empty folder argument), 3 runs.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "BareLoop.h"
#include "BenchSupport.h"
#include "FFmpeg.h"
#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "UnicodeProtocol.h"

namespace {

namespace fs = std::filesystem;
using namespace v2m;
using namespace v2m::bench;

constexpr int64_t kVideoBitRate = 1000000;
constexpr AVRational kFrameRate{25, 1};

void Check(int result, const char* what) {
    CheckBare(result, what);
}

void RemoveEarlierOutput(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::unlink(target.c_str());
    }
}

void EngineJob(const std::string& source, const std::string& target) {
    RemoveEarlierOutput(target);
    TFFmpeg engine(20);
    engine.Prepare();
    if (!engine.OpenInputFile(source)) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.SetOption("an", "1");
    engine.SetOption("vcodec", "mpeg4");
    engine.SetOption("b", std::to_string(kVideoBitRate));
    engine.SetOption("r", "25");
    if (engine.OpenOutputFile(target, false) < 0) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.Transcode();
    engine.FreeFiles();
}

// Read, decode, convert the picture format when it differs, encode, write.
void BareVideoLoop(const std::string& source, const std::string& target) {
    // Threads as the library chooses them, as a command line given no
    // thread count would have them.
    TBareInput in = OpenBareInput(source, AVMEDIA_TYPE_VIDEO, 0);
    InputContextPtr& input = in.File;
    const int video = in.Stream;
    CodecContextPtr& dec = in.Decoder;

    AVFormatContext* made = nullptr;
    Check(ff::avformat_alloc_output_context2(&made, nullptr, nullptr, target.c_str()), "muxer");
    OutputContextPtr output(made);
    AVStream* out_stream = ff::avformat_new_stream(output.get(), nullptr);
    const AVCodec* encoder = ff::avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    CodecContextPtr enc(ff::avcodec_alloc_context3(encoder));
    enc->width = dec->width;
    enc->height = dec->height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{kFrameRate.den, kFrameRate.num};
    enc->framerate = kFrameRate;
    enc->bit_rate = kVideoBitRate;
    enc->thread_count = 0;
    if ((output->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    Check(ff::avcodec_open2(enc.get(), encoder, nullptr), "encoder");
    Check(ff::avcodec_parameters_from_context(out_stream->codecpar, enc.get()), "parameters");
    out_stream->time_base = enc->time_base;
    RemoveEarlierOutput(target);
    Check(OpenOutputIO(&output->pb, target), "output");
    Check(ff::avformat_write_header(output.get(), nullptr), "header");

    PacketPtr packet(ff::av_packet_alloc());
    PacketPtr encoded(ff::av_packet_alloc());
    FramePtr decoded(ff::av_frame_alloc());
    FramePtr scaled(ff::av_frame_alloc());
    ScalerContextPtr scaler;
    int64_t position = 0;
    auto write_packets = [&]() {
        while (ff::avcodec_receive_packet(enc.get(), encoded.get()) >= 0) {
            encoded->stream_index = 0;
            ff::av_packet_rescale_ts(encoded.get(), enc->time_base, out_stream->time_base);
            Check(ff::av_interleaved_write_frame(output.get(), encoded.get()), "write");
        }
    };
    auto encode = [&](AVFrame* picture) {
        AVFrame* frame = picture;
        if (picture->format != enc->pix_fmt || picture->width != enc->width ||
            picture->height != enc->height) {
            scaler.reset(ff::sws_getCachedContext(scaler.release(), picture->width, picture->height,
                                                  static_cast<AVPixelFormat>(picture->format),
                                                  enc->width, enc->height, enc->pix_fmt,
                                                  SWS_BICUBIC, nullptr, nullptr, nullptr));
            if (!scaler) {
                throw std::runtime_error("scaler");
            }
            ff::av_frame_unref(scaled.get());
            scaled->format = enc->pix_fmt;
            scaled->width = enc->width;
            scaled->height = enc->height;
            Check(ff::av_frame_get_buffer(scaled.get(), 0), "picture");
            ff::sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height,
                          scaled->data, scaled->linesize);
            frame = scaled.get();
        }
        frame->pts = position++;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        Check(ff::avcodec_send_frame(enc.get(), frame), "encode");
        write_packets();
    };
    auto decode = [&](const AVPacket* input_packet) {
        ff::avcodec_send_packet(dec.get(), input_packet);
        while (ff::avcodec_receive_frame(dec.get(), decoded.get()) >= 0) {
            encode(decoded.get());
            ff::av_frame_unref(decoded.get());
        }
    };
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video) {
            decode(packet.get());
        }
        ff::av_packet_unref(packet.get());
    }
    decode(nullptr);
    Check(ff::avcodec_send_frame(enc.get(), nullptr), "drain");
    write_packets();
    Check(ff::av_write_trailer(output.get()), "trailer");
}

std::vector<double> Column(const std::vector<TMeasure>& of, double TMeasure::*field) {
    std::vector<double> values;
    for (const TMeasure& m : of) {
        values.push_back(m.*field);
    }
    return values;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 3;
    try {
        const fs::path video = GeneratedVideo(folder, seconds);
        const std::string bare_out = (folder / "bare_video.mkv").string();
        const std::string engine_out = (folder / "engine_video.mkv").string();
        std::vector<TMeasure> bare;
        std::vector<TMeasure> engine;
        for (int run = 0; run < runs; ++run) {
            bare.push_back(RunForked([&] { BareVideoLoop(video.string(), bare_out); }));
            engine.push_back(RunForked([&] { EngineJob(video.string(), engine_out); }));
            std::printf("run %d: bare loop %.3f s (cpu %.3f s), engine %.3f s (cpu %.3f s)\n",
                        run + 1, bare.back().wall, bare.back().cpu, engine.back().wall,
                        engine.back().cpu);
            std::fflush(stdout);
        }
        auto peak = [](const std::vector<TMeasure>& of) {
            const std::vector<double> values = Column(of, &TMeasure::peak_mib);
            return *std::max_element(values.begin(), values.end());
        };
        std::printf("\n%-10s %10s %10s %14s\n", "", "wall med", "cpu med", "peak RSS (MiB)");
        std::printf("%-10s %10.3f %10.3f %14.1f\n", "bare loop",
                    Median(Column(bare, &TMeasure::wall)), Median(Column(bare, &TMeasure::cpu)),
                    peak(bare));
        std::printf("%-10s %10.3f %10.3f %14.1f\n", "engine",
                    Median(Column(engine, &TMeasure::wall)), Median(Column(engine, &TMeasure::cpu)),
                    peak(engine));
        std::printf(
            "engine / bare loop (video): wall median %.3f (goal <= 1.05), cpu median %.3f\n",
            Median(Column(engine, &TMeasure::wall)) / Median(Column(bare, &TMeasure::wall)),
            Median(Column(engine, &TMeasure::cpu)) / Median(Column(bare, &TMeasure::cpu)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_video: %s\n", error.what());
        return 1;
    }
    return 0;
}
