// The video and subtitle output paths: encoder set-up for pictures and
// subtitles, decoding them, deinterlacing and hooks, the filter graph,
// cropping, scaling and padding, frame-rate conversion by duplicating and
// dropping, encoding, the encoding preview, and subtitle encoding.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "CodecStages.h"
#include "FFmpegLoader.h"
#include "FFmpegReport.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "FrameHooks.h"
#include "MyUtils.h"
#include "Previewer.h"
#include "libavutil_error.h"

namespace v2m::engine {

namespace {

constexpr size_t kSubtitleBufferSize = 1024 * 1024;

// Formats whose planes hold one byte per sample, which the picture helpers
// below can crop, pad and deinterlace.
bool BytePlanar(const AVPixFmtDescriptor* desc) {
    if (desc == nullptr || (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                                           AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_RGB)) != 0) {
        return false;
    }
    for (int c = 0; c < desc->nb_components; ++c) {
        if (desc->comp[c].depth != 8 || desc->comp[c].step != 1) {
            return false;
        }
    }
    return true;
}

int PlaneCount(const AVPixFmtDescriptor* desc) {
    int planes = 0;
    for (int c = 0; c < desc->nb_components; ++c) {
        planes = std::max(planes, desc->comp[c].plane + 1);
    }
    return planes;
}

bool IsChromaPlane(const AVPixFmtDescriptor* desc, int plane) {
    return plane == 1 || plane == 2 ? (desc->flags & AV_PIX_FMT_FLAG_RGB) == 0 : false;
}

int PlaneWidth(const AVPixFmtDescriptor* desc, int plane, int width) {
    return IsChromaPlane(desc, plane) ? AV_CEIL_RSHIFT(width, desc->log2_chroma_w) : width;
}

int PlaneHeight(const AVPixFmtDescriptor* desc, int plane, int height) {
    return IsChromaPlane(desc, plane) ? AV_CEIL_RSHIFT(height, desc->log2_chroma_h) : height;
}

// The vertical 5-tap (-1 4 2 4 -1)/8 low-pass over every row; rows beyond
// the edges repeat the edge rows. The picture keeps its size and timing.
bool Deinterlace(AVFrame* to, const AVFrame* from) {
    const AVPixFmtDescriptor* desc =
        ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(from->format));
    if (!BytePlanar(desc)) {
        return false;
    }
    for (int p = 0; p < PlaneCount(desc); ++p) {
        const int width = PlaneWidth(desc, p, from->width);
        const int height = PlaneHeight(desc, p, from->height);
        auto row = [&](int y) {
            return from->data[p] +
                   static_cast<ptrdiff_t>(std::clamp(y, 0, height - 1)) * from->linesize[p];
        };
        for (int y = 0; y < height; ++y) {
            const uint8_t* m2 = row(y - 2);
            const uint8_t* m1 = row(y - 1);
            const uint8_t* c0 = row(y);
            const uint8_t* p1 = row(y + 1);
            const uint8_t* p2 = row(y + 2);
            uint8_t* out = to->data[p] + static_cast<ptrdiff_t>(y) * to->linesize[p];
            for (int x = 0; x < width; ++x) {
                const int sum = -m2[x] + 4 * m1[x] + 2 * c0[x] + 4 * p1[x] - p2[x];
                out[x] = static_cast<uint8_t>(std::clamp((sum + 4) >> 3, 0, 255));
            }
        }
    }
    return true;
}

// Moves the picture's planes to the top left corner of the crop bands.
bool CropPicture(AVFrame* picture, int top, int left) {
    const AVPixFmtDescriptor* desc =
        ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    if (!BytePlanar(desc)) {
        return false;
    }
    for (int p = 0; p < PlaneCount(desc); ++p) {
        const bool chroma = IsChromaPlane(desc, p);
        const int y = chroma ? top >> desc->log2_chroma_h : top;
        const int x = chroma ? left >> desc->log2_chroma_w : left;
        picture->data[p] += static_cast<ptrdiff_t>(y) * picture->linesize[p] + x;
    }
    return true;
}

// Fills the borders around the inner area of a YUV picture with the pad colour.
bool PadPicture(AVFrame* picture, int top, int bottom, int left, int right, const int colour[3]) {
    const AVPixFmtDescriptor* desc =
        ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    if (!BytePlanar(desc) || PlaneCount(desc) < 3) {
        return false;
    }
    for (int p = 0; p < 3; ++p) {
        const bool chroma = IsChromaPlane(desc, p);
        const int sx = chroma ? desc->log2_chroma_w : 0;
        const int sy = chroma ? desc->log2_chroma_h : 0;
        const int width = PlaneWidth(desc, p, picture->width);
        const int height = PlaneHeight(desc, p, picture->height);
        const int t = top >> sy;
        const int b = height - (bottom >> sy);
        const int l = left >> sx;
        const int r = width - (right >> sx);
        const auto value = static_cast<uint8_t>(colour[p]);
        for (int y = 0; y < height; ++y) {
            uint8_t* line = picture->data[p] + static_cast<ptrdiff_t>(y) * picture->linesize[p];
            if (y < t || y >= b) {
                std::memset(line, value, static_cast<size_t>(width));
                continue;
            }
            std::memset(line, value, static_cast<size_t>(l));
            std::memset(line + r, value, static_cast<size_t>(width - r));
        }
    }
    return true;
}

