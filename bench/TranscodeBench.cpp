// Extracting the sound of a long video to MP3 through the engine, side by
// side with the plainest loop the same libraries allow (read, decode,
// resample, cut into frames, encode, write) with the same settings. Each run
// is a child process, so that its peak memory is its own.
//
//   bench_transcode [minutes] [work folder] [runs]
//
// Each variant runs `runs` times (default 5), alternating; the figures are the
// processor time of each run (user + system, which other work on the machine
// hardly changes), its wall time and its peak resident memory.
//
// The video (H.264 320x240 at 25 fps, AAC 48 kHz stereo) is written once into
// the work folder (default: the system's temporary folder) and kept there.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "UnicodeProtocol.h"

namespace {

namespace fs = std::filesystem;
using namespace v2m;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int64_t kBitRate = 128000;

void Check(int result, const char* what) {
    if (result < 0) {
        throw std::runtime_error(std::string(what) + ": " + fixtures::ErrorText(result));
    }
}

struct ResamplerFree {
    void operator()(SwrContext* context) const { ff::swr_free(&context); }
};
struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { ff::av_audio_fifo_free(fifo); }
};

// What the engine does for an MP3 job, written out with nothing else around it.
void BareLoop(const std::string& source, const std::string& target) {
    AVFormatContext* opened = nullptr;
    Check(ff::avformat_open_input(&opened, source.c_str(), nullptr, nullptr), "open");
    InputContextPtr input(opened);
    Check(ff::avformat_find_stream_info(input.get(), nullptr), "stream info");
    int audio = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (audio < 0 && input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audio = static_cast<int>(i);
        } else {
            input->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (audio < 0) {
        throw std::runtime_error("no audio");
    }
    AVStream* in_stream = input->streams[audio];
    const AVCodec* decoder = ff::avcodec_find_decoder(in_stream->codecpar->codec_id);
    CodecContextPtr dec(ff::avcodec_alloc_context3(decoder));
    Check(ff::avcodec_parameters_to_context(dec.get(), in_stream->codecpar), "decoder parameters");
    dec->pkt_timebase = in_stream->time_base;
    dec->thread_count = 1;
    Check(ff::avcodec_open2(dec.get(), decoder, nullptr), "decoder");

    AVFormatContext* made = nullptr;
    Check(ff::avformat_alloc_output_context2(&made, nullptr, nullptr, target.c_str()), "muxer");
    OutputContextPtr output(made);
    AVStream* out_stream = ff::avformat_new_stream(output.get(), nullptr);
    const AVCodec* encoder = ff::avcodec_find_encoder(AV_CODEC_ID_MP3);
    CodecContextPtr enc(ff::avcodec_alloc_context3(encoder));
    enc->sample_fmt = dec->sample_fmt;  // the engine keeps the decoder's format when it can
    enc->sample_rate = kRate;
    ff::av_channel_layout_default(&enc->ch_layout, kChannels);
    enc->bit_rate = kBitRate;
    enc->time_base = AVRational{1, kRate};
    enc->thread_count = 1;
    Check(ff::avcodec_open2(enc.get(), encoder, nullptr), "encoder");
    Check(ff::avcodec_parameters_from_context(out_stream->codecpar, enc.get()), "parameters");
    out_stream->time_base = enc->time_base;
    Check(OpenOutputIO(&output->pb, target), "output");
    Check(ff::avformat_write_header(output.get(), nullptr), "header");

    SwrContext* swr = nullptr;
    Check(ff::swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, kRate, &dec->ch_layout,
                                  dec->sample_fmt, dec->sample_rate, 0, nullptr),
          "resampler");
    std::unique_ptr<SwrContext, ResamplerFree> resampler(swr);
    ff::av_opt_set_int(swr, "filter_size", 16, 0);
    ff::av_opt_set_int(swr, "phase_shift", 10, 0);
    ff::av_opt_set_int(swr, "linear_interp", 0, 0);
    ff::av_opt_set(swr, "cutoff", "0.8", 0);
    ff::av_opt_set(swr, "rematrix_maxval", "1", 0);
    Check(ff::swr_init(swr), "resampler");
    std::unique_ptr<AVAudioFifo, FifoFree> fifo(
        ff::av_audio_fifo_alloc(enc->sample_fmt, kChannels, 1024));

    PacketPtr packet(ff::av_packet_alloc());
    PacketPtr encoded(ff::av_packet_alloc());
    FramePtr decoded(ff::av_frame_alloc());
    FramePtr converted(ff::av_frame_alloc());
    FramePtr chunk(ff::av_frame_alloc());
    int converted_capacity = 0;
    int64_t position = 0;
    auto allocate = [&](AVFrame* frame, int samples) {
        ff::av_frame_unref(frame);
        frame->format = enc->sample_fmt;
        frame->sample_rate = kRate;
        ff::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        frame->nb_samples = samples;
        Check(ff::av_frame_get_buffer(frame, 0), "buffer");
    };
    allocate(chunk.get(), enc->frame_size);

    auto write_packets = [&]() {
        while (ff::avcodec_receive_packet(enc.get(), encoded.get()) >= 0) {
            encoded->stream_index = 0;
            ff::av_packet_rescale_ts(encoded.get(), enc->time_base, out_stream->time_base);
            Check(ff::av_interleaved_write_frame(output.get(), encoded.get()), "write");
        }
    };
    auto encode = [&](int samples, int padded) {
        Check(ff::av_frame_make_writable(chunk.get()), "writable");
        chunk->nb_samples = padded;
        ff::av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(chunk->extended_data), samples);
        if (padded > samples) {
            ff::av_samples_set_silence(chunk->extended_data, samples, padded - samples, kChannels,
                                       enc->sample_fmt);
        }
        chunk->pts = position;
        position += padded;
        Check(ff::avcodec_send_frame(enc.get(), chunk.get()), "encode");
        write_packets();
    };
    auto push = [&](const uint8_t** data, int samples) {
        const int room = ff::swr_get_out_samples(swr, samples);
        if (room > converted_capacity) {
            allocate(converted.get(), room);
            converted_capacity = room;
        }
        const int out =
            ff::swr_convert(swr, converted->extended_data, converted_capacity, data, samples);
        Check(out, "resample");
        ff::av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(converted->extended_data),
                                out);
        while (ff::av_audio_fifo_size(fifo.get()) >= enc->frame_size) {
            encode(enc->frame_size, enc->frame_size);
        }
    };
    auto decode = [&](const AVPacket* input_packet) {
        ff::avcodec_send_packet(dec.get(), input_packet);
        while (ff::avcodec_receive_frame(dec.get(), decoded.get()) >= 0) {
            push(const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
            ff::av_frame_unref(decoded.get());
        }
    };
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            decode(packet.get());
        }
        ff::av_packet_unref(packet.get());
    }
    decode(nullptr);
    push(nullptr, 0);
    if (const int left = ff::av_audio_fifo_size(fifo.get()); left > 0) {
        encode(left, enc->frame_size);
    }
    ff::avcodec_send_frame(enc.get(), nullptr);
    write_packets();
    Check(ff::av_write_trailer(output.get()), "trailer");
}

