#include "BareLoop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "UnicodeProtocol.h"

namespace v2m::bench {

namespace {

void Check(int result, const char* what) {
    if (result < 0) {
        throw std::runtime_error(std::string(what) + ": " + fixtures::ErrorText(result));
    }
}

}  // namespace

void CheckBare(int result, const char* what) {
    Check(result, what);
}

TBareInput OpenBareInput(const std::string& source, AVMediaType type, int threads) {
    TBareInput in;
    AVFormatContext* opened = nullptr;
    Check(ff::avformat_open_input(&opened, source.c_str(), nullptr, nullptr), "open");
    in.File.reset(opened);
    Check(ff::avformat_find_stream_info(in.File.get(), nullptr), "stream info");
    for (unsigned i = 0; i < in.File->nb_streams; ++i) {
        if (in.Stream < 0 && in.File->streams[i]->codecpar->codec_type == type) {
            in.Stream = static_cast<int>(i);
        } else {
            in.File->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (in.Stream < 0) {
        throw std::runtime_error(type == AVMEDIA_TYPE_AUDIO ? "no audio" : "no video");
    }
    const AVStream* stream = in.File->streams[in.Stream];
    const AVCodec* decoder = ff::avcodec_find_decoder(stream->codecpar->codec_id);
    in.Decoder.reset(ff::avcodec_alloc_context3(decoder));
    Check(ff::avcodec_parameters_to_context(in.Decoder.get(), stream->codecpar),
          "decoder parameters");
    in.Decoder->pkt_timebase = stream->time_base;
    in.Decoder->thread_count = threads;
    Check(ff::avcodec_open2(in.Decoder.get(), decoder, nullptr), "decoder");
    return in;
}

// What the engine does for an MP3 job, written out with nothing else around it.
void BareLoop(const std::string& source, const std::string& target) {
    TBareInput in = OpenBareInput(source, AVMEDIA_TYPE_AUDIO);
    InputContextPtr& input = in.File;
    const int audio = in.Stream;
    CodecContextPtr& dec = in.Decoder;

    AVFormatContext* made = nullptr;
    Check(ff::avformat_alloc_output_context2(&made, nullptr, nullptr, target.c_str()), "muxer");
    OutputContextPtr output(made);
    AVStream* out_stream = ff::avformat_new_stream(output.get(), nullptr);
    const AVCodec* encoder = ff::avcodec_find_encoder(AV_CODEC_ID_MP3);
    CodecContextPtr enc(ff::avcodec_alloc_context3(encoder));
    enc->sample_fmt = dec->sample_fmt;  // the engine keeps the decoder's format when it can
    enc->sample_rate = kBareRate;
    ff::av_channel_layout_default(&enc->ch_layout, kBareChannels);
    enc->bit_rate = kBareBitRate;
    enc->time_base = AVRational{1, kBareRate};
    enc->thread_count = 1;
    Check(ff::avcodec_open2(enc.get(), encoder, nullptr), "encoder");
    Check(ff::avcodec_parameters_from_context(out_stream->codecpar, enc.get()), "parameters");
    out_stream->time_base = enc->time_base;
    // Outputs are only ever created new; an earlier run's file goes first.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::unlink(target.c_str());
    }
    Check(OpenOutputIO(&output->pb, target), "output");
    Check(ff::avformat_write_header(output.get(), nullptr), "header");

    SwrContext* swr = nullptr;
    Check(ff::swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, kBareRate,
                                  &dec->ch_layout, dec->sample_fmt, dec->sample_rate, 0, nullptr),
          "resampler");
    ResamplerPtr resampler(swr);
    ff::av_opt_set_int(swr, "filter_size", 16, 0);
    ff::av_opt_set_int(swr, "phase_shift", 10, 0);
    ff::av_opt_set_int(swr, "linear_interp", 0, 0);
    ff::av_opt_set(swr, "cutoff", "0.8", 0);
    ff::av_opt_set(swr, "rematrix_maxval", "1", 0);
    Check(ff::swr_init(swr), "resampler");
    AudioFifoPtr fifo(ff::av_audio_fifo_alloc(enc->sample_fmt, kBareChannels, 1024));

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
        frame->sample_rate = kBareRate;
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
            ff::av_samples_set_silence(chunk->extended_data, samples, padded - samples,
                                       kBareChannels, enc->sample_fmt);
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

void BareCopy(const std::string& source, const std::string& target) {
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
    const AVStream* in_stream = input->streams[audio];
    AVFormatContext* made = nullptr;
    Check(ff::avformat_alloc_output_context2(&made, nullptr, nullptr, target.c_str()), "muxer");
    OutputContextPtr output(made);
    AVStream* out_stream = ff::avformat_new_stream(output.get(), nullptr);
    Check(ff::avcodec_parameters_copy(out_stream->codecpar, in_stream->codecpar), "parameters");
    out_stream->codecpar->codec_tag = 0;
    out_stream->time_base = in_stream->time_base;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::unlink(target.c_str());
    }
    Check(OpenOutputIO(&output->pb, target), "output");
    Check(ff::avformat_write_header(output.get(), nullptr), "header");
    PacketPtr packet(ff::av_packet_alloc());
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            packet->stream_index = 0;
            ff::av_packet_rescale_ts(packet.get(), in_stream->time_base, out_stream->time_base);
            packet->pos = -1;
            Check(ff::av_interleaved_write_frame(output.get(), packet.get()), "write");
        }
        ff::av_packet_unref(packet.get());
    }
    Check(ff::av_write_trailer(output.get()), "trailer");
}

}  // namespace v2m::bench