// The planes of a picture with the inner area's top left corner as origin.
void InnerArea(const AVFrame* picture, int top, int left, uint8_t* data[4], int linesize[4]) {
    const AVPixFmtDescriptor* desc =
        ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    for (int p = 0; p < 4; ++p) {
        data[p] = picture->data[p];
        linesize[p] = picture->linesize[p];
        if (data[p] == nullptr || desc == nullptr) {
            continue;
        }
        const bool chroma = IsChromaPlane(desc, p);
        const int y = chroma ? top >> desc->log2_chroma_h : top;
        const int x = chroma ? left >> desc->log2_chroma_w : left;
        int step = 1;
        for (int c = 0; c < desc->nb_components; ++c) {
            if (desc->comp[c].plane == p) {
                step = desc->comp[c].step;
            }
        }
        data[p] += static_cast<ptrdiff_t>(y) * linesize[p] + static_cast<ptrdiff_t>(x) * step;
    }
}

void AllocatePicture(AVFrame* frame, int width, int height, int format, const char* failure) {
    ff::av_frame_unref(frame);
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (ff::av_frame_get_buffer(frame, 0) < 0) {
        throw FFmpegException(failure);
    }
}

void MakeWritable(AVFrame* frame) {
    if (const int error = ff::av_frame_make_writable(frame); error < 0) {
        throw LibraryCallFailed("av_frame_make_writable", error);
    }
}

// Unreferences a view of a picture when the picture's output is done.
struct TFrameViewRelease {
    AVFrame* View;
    ~TFrameViewRelease() {
        if (View != nullptr) {
            ff::av_frame_unref(View);
        }
    }
};

// Copies a picture of `format` into an area of another of the same format
// (as planes and line sizes); false for a format the copy cannot handle.
bool CopyIntoArea(const AVFrame* picture, int format, uint8_t* const area[4],
                  const int area_linesize[4]) {
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    if (!BytePlanar(desc)) {
        return false;
    }
    for (int p = 0; p < PlaneCount(desc); ++p) {
        const int w = PlaneWidth(desc, p, picture->width);
        const int h = PlaneHeight(desc, p, picture->height);
        for (int y = 0; y < h; ++y) {
            std::memcpy(area[p] + static_cast<ptrdiff_t>(y) * area_linesize[p],
                        picture->data[p] + static_cast<ptrdiff_t>(y) * picture->linesize[p],
                        static_cast<size_t>(w));
        }
    }
    return true;
}

// The picture lasts its packet's duration, or a frame at the stream's rate
// (microseconds; 0 when neither is known).
int64_t PictureDuration(const TTranscodeInputStream& ist, const AVFrame& picture) {
    const AVRational tb = ist.Stream->time_base;
    if (picture.pkt_duration > 0) {
        return ff::av_rescale_q(picture.pkt_duration, tb, kMicroseconds);
    }
    AVRational rate = ist.Stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) {
        rate = ist.Stream->r_frame_rate;
    }
    if (rate.num <= 0 || rate.den <= 0) {
        return 0;
    }
    const int64_t duration = static_cast<int64_t>(rate.den) * 1000000 / rate.num;
    return duration + duration * picture.repeat_pict / 2;
}

std::string PixelFormatName(int format) {
    const char* name = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
    return name != nullptr ? name : "none";
}

}  // namespace

// Builds one video filter graph: the buffer source, the filters appended in
// turn, then the user's filter text (or nothing) and the sink. A failed step
// leaves its text in Error().
class TVideoGraphBuilder {
public:
    explicit TVideoGraphBuilder(AVFilterGraph* graph) : graph_(graph) {}

    // The source of pictures described by `source_args`, and a sink that
    // gives the encoder's pixel format.
    bool AddEnds(const std::string& source_args, int encoder_pix_fmt) {
        int result = ff::avfilter_graph_create_filter(&source_, ff::avfilter_get_by_name("buffer"),
                                                      "src", source_args.c_str(), nullptr, graph_);
        if (result < 0) {
            return Failed("buffer", result);
        }
        result = ff::avfilter_graph_create_filter(&sink_, ff::avfilter_get_by_name("buffersink"),
                                                  "out", nullptr, nullptr, graph_);
        if (result < 0) {
            return Failed("buffersink", result);
        }
        const int formats[] = {encoder_pix_fmt};
        result = ff::av_opt_set_bin(sink_, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
                                    sizeof formats, AV_OPT_SEARCH_CHILDREN);
        if (result < 0) {
            return Failed("pix_fmts", result);
        }
        last_ = source_;
        return true;
    }

    bool Append(const char* name, const std::string& args) {
        AVFilterContext* filter = nullptr;
        int made = ff::avfilter_graph_create_filter(&filter, ff::avfilter_get_by_name(name), name,
                                                    args.c_str(), nullptr, graph_);
        if (made >= 0) {
            made = ff::avfilter_link(last_, 0, filter, 0);
        }
        if (made < 0) {
            return Failed(name, made);
        }
        last_ = filter;
        return true;
    }

    // The user's filters (empty: none) between the last filter and the sink,
    // then the graph's configuration.
    bool Finish(const std::string& filters, int scaler_flags) {
        if (!filters.empty()) {
            if (!ParseFilters(filters)) {
                return false;
            }
        } else if (const int result = ff::avfilter_link(last_, 0, sink_, 0); result < 0) {
            return Failed("avfilter_link", result);
        }
        if (!ReplaceLibraryText(graph_->scale_sws_opts, Format("flags=%d", scaler_flags).c_str())) {
            return Failed("av_strdup", AVERROR(ENOMEM));
        }
        if (const int result = ff::avfilter_graph_config(graph_, nullptr); result < 0) {
            return Failed("avfilter_graph_config", result);
        }
        return true;
    }