void EngineJob(const std::string& source, const std::string& target) {
    TFFmpeg engine(20);
    engine.Prepare();
    engine.SetOption("vn", "1");  // as every job of the application
    if (!engine.OpenInputFile(source)) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.SetOption("ar", std::to_string(kRate));
    engine.SetOption("ac", std::to_string(kChannels));
    engine.SetOption("ab", std::to_string(kBitRate));
    if (engine.OpenOutputFile(target, false) < 0) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.Transcode();
    engine.CloseOpenCodecs();
    engine.FreeFiles();
}

struct Measure {
    double seconds = 0.0;  // wall
    double cpu = 0.0;      // user + system
    long peak_kib = 0;
};

enum class Variant { kLibrariesOnly, kBareLoop, kEngine };

const char* Name(Variant variant) {
    switch (variant) {
        case Variant::kLibrariesOnly:
            return "libraries only";
        case Variant::kBareLoop:
            return "bare loop";
        case Variant::kEngine:
            return "engine";
    }
    return "";
}

// Runs one variant in a child process: wall time from the child, processor
// time and peak resident memory from its resource usage.
Measure RunChild(Variant variant, const std::string& source, const std::string& target) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        double seconds = -1.0;
        try {
            MediaRuntime runtime;
            if (!FFLoader().LoadLibraries(ConverterLibs)) {
                throw std::runtime_error(FFLoader().LastError());
            }
            FFLoggerInstance().SetLogLevel(llError);
            const auto start = std::chrono::steady_clock::now();
            if (variant == Variant::kEngine) {
                EngineJob(source, target);
            } else if (variant == Variant::kBareLoop) {
                BareLoop(source, target);
            }
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s\n", Name(variant), error.what());
        }
        if (::write(pipe_ends[1], &seconds, sizeof seconds) != sizeof seconds) {
            ::_exit(2);
        }
        ::_exit(seconds < 0 ? 1 : 0);
    }
    ::close(pipe_ends[1]);
    Measure measure;
    if (::read(pipe_ends[0], &measure.seconds, sizeof measure.seconds) != sizeof measure.seconds) {
        measure.seconds = -1.0;
    }
    ::close(pipe_ends[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    measure.peak_kib = usage.ru_maxrss;
    auto seconds_of = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    measure.cpu = seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || measure.seconds < 0) {
        throw std::runtime_error(std::string(Name(variant)) + " failed");
    }
    return measure;
}

