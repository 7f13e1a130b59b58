#include "CoverPicture.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "AVProbe.h"
#include "CodecStages.h"
#include "Format.h"
#include "MediaOwners.h"

namespace v2m {

namespace {

std::string MimeTypeOf(AVCodecID codec) {
    switch (codec) {
        case AV_CODEC_ID_MJPEG:
            return "image/jpeg";
        case AV_CODEC_ID_PNG:
            return "image/png";
        default:
            return {};
    }
}

// The frame size a picture is shown at, its longer side brought down to
// `longest`; even, as the JPEG's chroma planes are half the size.
std::pair<int, int> CoverSize(int width, int height, AVRational pixel_aspect, int longest) {
    double shown_width = width;
    if (pixel_aspect.num > 0 && pixel_aspect.den > 0) {
        shown_width = width * static_cast<double>(pixel_aspect.num) / pixel_aspect.den;
    }
    const double scale = std::min(1.0, longest / std::max(shown_width, double(height)));
    auto even = [](double side) {
        return std::max(2, static_cast<int>(std::lround(side / 2)) * 2);
    };
    return {even(shown_width * scale), even(height * scale)};
}

// Reads on from the current position to the first picture of `stream` whose
// time is at least `target` (in the stream's time base); failing that, the
// last picture there was.
FramePtr DecodePictureFrom(AVFormatContext* context, int stream, AVCodecContext* decoder,
                           int64_t target) {
    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    FramePtr last;
    if (!packet || !frame) {
        return nullptr;
    }
    // Keeps (stops at) the first picture due; remembers the one before it.
    const auto before_target = [&](AVFrame& picture) {
        const int64_t time = picture.best_effort_timestamp;
        if (time == AV_NOPTS_VALUE || time >= target) {
            return false;
        }
        last.reset(ff::av_frame_clone(&picture));
        return true;
    };
    while (ff::av_read_frame(context, packet.get()) >= 0) {
        const bool ours = packet->stream_index == stream;
        const int sent = ours ? SendPacket(decoder, packet.get()) : 0;
        ff::av_packet_unref(packet.get());
        if (!ours || sent < 0) {
            continue;  // a damaged packet: the next key frame decodes
        }
        const TStageResult received = ReceiveFrames(decoder, frame.get(), before_target);
        if (received.How == TReceived::Kept) {
            return frame;
        }
        if (received.How != TReceived::Wanting) {
            return last;
        }
    }
    const TStageResult drained = DecodePacket(decoder, nullptr, frame.get(), before_target);
    return drained.How == TReceived::Kept ? std::move(frame) : std::move(last);
}

// One JPEG of the frame at the given size.
std::optional<TCoverImage> EncodeJpeg(const AVFrame& source, int width, int height) {
    ScalerContextPtr scaler(ff::sws_getCachedContext(
        nullptr, source.width, source.height, static_cast<AVPixelFormat>(source.format), width,
        height, AV_PIX_FMT_YUVJ420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    FramePtr picture(ff::av_frame_alloc());
    if (!scaler || !picture) {
        return std::nullopt;
    }
    picture->format = AV_PIX_FMT_YUVJ420P;
    picture->width = width;
    picture->height = height;
    picture->color_range = AVCOL_RANGE_JPEG;
    if (ff::av_frame_get_buffer(picture.get(), 0) < 0 ||
        ff::sws_scale(scaler.get(), source.data, source.linesize, 0, source.height, picture->data,
                      picture->linesize) != height) {
        return std::nullopt;
    }
    const AVCodec* codec = ff::avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    OpenedCodecContextPtr encoder(codec != nullptr ? ff::avcodec_alloc_context3(codec) : nullptr);
    if (!encoder) {
        return std::nullopt;
    }
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
    encoder->color_range = AVCOL_RANGE_JPEG;
    encoder->time_base = AVRational{1, 25};
    // A fixed, fine quantiser: a cover is looked at closely and is small anyway.
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = 2 * FF_QP2LAMBDA;
    picture->quality = encoder->global_quality;
    {
        AVCodecLock lock;
        if (ff::avcodec_open2(encoder.get(), codec, nullptr) < 0) {
            return std::nullopt;
        }
    }
    PacketPtr packet(ff::av_packet_alloc());
    TCoverImage image;
    // One picture in, one JPEG out: the first packet is the whole of it.
    const auto take_first = [&image](const AVPacket& jpeg) {
        if (image.Data.empty() && jpeg.size > 0) {
            image.Data.assign(reinterpret_cast<const char*>(jpeg.data),
                              static_cast<size_t>(jpeg.size));
        }
    };
    if (!packet || EncodeFrame(encoder.get(), picture.get(), packet.get(), take_first).Failed() ||
        EncodeFrame(encoder.get(), nullptr, packet.get(), take_first).Failed() ||
        image.Data.empty()) {
        return std::nullopt;
    }
    image.MimeType = "image/jpeg";
    image.Width = width;
    image.Height = height;
    return image;
}

// The first video stream that is not an attached picture; -1 when none.
int FirstMovingVideo(const AVFormatContext& context) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream* stream = context.streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PutBigEndian32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string Base64(const std::string& data) {
    // The library's encoder takes an int length; a cover is far below that.
    std::string text(static_cast<size_t>(AV_BASE64_SIZE(data.size())), '\0');
    ff::av_base64_encode(text.data(), static_cast<int>(text.size()),
                         reinterpret_cast<const uint8_t*>(data.data()),
                         static_cast<int>(data.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

std::optional<TCoverImage> ReadAttachedPicture(const AVFormatContext& file, int stream) {
    if (stream < 0 || static_cast<unsigned>(stream) >= file.nb_streams) {
        return std::nullopt;
    }
    const AVStream* picture = file.streams[stream];
    TCoverImage image;
    image.MimeType = MimeTypeOf(picture->codecpar->codec_id);
    if (image.MimeType.empty() || picture->attached_pic.size <= 0) {
        return std::nullopt;
    }
    image.Data.assign(reinterpret_cast<const char*>(picture->attached_pic.data),
                      static_cast<size_t>(picture->attached_pic.size));  // positive: checked above
    image.Width = picture->codecpar->width;
    image.Height = picture->codecpar->height;
    return image;
}

std::optional<TCoverImage> ReadAttachedPicture(const std::string& file_name,
                                               const std::string& format_name, int stream) {
    TAVProbe probe;
    try {
        if (!probe.LoadFile(file_name, format_name)) {
            return std::nullopt;
        }
    } catch (const EAVProbeError&) {
        return std::nullopt;
    }
    return ReadAttachedPicture(*probe.Context(), stream);
}

std::string AttachedPictureProblem(const AVFormatContext& file, int stream) {
    if (stream < 0 || static_cast<unsigned>(stream) >= file.nb_streams) {
        return "the file has no such picture";
    }
    const AVStream* picture = file.streams[stream];
    if (picture->attached_pic.size > kMaxCoverBytes) {
        return Format("it is larger than %d MiB", kMaxCoverBytes / (1024 * 1024));
    }
    // Decoded in full: a damaged picture is found here, not by the muxer
    // (which would fail the whole file) or by the listener's player.
    const AVCodec* codec = ff::avcodec_find_decoder(picture->codecpar->codec_id);
    OpenedCodecContextPtr decoder(codec != nullptr ? ff::avcodec_alloc_context3(codec) : nullptr);
    FramePtr frame(ff::av_frame_alloc());
    if (!decoder || !frame ||
        ff::avcodec_parameters_to_context(decoder.get(), picture->codecpar) < 0) {
        return "it is not a picture we can read";
    }
    decoder->max_pixels = static_cast<int64_t>(kMaxCoverSide) * kMaxCoverSide;
    {
        AVCodecLock lock;
        if (ff::avcodec_open2(decoder.get(), codec, nullptr) < 0) {
            return "it is not a picture we can read";
        }
    }
    const auto keep_first = [](const AVFrame&) { return false; };
    if (SendPacket(decoder.get(), &picture->attached_pic) < 0 ||
        DecodePacket(decoder.get(), nullptr, frame.get(), keep_first).How != TReceived::Kept ||
        frame->width <= 0 || frame->height <= 0) {
        return "it does not decode as a picture";
    }
    if (frame->width > kMaxCoverSide || frame->height > kMaxCoverSide) {
        return Format("it is %dx%d pixels, more than %d a side", frame->width, frame->height,
                      kMaxCoverSide);
    }
    return {};
}

std::optional<TCoverImage> GrabVideoFrame(const std::string& file_name,
                                          const std::string& format_name, int longest_side) {
    try {
        TAVProbe probe;
        if (!probe.LoadFile(file_name, format_name)) {
            return std::nullopt;
        }
        AVFormatContext* context = probe.Context();
        const int index = FirstMovingVideo(*context);
        if (index < 0) {
            return std::nullopt;
        }
        const AVStream* stream = context->streams[index];
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            context->streams[i]->discard =
                static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        }
        const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
        OpenedCodecContextPtr decoder(codec != nullptr ? ff::avcodec_alloc_context3(codec)
                                                       : nullptr);
        if (!decoder || ff::avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) {
            return std::nullopt;
        }
        decoder->pkt_timebase = stream->time_base;
        {
            AVCodecLock lock;
            if (ff::avcodec_open2(decoder.get(), codec, nullptr) < 0) {
                return std::nullopt;
            }
        }
        // Not the very start: it is often a black fade-in or a title card.
        int64_t target = 0;
        if (context->duration > 0) {
            const int64_t start = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
            target = start + context->duration / 10;
            if (ff::av_seek_frame(context, -1, target, AVSEEK_FLAG_BACKWARD) < 0) {
                ff::av_seek_frame(context, -1, start, AVSEEK_FLAG_BACKWARD);
            }
            target = ff::av_rescale_q(target, AVRational{1, AV_TIME_BASE}, stream->time_base);
        }
        const FramePtr frame = DecodePictureFrom(context, index, decoder.get(), target);
        if (!frame || frame->width <= 0 || frame->height <= 0) {
            return std::nullopt;
        }
        const AVRational aspect = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio
                                                                     : stream->sample_aspect_ratio;
        const auto [width, height] = CoverSize(frame->width, frame->height, aspect, longest_side);
        return EncodeJpeg(*frame, width, height);
    } catch (const EAVProbeError&) {
        return std::nullopt;
    }
}

std::string PictureBlockBase64(const TCoverImage& image) {
    std::string block;
    PutBigEndian32(block, 3);  // front cover
    PutBigEndian32(block, static_cast<uint32_t>(image.MimeType.size()));
    block += image.MimeType;
    PutBigEndian32(block, 0);  // no description
    PutBigEndian32(block, static_cast<uint32_t>(image.Width));
    PutBigEndian32(block, static_cast<uint32_t>(image.Height));
    PutBigEndian32(block, 24);  // colour depth
    PutBigEndian32(block, 0);   // not an indexed-colour picture
    PutBigEndian32(block, static_cast<uint32_t>(image.Data.size()));
    block += image.Data;
    return Base64(block);
}

std::unique_ptr<TCoverFolder> TCoverFolder::Create() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        base = "/tmp";
    }
    std::string pattern = (base / "video2mp3-cover-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<TCoverFolder>(new TCoverFolder(pattern));
}

TCoverFolder::~TCoverFolder() {
    for (const TCreatedFile& file : files_) {
        RemoveCreatedFile(file);
    }
    // Only an empty folder goes: whatever someone else put there stays.
    ::rmdir(path_.c_str());
}

std::string TCoverFolder::Write(const std::string& name, const std::string& data) {
    const std::string path = path_ + "/" + name;
    TCreatedFile created;
    const int fd = CreateExclusive(path, &created);
    if (fd < 0) {
        return {};
    }
    files_.push_back(created);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.data() + done, data.size() - done);
        if (wrote <= 0) {
            ::close(fd);
            return {};
        }
        done += static_cast<size_t>(wrote);
    }
    return ::close(fd) == 0 ? path : std::string();
}

}  // namespace v2m