    AVFilterContext* Source() const { return source_; }
    AVFilterContext* Sink() const { return sink_; }
    const std::string& Error() const { return error_; }

private:
    bool ParseFilters(const std::string& filters) {
        FilterInOutPtr outputs(ff::avfilter_inout_alloc());
        FilterInOutPtr inputs(ff::avfilter_inout_alloc());
        if (!outputs || !inputs) {
            return Failed("avfilter_inout_alloc", AVERROR(ENOMEM));
        }
        outputs->name = ff::av_strdup("in");
        outputs->filter_ctx = last_;
        inputs->name = ff::av_strdup("out");
        inputs->filter_ctx = sink_;
        AVFilterInOut* open_inputs = inputs.release();
        AVFilterInOut* open_outputs = outputs.release();
        const int result = ff::avfilter_graph_parse_ptr(graph_, filters.c_str(), &open_inputs,
                                                        &open_outputs, nullptr);
        inputs.reset(open_inputs);
        outputs.reset(open_outputs);
        if (result < 0) {
            return Failed(filters.c_str(), result);
        }
        return true;
    }

    bool Failed(const char* step, int code) {
        error_ = AVErrorText(step, code);
        return false;
    }

    AVFilterGraph* graph_;
    std::string error_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    AVFilterContext* last_ = nullptr;
};

// ---------------------------------------------------------------------------
// Set-up

void TTranscoder::SetVideoEncoding(TTranscodeOutputStream& ost, TTranscodeInputStream& ist) {
    AVCodecContext* enc = EncoderOf(ost);
    const AVCodecContext* dec = ist.Codec;
    if (enc->pix_fmt == AV_PIX_FMT_NONE) {
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
    }
    const TEngineOptions& o = options_;
    ost.VideoCrop = o.CropTop + o.CropBottom + o.CropLeft + o.CropRight != 0 ? 1 : 0;
    if (ost.VideoCrop != 0) {
        ost.TopBand = ost.ConfiguredTopBand = o.CropTop;
        ost.BottomBand = ost.ConfiguredBottomBand = o.CropBottom;
        ost.LeftBand = ost.ConfiguredLeftBand = o.CropLeft;
        ost.RightBand = ost.ConfiguredRightBand = o.CropRight;
    }
    ost.VideoPad = o.PadTop + o.PadBottom + o.PadLeft + o.PadRight != 0 ? 1 : 0;
    if (ost.VideoPad != 0) {
        ost.PadTop = o.PadTop;
        ost.PadBottom = o.PadBottom;
        ost.PadLeft = o.PadLeft;
        ost.PadRight = o.PadRight;
    }
    const int cropped_w = dec->width - o.CropLeft - o.CropRight;
    const int cropped_h = dec->height - o.CropTop - o.CropBottom;
    ost.VideoResample = enc->width == cropped_w + o.PadLeft + o.PadRight &&
                                enc->height == cropped_h + o.PadTop + o.PadBottom &&
                                enc->pix_fmt == dec->pix_fmt
                            ? 0
                            : 1;
    ost.ResampleHeight = cropped_h;
    ost.ResampleWidth = cropped_w;
    ost.ResamplePixFmt = dec->pix_fmt;
    ist.DecodingNeeded = 1;
    ost.EncodingNeeded = 1;

    if (o.UseFilters) {
        // The graph crops and scales; the output size is what it gives.
        context_.SetLastErrorText({});
        if (ConfigureFilters(ost, dec->width, dec->height, dec->pix_fmt, dec->sample_aspect_ratio,
                             true) < 0) {
            const std::string& why = context_.LastErrorText();
            throw FFmpegException(why.empty() ? std::string("Error opening filters!")
                                              : "Error opening filters: " + why);
        }
    } else if (ost.VideoResample != 0) {
        const int64_t flags = context_.ScalerFlags();
        ost.ScaleContext.reset(ff::sws_getCachedContext(
            nullptr, cropped_w, cropped_h, dec->pix_fmt, enc->width - o.PadLeft - o.PadRight,
            enc->height - o.PadTop - o.PadBottom, enc->pix_fmt, static_cast<int>(flags), nullptr,
            nullptr, nullptr));
        if (!ost.ScaleContext) {
            throw FFmpegException("Cannot get resampling context");
        }
        ost.FirstFrameHeight = dec->height;
        ost.FirstFrameWidth = dec->width;
    }
    if (ost.VideoResample != 0) {
        enc->bits_per_raw_sample = 0;
    }
    const bool scaled_here = ost.VideoResample != 0 && !o.UseFilters;
    if (ost.VideoPad != 0 || scaled_here) {
        ost.TempPicture.reset(ff::av_frame_alloc());
        if (!ost.TempPicture) {
            throw std::bad_alloc();
        }
        AllocatePicture(
            ost.TempPicture.get(), enc->width, enc->height, enc->pix_fmt,
            scaled_here ? "Cannot allocate temp picture, check pix fmt" : "avpicture_alloc fail");
    }
}

void TTranscoder::SetSubtitleEncoding(TTranscodeOutputStream& ost, TTranscodeInputStream& ist) {
    AVCodecContext* enc = EncoderOf(ost);
    if (OwnsStream(ost)) {
        // Bitmap encoders place their pictures in the source's frame.
        if (enc->width == 0 || enc->height == 0) {
            enc->width = ist.Codec->width;
            enc->height = ist.Codec->height;
        }
        // Display times are kept in microseconds until the muxer's time base.
        enc->time_base = kMicroseconds;
    }
    ist.DecodingNeeded = 1;
    ost.EncodingNeeded = 1;
}