void WriteVideo(const fs::path& path, double minutes) {
    fixtures::ClipSpec clip;
    clip.duration_s = minutes * 60.0;
    clip.streams = {fixtures::Video("libx264", 320, 240, AVRational{25, 1}),
                    fixtures::Audio("aac", 48000, 2, 1000.0, 0.5)};
    fixtures::WriteClip(path, clip);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 5;
    try {
        fs::create_directories(folder);
        const fs::path video =
            folder / ("video_" + std::to_string(static_cast<int>(minutes * 60)) + "s.mp4");
        if (!fs::exists(video)) {
            std::printf("Writing %s ...\n", video.c_str());
            std::fflush(stdout);
            MediaRuntime runtime;
            if (!FFLoader().LoadLibraries(ConverterLibs)) {
                throw std::runtime_error(FFLoader().LastError());
            }
            WriteVideo(video, minutes);
        }
        std::vector<Measure> bare;
        std::vector<Measure> engine;
        // Alternating, so that both see the same state of the machine.
        for (int run = 0; run < runs; ++run) {
            bare.push_back(
                RunChild(Variant::kBareLoop, video.string(), (folder / "bare.mp3").string()));
            engine.push_back(
                RunChild(Variant::kEngine, video.string(), (folder / "engine.mp3").string()));
            std::printf("run %d: bare loop %.3f s (cpu %.3f s), engine %.3f s (cpu %.3f s)\n",
                        run + 1, bare.back().seconds, bare.back().cpu, engine.back().seconds,
                        engine.back().cpu);
            std::fflush(stdout);
        }
        auto column = [](const std::vector<Measure>& runs_of, double Measure::*field) {
            std::vector<double> values;
            for (const Measure& m : runs_of) {
                values.push_back(m.*field);
            }
            return values;
        };
        auto peak = [](const std::vector<Measure>& runs_of) {
            long most = 0;
            for (const Measure& m : runs_of) {
                most = std::max(most, m.peak_kib);
            }
            return most / 1024.0;
        };
        auto row = [&](const char* name, const std::vector<Measure>& runs_of) {
            const auto cpu = column(runs_of, &Measure::cpu);
            const auto wall = column(runs_of, &Measure::seconds);
            std::printf("%-10s %10.3f %10.3f %10.3f %10.3f %14.1f\n", name, Median(cpu),
                        *std::min_element(cpu.begin(), cpu.end()), Median(wall),
                        *std::min_element(wall.begin(), wall.end()), peak(runs_of));
        };
        std::printf("\n%-10s %10s %10s %10s %10s %14s\n", "", "cpu med", "cpu best", "wall med",
                    "wall best", "peak RSS (MiB)");
        row("bare loop", bare);
        row("engine", engine);
        // What loading the libraries alone costs, of the peaks above.
        const Measure loaded = RunChild(Variant::kLibrariesOnly, video.string(), "");
        std::printf("%-10s %54.1f\n", "libraries", loaded.peak_kib / 1024.0);
        const auto bare_cpu = column(bare, &Measure::cpu);
        const auto engine_cpu = column(engine, &Measure::cpu);
        std::printf("engine / bare loop: cpu median %.3f, cpu best %.3f\n",
                    Median(engine_cpu) / Median(bare_cpu),
                    *std::min_element(engine_cpu.begin(), engine_cpu.end()) /
                        *std::min_element(bare_cpu.begin(), bare_cpu.end()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_transcode: %s\n", error.what());
        return 1;
    }
    return 0;
}