void TTranscoder::TakeSubtitleHeader(TTranscodeOutputStream& ost) {
    AVCodecContext* enc = EncoderOf(ost);
    if (enc->subtitle_header != nullptr) {
        return;
    }
    const TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(ost.SourceIndex)];
    const AVCodec* codec = context_.InputCodec(ForcedDecoderIndex(ist));
    if (codec == nullptr) {
        codec = ff::avcodec_find_decoder(ist.Codec->codec_id);
    }
    if (codec == nullptr) {
        return;  // set-up says so when it opens the decoders
    }
    // The decoders open after the encoders: a decoder of its own says which
    // header its subtitles are written for.
    OpenedCodecContextPtr probe(ff::avcodec_alloc_context3(codec));
    if (!probe || ff::avcodec_parameters_to_context(probe.get(), ist.Stream->codecpar) < 0) {
        return;
    }
    int opened = 0;
    {
        AVCodecLock lock;
        opened = ff::avcodec_open2(probe.get(), codec, nullptr);
    }
    if (opened < 0 || probe->subtitle_header == nullptr || probe->subtitle_header_size <= 0) {
        return;
    }
    const auto size = static_cast<size_t>(probe->subtitle_header_size);
    auto* header = static_cast<uint8_t*>(ff::av_mallocz(size + 1));
    if (header == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(header, probe->subtitle_header, size);
    enc->subtitle_header = header;
    enc->subtitle_header_size = probe->subtitle_header_size;
}

int TTranscoder::ConfigureFilters(TTranscodeOutputStream& ost, int width, int height, int pix_fmt,
                                  AVRational aspect, bool at_set_up) {
    ost.FilterInput = nullptr;
    ost.FilterOutput = nullptr;
    ost.FilterGraph.reset(ff::avfilter_graph_alloc());
    if (!ost.FilterGraph) {
        return -1;
    }
    TVideoGraphBuilder graph(ost.FilterGraph.get());
    if (!BuildVideoGraph(graph, ost, width, height, pix_fmt, aspect)) {
        context_.SetLastErrorText(graph.Error());
        return -1;
    }
    if (!TakeFilteredSize(ost, graph.Sink(), at_set_up)) {
        return -1;
    }
    ost.FilterInput = graph.Source();
    ost.FilterOutput = graph.Sink();
    ost.FilterWidth = width;
    ost.FilterHeight = height;
    ost.FilterPixFmt = pix_fmt;
    return 0;
}

bool TTranscoder::BuildVideoGraph(TVideoGraphBuilder& graph, const TTranscodeOutputStream& ost,
                                  int width, int height, int pix_fmt, AVRational aspect) const {
    const AVCodecContext* enc = EncoderOf(ost);
    const auto flags = static_cast<int>(context_.ScalerFlags());
    if (!graph.AddEnds(Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=%d/%d",
                              width, height, pix_fmt, aspect.num, aspect.den > 0 ? aspect.den : 1),
                       enc->pix_fmt)) {
        return false;
    }
    const int cropped_w = width - ost.ConfiguredLeftBand - ost.ConfiguredRightBand;
    const int cropped_h = height - ost.ConfiguredTopBand - ost.ConfiguredBottomBand;
    if (ost.VideoCrop != 0 &&
        !graph.Append("crop", Format("w=%d:h=%d:x=%d:y=%d", cropped_w, cropped_h,
                                     ost.ConfiguredLeftBand, ost.ConfiguredTopBand))) {
        return false;
    }
    const int inner_w = enc->width - ost.PadLeft - ost.PadRight;
    const int inner_h = enc->height - ost.PadTop - ost.PadBottom;
    if ((cropped_w != inner_w || cropped_h != inner_h) &&
        !graph.Append("scale", Format("w=%d:h=%d:flags=%d", inner_w, inner_h, flags))) {
        return false;
    }
    return graph.Finish(options_.VideoFilters, flags);
}

bool TTranscoder::TakeFilteredSize(TTranscodeOutputStream& ost, const AVFilterContext* sink,
                                   bool at_set_up) {
    AVCodecContext* enc = EncoderOf(ost);
    const int out_w = ff::av_buffersink_get_w(sink) + ost.PadLeft + ost.PadRight;
    const int out_h = ff::av_buffersink_get_h(sink) + ost.PadTop + ost.PadBottom;
    if (at_set_up) {
        enc->width = out_w;
        enc->height = out_h;
    } else if (out_w != enc->width || out_h != enc->height) {
        context_.SetLastErrorText(Format("the filters give %dx%d pictures for an output of %dx%d",
                                         out_w, out_h, enc->width, enc->height));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Decoding

int TTranscoder::DecodeVideo(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet) {
    const AVRational tb = ist.Stream->time_base;
    const TStageResult result =
        DecodePacket(ist.Codec, packet, decoded_.get(), [&](AVFrame& picture) {
            ist.Quality = picture.quality;
            ist.Pts = ist.NextPts;
            if (picture.best_effort_timestamp != AV_NOPTS_VALUE) {
                ist.Pts = ff::av_rescale_q(picture.best_effort_timestamp, tb, kMicroseconds);
            }
            ist.NextPts = ist.Pts + PictureDuration(ist, picture);
            DistributePicture(ist, ist_index, &picture);
            return true;
        });
    return result.Failed() ? -1 : 0;
}

int TTranscoder::DecodeSubtitle(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet) {
    if (packet == nullptr) {
        return 0;  // subtitle decoders hold nothing back
    }
    SubtitlePtr sub(new AVSubtitle{});
    int got = 0;
    // The decoder reads the packet only; the libraries' prototype is not const.
    if (ff::avcodec_decode_subtitle2(ist.Codec, sub.get(), &got, const_cast<AVPacket*>(packet)) <
        0) {
        return -1;
    }
    if (got == 0) {
        return 0;
    }
    if (options_.RateEmu) {
        EmulateRate(ist);
    }
    if (options_.StartTime != 0 && ist.Pts < options_.StartTime) {
        return 0;
    }
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.SourceIndex == ist_index && ost.EncodingNeeded != 0) {
            DoSubtitleOut(OutputFileOf(ost), ost, ist, sub.get(), packet->pts);
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Pre-processing

AVFrame* TTranscoder::PreProcessVideoFrame(TTranscodeInputStream& ist, AVFrame* picture) {
    ++hook_frame_count_;
    const bool custom = custom_hook_on_ && context_.HasCustomHook();
    const bool vhook = vhook_on_ && options_.UsingVHook && !context_.FrameHooks().Empty();
    if (!options_.Deinterlace && !custom && !vhook) {
        return picture;
    }
    AVFrame* work = HookBufferFor(picture);
    if (work == nullptr) {
        Log(llError, "hook buf malloc error.");
        return picture;
    }
    bool deinterlaced = false;
    if (options_.Deinterlace) {
        deinterlaced = Deinterlace(work, picture);
        if (!deinterlaced) {
            Log(llError, "Deinterlacing failed.");
        }
    }
    // The decoder may still refer to its picture: the hooks work on a copy.
    if (!deinterlaced && ff::av_frame_copy(work, picture) < 0) {
        Log(llError, "hook buf malloc error.");
        return picture;
    }
    ff::av_frame_copy_props(work, picture);
    if (custom) {
        DoCustomHook(work, ist.Pts);
    } else if (vhook) {
        V2MHookPicture hooked{};
        for (int p = 0; p < 4; ++p) {
            hooked.data[p] = work->data[p];
            hooked.linesize[p] = work->linesize[p];
        }
        ProcessFrameHooks(context_.FrameHooks(), &hooked, work->format, work->width, work->height,
                          ist.Pts);
    }
    return work;
}

AVFrame* TTranscoder::HookBufferFor(const AVFrame* picture) {
    if (!hook_buffer_) {
        hook_buffer_.reset(ff::av_frame_alloc());
    }
    AVFrame* work = hook_buffer_.get();
    if (work == nullptr) {
        return nullptr;
    }
    bool ready = false;
    if (work->width != picture->width || work->height != picture->height ||
        work->format != picture->format || work->buf[0] == nullptr) {
        ff::av_frame_unref(work);
        work->width = picture->width;
        work->height = picture->height;
        work->format = picture->format;
        ready = ff::av_frame_get_buffer(work, 0) >= 0;
    } else {
        ready = ff::av_frame_make_writable(work) >= 0;
    }
    return ready ? work : nullptr;
}

void TTranscoder::DoCustomHook(AVFrame* picture, int64_t pts) {
    const auto format = static_cast<AVPixelFormat>(picture->format);
    bool update = true;
    bool stop = false;
    if (!PictureToBitmap(hook_converter_, picture->data, picture->linesize, format, picture->height,
                         picture->width)) {
        Log(llError, "Cannot initialize the toRGB conversion context");
        stop = true;
    } else {
        try {
            context_.CustomHook(hook_converter_.Bitmap.get(), hook_frame_count_, pts, update, stop);
        } catch (const std::exception& error) {
            Log(llError, std::string("Error occurs OnCustomHook: ") + error.what());
            update = false;
        }
        if (update && !BitmapToPicture(hook_converter_, picture->data, picture->linesize, format,
                                       picture->height, picture->width)) {
            Log(llError, "Cannot initialize the fromRGB conversion context");
            stop = true;
        }
    }
    if (stop) {
        custom_hook_on_ = false;
        vhook_on_ = false;
    }
}

// ---------------------------------------------------------------------------
// Distribution and output

void TTranscoder::DistributePicture(TTranscodeInputStream& ist, int ist_index, AVFrame* picture) {
    AVFrame* work = PreProcessVideoFrame(ist, picture);
    if (options_.RateEmu) {
        EmulateRate(ist);
    }
    if (options_.StartTime != 0 && ist.Pts < options_.StartTime) {
        return;
    }
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.SourceIndex != ist_index || ost.EncodingNeeded == 0) {
            continue;
        }
        AVFormatContext* os = OutputFileOf(ost);
        if (ost.FilterGraph) {
            FilterVideo(os, ost, ist, work);
        } else {
            OutputVideo(os, ost, ist, work);
        }
    }
}

void TTranscoder::FilterVideo(AVFormatContext* os, TTranscodeOutputStream& ost,
                              TTranscodeInputStream& ist, AVFrame* picture) {
    const int64_t pts = ist.Pts;
    if (picture != nullptr) {
        // A new picture size needs a graph made for it before the picture goes in.
        if (picture->width != ost.FilterWidth || picture->height != ost.FilterHeight ||
            picture->format != ost.FilterPixFmt) {
            Log(llQuiet, Format("Input Stream #%d.%d frame size changed to %dx%d, %s",
                                ist.FileIndex, ist.StreamIndex, picture->width, picture->height,
                                PixelFormatName(picture->format).c_str()));
            FilterVideo(os, ost, ist, nullptr);
            context_.SetLastErrorText({});
            if (ConfigureFilters(ost, picture->width, picture->height, picture->format,
                                 picture->sample_aspect_ratio, false) < 0) {
                throw FFmpegException(
                    Format("Cannot filter the new picture size of input stream #%d.%d: %s",
                           ist.FileIndex, ist.StreamIndex, context_.LastErrorText().c_str()));
            }
        }
        if (!filter_in_) {
            filter_in_.reset(ff::av_frame_alloc());
        }
        if (!filter_in_ || ff::av_frame_ref(filter_in_.get(), picture) < 0) {
            throw std::bad_alloc();
        }
        filter_in_->pts = pts;
        if (const int error = ff::av_buffersrc_add_frame(ost.FilterInput, filter_in_.get());
            error < 0) {
            ff::av_frame_unref(filter_in_.get());
            throw LibraryCallFailed("av_buffersrc_add_frame", error);
        }
    } else if (ost.FilterInput != nullptr) {
        // The end of the input: the graph gives out what it still holds.
        if (const int error = ff::av_buffersrc_add_frame(ost.FilterInput, nullptr); error < 0) {
            throw LibraryCallFailed("av_buffersrc_add_frame", error);
        }
    }
    if (!filtered_picture_) {
        filtered_picture_.reset(ff::av_frame_alloc());
    }
    AVFrame* filtered = filtered_picture_.get();
    while (ost.FilterOutput != nullptr &&
           ff::av_buffersink_get_frame(ost.FilterOutput, filtered) >= 0) {
        if (filtered->pts != AV_NOPTS_VALUE) {
            ist.Pts = filtered->pts;
        }
        OutputVideo(os, ost, ist, filtered);
        ff::av_frame_unref(filtered);
    }
    ist.Pts = pts;
}

void TTranscoder::OutputVideo(AVFormatContext* os, TTranscodeOutputStream& ost,
                              TTranscodeInputStream& ist, AVFrame* picture) {
    int frame_size = 0;
    DoVideoOut(os, ost, ist, picture, frame_size);
    if (options_.VStatsFileName && frame_size > 0) {
        context_.DoVideoStats(os, ost, frame_size);
    }
}

int TTranscoder::FramesToEncode(AVFormatContext* os, TTranscodeOutputStream& ost) {
    const AVCodecContext* enc = EncoderOf(ost);
    const double sync_ipts = static_cast<double>(ost.SyncInput->Pts - options_.StartTime) /
                             1000000.0 / av_q2d(enc->time_base);
    int nb_frames = 1;
    const int method = options_.VideoSyncMethod;
    if (method == 0) {
        ost.SyncOpts = std::llround(sync_ipts);
    } else {
        const double vdelta = sync_ipts - static_cast<double>(ost.SyncOpts);
        const bool variable =
            method == 2 || (method < 0 && (os->oformat->flags & AVFMT_VARIABLE_FPS) != 0);
        if (vdelta < -1.1) {
            nb_frames = 0;
        } else if (variable) {
            if (vdelta <= -0.6) {
                nb_frames = 0;
            } else if (vdelta > 0.6) {
                ost.SyncOpts = std::llround(sync_ipts);
            }
        } else if (vdelta > 1.1) {
            nb_frames = static_cast<int>(std::llround(vdelta));
        }
        if (nb_frames == 0) {
            ++state_.FramesDrop;
            state_.DupDropChanged = true;
            if (options_.Verbose > 2) {
                Log(llVerbose, "*** drop!");
            }
        } else if (nb_frames > 1) {
            state_.FramesDup += nb_frames - 1;
            state_.DupDropChanged = true;
            if (options_.Verbose > 2) {
                Log(llVerbose, Format("*** %d dup!", nb_frames - 1));
            }
        }
    }
    const int64_t left =
        static_cast<int64_t>(options_.MaxFrames[mfVideo]) - static_cast<int64_t>(ost.FrameNumber);
    return static_cast<int>(std::min<int64_t>(nb_frames, left));
}

void TTranscoder::FollowPictureSize(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                                    const AVFrame* picture) {
    const int height = picture->height - ost.TopBand - ost.BottomBand;
    const int width = picture->width - ost.LeftBand - ost.RightBand;
    if (height == ost.ResampleHeight && width == ost.ResampleWidth &&
        picture->format == ost.ResamplePixFmt) {
        return;
    }
    Log(llQuiet, Format("Input Stream #%d.%d frame size changed to %dx%d, %s", ist.FileIndex,
                        ist.StreamIndex, picture->width, picture->height,
                        PixelFormatName(picture->format).c_str()));
    if (ost.VideoResample == 0 || !ost.ScaleContext) {
        throw FFmpegException(
            Format("Input stream #%d.%d changed its picture size, which an output without "
                   "scaling cannot follow",
                   ist.FileIndex, ist.StreamIndex));
    }
    // The crop bands keep their share of the picture, on even lines and columns.
    auto share = [](int size, int band, int first) {
        return first > 0 ? (size * band / first) & ~1 : band;
    };
    ost.TopBand = share(picture->height, ost.ConfiguredTopBand, ost.FirstFrameHeight);
    ost.BottomBand = share(picture->height, ost.ConfiguredBottomBand, ost.FirstFrameHeight);
    ost.LeftBand = share(picture->width, ost.ConfiguredLeftBand, ost.FirstFrameWidth);
    ost.RightBand = share(picture->width, ost.ConfiguredRightBand, ost.FirstFrameWidth);
    ost.ResampleHeight = picture->height - ost.TopBand - ost.BottomBand;
    ost.ResampleWidth = picture->width - ost.LeftBand - ost.RightBand;
    ost.ResamplePixFmt = picture->format;
    const AVCodecContext* enc = EncoderOf(ost);
    const int64_t flags = context_.ScalerFlags();
    ost.ScaleContext.reset(ff::sws_getCachedContext(
        nullptr, ost.ResampleWidth, ost.ResampleHeight,
        static_cast<AVPixelFormat>(ost.ResamplePixFmt), enc->width - ost.PadLeft - ost.PadRight,
        enc->height - ost.PadTop - ost.PadBottom, enc->pix_fmt, static_cast<int>(flags), nullptr,
        nullptr, nullptr));
    if (!ost.ScaleContext) {
        throw FFmpegException("Cannot get resampling context");
    }
}

void TTranscoder::SkipOrFail(const char* message) {
    if (options_.ExitOnError) {
        throw FFmpegException(message);
    }
    Log(llError, message);
}

void TTranscoder::DoVideoOut(AVFormatContext* os, TTranscodeOutputStream& ost,
                             TTranscodeInputStream& ist, AVFrame* picture, int& frame_size) {
    frame_size = 0;
    const int nb_frames = FramesToEncode(os, ost);
    if (nb_frames <= 0) {
        return;
    }
    const bool filtered = static_cast<bool>(ost.FilterGraph);
    if (!filtered) {
        FollowPictureSize(ost, ist, picture);
    }
    // The picture seen through the crop bands.
    AVFrame* final_picture = picture;
    if (!filtered && ost.VideoCrop != 0) {
        final_picture = CropView(ost, picture);
        if (final_picture == nullptr) {
            return;
        }
    }
    const TFrameViewRelease release{final_picture == picture ? nullptr : final_picture};
    const bool scaled = !filtered && ost.VideoResample != 0;
    if (scaled || ost.VideoPad != 0) {
        final_picture = ScaleAndPad(ost, final_picture, scaled);
        if (final_picture == nullptr) {
            return;
        }
    }
    EncodeCopies(os, ost, ist, picture, final_picture, nb_frames, frame_size);
}

AVFrame* TTranscoder::CropView(const TTranscodeOutputStream& ost, const AVFrame* picture) {
    if (!crop_view_) {
        crop_view_.reset(ff::av_frame_alloc());
    }
    if (!crop_view_ || ff::av_frame_ref(crop_view_.get(), picture) < 0) {
        throw std::bad_alloc();
    }
    if (!CropPicture(crop_view_.get(), ost.TopBand, ost.LeftBand)) {
        ff::av_frame_unref(crop_view_.get());
        SkipOrFail("error cropping picture");
        return nullptr;
    }
    crop_view_->width = ost.ResampleWidth;
    crop_view_->height = ost.ResampleHeight;
    return crop_view_.get();
}

AVFrame* TTranscoder::ScaleAndPad(TTranscodeOutputStream& ost, const AVFrame* picture,
                                  bool scaled) {
    AVFrame* temp = ost.TempPicture.get();
    MakeWritable(temp);
    uint8_t* inner[4];
    int inner_linesize[4];
    InnerArea(temp, ost.PadTop, ost.PadLeft, inner, inner_linesize);
    if (scaled) {
        ff::sws_scale(ost.ScaleContext.get(), picture->data, picture->linesize, 0,
                      ost.ResampleHeight, inner, inner_linesize);
    } else if (!CopyIntoArea(picture, temp->format, inner, inner_linesize)) {
        // Padding alone: the picture goes into the inner area as it is.
        SkipOrFail("error padding picture");
        return nullptr;
    }
    if (ost.VideoPad != 0) {
        const int colour[3] = {options_.PadColorY, options_.PadColorU, options_.PadColorV};
        if (!PadPicture(temp, ost.PadTop, ost.PadBottom, ost.PadLeft, ost.PadRight, colour)) {
            SkipOrFail("error padding picture");
            return nullptr;
        }
    }
    return temp;
}

void TTranscoder::EncodeCopies(AVFormatContext* os, TTranscodeOutputStream& ost,
                               const TTranscodeInputStream& ist, const AVFrame* picture,
                               const AVFrame* final_picture, int nb_frames, int& frame_size) {
    const AVCodecContext* enc = EncoderOf(ost);
    if (!video_frame_) {
        video_frame_.reset(ff::av_frame_alloc());
    }
    AVFrame* frame = video_frame_.get();
    for (int i = 0; i < nb_frames && !context_.StopRequested(); ++i) {
        if (frame == nullptr || ff::av_frame_ref(frame, final_picture) < 0) {
            throw std::bad_alloc();
        }
        frame->interlaced_frame = picture->interlaced_frame;
        if ((enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME)) != 0) {
            frame->top_field_first =
                options_.TopFieldFirst == -1 ? picture->top_field_first : options_.TopFieldFirst;
        }
        const float quality =
            options_.SameQuality ? static_cast<float>(ist.Quality) : ost.Output->Quality;
        frame->quality = static_cast<int>(std::lround(quality));
        if (options_.MeThreshold == 0) {
            frame->pict_type = AV_PICTURE_TYPE_NONE;
        }
        frame->pts = ost.SyncOpts;
        frame->sample_aspect_ratio = enc->sample_aspect_ratio;
        const int written = EncodeVideo(os, ost, frame);
        ff::av_frame_unref(frame);
        if (written > 0) {
            frame_size = written;
        }
        ++ost.SyncOpts;
        ++ost.FrameNumber;
    }
}

int TTranscoder::EncodeVideo(AVFormatContext* os, TTranscodeOutputStream& ost,
                             const AVFrame* frame) {
    AVCodecContext* enc = EncoderOf(ost);
    int bytes = 0;
    const TStageResult result = EncodeFrame(enc, frame, out_packet_.get(), [&](AVPacket& packet) {
        RecordCodedFrame(*ost.Output, &packet);
        bytes += packet.size;
        state_.VideoSize += packet.size;
        if (ost.LogFile && enc->stats_out != nullptr) {
            ff::fputs(enc->stats_out, ost.LogFile.get());
        }
        if (frame != nullptr && context_.PreviewFlags() != 0) {
            PreviewHook(frame, enc, packet.pts);
        }
        packet.stream_index = ost.StreamIndex;
        WriteFrame(os, &packet, enc, ChainOf(ost), ost);
    });
    if (result.Failed()) {
        throw FFmpegException("Video encoding failed");
    }
    return bytes;
}

void TTranscoder::FlushVideo(AVFormatContext* os, TTranscodeOutputStream& ost,
                             TTranscodeInputStream& ist) {
    if (ost.FilterGraph) {
        FilterVideo(os, ost, ist, nullptr);
    }
    EncodeVideo(os, ost, nullptr);
}

// ---------------------------------------------------------------------------
// Preview

void TTranscoder::PreviewHook(const AVFrame* picture, const AVCodecContext* enc, int64_t pts) {
    const int64_t now = EngineClock();
    if (now - last_preview_time_ <= kPreviewInterval) {
        return;
    }
    // The flags are read under the lock, but the main thread is never waited
    // for while holding it: setting Preview there takes the same lock.
    uint8_t flags = 0;
    std::shared_ptr<TPreviewer> window;
    {
        std::lock_guard lock(PreviewLock());
        flags = context_.PreviewFlags();
        if ((flags & kPreviewBitmapFlag) == 0 && (flags & kPreviewWindowFlag) != 0) {
            window = context_.PreviewWindow();
        }
    }
    if (flags == 0) {
        return;
    }
    last_preview_time_ = now;
    const int64_t time = pts != AV_NOPTS_VALUE
                             ? ff::av_rescale_q(pts, enc->time_base, kMicroseconds)
                             : AV_NOPTS_VALUE;
    const bool converted = PictureToBitmap(preview_converter_, picture->data, picture->linesize,
                                           enc->pix_fmt, enc->height, enc->width);
    if (!converted) {
        Log(llError, "Cannot initialize the toRGB conversion context");
    }
    uint8_t cleared = 0;
    if ((flags & kPreviewBitmapFlag) != 0) {
        if (converted) {
            context_.PreviewBitmap(preview_converter_.Bitmap.get(), hook_frame_count_, time);
        } else {
            cleared = kPreviewBitmapFlag;
        }
    } else if (window) {
        if (!converted || !window->ShowFrame(*preview_converter_.Bitmap, hook_frame_count_, time)) {
            cleared = kPreviewWindowFlag;
        }
    }
    window.reset();
    if (cleared != 0) {
        // The window goes on the main thread, after the lock is let go.
        std::shared_ptr<TPreviewer> closing;
        {
            std::lock_guard lock(PreviewLock());
            closing = context_.StorePreviewFlags(
                static_cast<uint8_t>(context_.PreviewFlags() & ~cleared));
        }
    }
}

// ---------------------------------------------------------------------------
// Subtitles

void TTranscoder::DoSubtitleOut(AVFormatContext* os, TTranscodeOutputStream& ost,
                                const TTranscodeInputStream& ist, const AVSubtitle* sub,
                                int64_t pts) {
    if (pts == AV_NOPTS_VALUE) {
        SkipOrFail("Subtitle packets must have a pts");
        return;
    }
    if (subtitle_buffer_.empty()) {
        subtitle_buffer_.resize(kSubtitleBufferSize);
    }
    AVCodecContext* enc = EncoderOf(ost);
    const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    const int passes = dvb ? 2 : 1;
    const int64_t start_us = ff::av_rescale_q(pts, ist.Stream->time_base, kMicroseconds) +
                             static_cast<int64_t>(sub->start_display_time) * 1000;
    for (int i = 0; i < passes; ++i) {
        AVSubtitle copy = *sub;
        copy.pts = start_us;
        copy.end_display_time -= copy.start_display_time;
        copy.start_display_time = 0;
        // The end packet of a DVB subtitle clears the page: no rectangles.
        if (i == 1) {
            copy.num_rects = 0;
            copy.rects = nullptr;
        }
        const int size = ff::avcodec_encode_subtitle(
            enc, subtitle_buffer_.data(), static_cast<int>(subtitle_buffer_.size()), &copy);
        if (size < 0) {
            throw FFmpegException("Subtitle encoding failed");
        }
        AVPacket* packet = out_packet_.get();
        if (const int error = ff::av_new_packet(packet, size); error < 0) {
            throw LibraryCallFailed("av_new_packet", error);
        }
        std::memcpy(packet->data, subtitle_buffer_.data(), static_cast<size_t>(size));
        packet->stream_index = ost.StreamIndex;
        // In the encoder's microseconds: the muxer's 90 kHz ticks of the
        // display times are 1000 microseconds per millisecond.
        int64_t at = ff::av_rescale_q(start_us, kMicroseconds, enc->time_base);
        if (dvb) {
            const uint32_t shown = i == 0 ? 0 : copy.end_display_time;
            at +=
                ff::av_rescale_q(static_cast<int64_t>(shown) * 1000, kMicroseconds, enc->time_base);
        } else {
            packet->duration = ff::av_rescale_q(static_cast<int64_t>(copy.end_display_time) * 1000,
                                                kMicroseconds, enc->time_base);
        }
        packet->pts = at;
        packet->dts = at;
        WriteFrame(os, packet, enc, ChainOf(ost), ost);
        ff::av_packet_unref(packet);
    }
    ++ost.FrameNumber;
}

}  // namespace v2m::engine
