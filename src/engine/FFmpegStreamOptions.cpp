// Options that describe one video, audio or subtitle stream. Their values stay
// pending until an input is opened or a stream is created.

#include <cstdlib>

#include "FFmpeg.h"
#include "OptionParser.h"
#include "Format.h"
#include "OptionValues.h"

namespace v2m::engine {

namespace {

constexpr const char* kVerticalCropMessage =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
constexpr const char* kHorizontalCropMessage =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";

// Full-range luma and chroma weights in 10-bit fixed point: round(c x 1024 + 0.5)
// of the single-precision coefficient, ties to even.
constexpr int kYR = 307;    // 0.299
constexpr int kYG = 602;    // 0.587
constexpr int kYB = 117;    // 0.114
constexpr int kUR = 173;    // 0.16874
constexpr int kUG = 340;    // 0.33126
constexpr int kHalf = 512;  // 0.5
constexpr int kVG = 429;    // 0.41869
constexpr int kVB = 84;     // 0.08131

// A crop band of n lines or columns off the picture's extent; negative n
// changes nothing, a band that leaves no picture fails.
void CropBand(int32_t n, int32_t& band, int32_t& extent, const char* message) {
    if (n < 0) {
        return;
    }
    if (n >= extent) {
        throw FFmpegException(message);
    }
    band = n;
    extent -= n;
}

const char* MediaKind(AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return "video";
        case AVMEDIA_TYPE_AUDIO:
            return "audio";
        default:
            return "subtitle";
    }
}

}  // namespace

void TOptionParser::SetBitRateOption(const std::string& name, const std::string& value) {
    if (name.empty() || value.empty()) {
        return;
    }
    if (!SetGenericOption(name, value)) {
        return;
    }
    AVCodecContext* codec_template =
        option_contexts_->Codecs[name[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO].get();
    int64_t bit_rate = 0;
    ff::av_opt_get_int(codec_template, "b", 0, &bit_rate);
    if (bit_rate < 1000) {
        Log(llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not "
            "kbits/s");
    }
}

void TOptionParser::SetFrameRate(const std::string& text) {
    if (text.empty()) {
        return;
    }
    AVRational rate{0, 0};
    if (ff::av_parse_video_rate(&rate, text.c_str()) < 0) {
        throw FFmpegException("Incorrect frame rate");
    }
    options_.FrameRate = rate;
}

void TOptionParser::SetFrameSize(const std::string& text) {
    if (text.empty()) {
        return;
    }
    int width = 0;
    int height = 0;
    if (ff::av_parse_video_size(&width, &height, text.c_str()) < 0) {
        throw FFmpegException("Incorrect frame size");
    }
    options_.FrameWidth = width;
    options_.FrameHeight = height;
}

void TOptionParser::SetAspect(const std::string& text) {
    if (text.empty()) {
        return;
    }
    double ratio = 0.0;
    if (const size_t colon = text.find(':'); colon != std::string::npos) {
        const int32_t width = TryStrToInt(std::string_view(text).substr(0, colon)).value_or(0);
        const int32_t height = TryStrToInt(std::string_view(text).substr(colon + 1)).value_or(0);
        if (height > 0) {
            ratio = static_cast<double>(width) / height;
        }
    } else {
        ratio = TryStrToFloat(text).value_or(0.0);
    }
    if (ratio == 0.0) {
        throw FFmpegException("Incorrect aspect ratio specification.");
    }
    options_.FrameAspectRatio = static_cast<float>(ratio);
}

void TOptionParser::ListFormats(bool pixel_formats) {
    // One line per format the library knows, after its header line (format -1).
    char line[128];
    for (int format = -1;; ++format) {
        if (pixel_formats) {
            if (format >= 0 &&
                ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format)) == nullptr) {
                break;
            }
            ff::av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(format));
        } else {
            if (format >= 0 &&
                ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(format)) == nullptr) {
                break;
            }
            ff::av_get_sample_fmt_string(line, sizeof line, static_cast<AVSampleFormat>(format));
        }
        Log(llInfo, TrimBlanks(line));
    }
}

void TOptionParser::SetPixelFormatOption(const std::string& value) {
    if (value == "list") {
        ListFormats(true);
        return;
    }
    const AVPixelFormat format = ff::av_get_pix_fmt(value.c_str());
    if (format == AV_PIX_FMT_NONE) {
        throw FFmpegException(Format("Unknown pixel format requested: %s", value.c_str()));
    }
    options_.FramePixFmt = format;
}

void TOptionParser::SetSampleFormatOption(const std::string& value) {
    if (value == "list") {
        ListFormats(false);
        return;
    }
    // Unknown names store "none"; the stream's encoder then chooses.
    options_.AudioSampleFmt = ff::av_get_sample_fmt(value.c_str());
}

void TOptionParser::SetCropTop(int32_t n) {
    CropBand(n, options_.CropTop, options_.FrameHeight, kVerticalCropMessage);
}

void TOptionParser::SetCropBottom(int32_t n) {
    CropBand(n, options_.CropBottom, options_.FrameHeight, kVerticalCropMessage);
}

void TOptionParser::SetCropLeft(int32_t n) {
    CropBand(n, options_.CropLeft, options_.FrameWidth, kHorizontalCropMessage);
}

void TOptionParser::SetCropRight(int32_t n) {
    CropBand(n, options_.CropRight, options_.FrameWidth, kHorizontalCropMessage);
}

void TOptionParser::SetPadColor(int32_t colour) {
    const int r = colour & 0xFF;
    const int g = (colour >> 8) & 0xFF;
    const int b = (colour >> 16) & 0xFF;
    // Right shifts of negative values round towards minus infinity.
    options_.PadColorY = (kYR * r + kYG * g + kYB * b + 512) >> 10;
    options_.PadColorU = ((-kUR * r - kUG * g + kHalf * b + 511) >> 10) + 128;
    options_.PadColorV = ((kHalf * r - kVG * g - kVB * b + 511) >> 10) + 128;
}

void TOptionParser::SetQScaleOption(double value) {
    if (!(value > 0.0) || value > 255.0) {
        throw FFmpegException("qscale must be > 0.0 and <= 255");
    }
    options_.VideoQScale = static_cast<float>(value);
}

void TOptionParser::SetCodecName(AVMediaType type, const std::string& value) {
    if (value.empty()) {
        return;
    }
    std::string* name = &options_.SubtitleCodecName;
    bool* copy = &options_.SubtitleStreamCopy;
    if (type == AVMEDIA_TYPE_VIDEO) {
        name = &options_.VideoCodecName;
        copy = &options_.VideoStreamCopy;
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        name = &options_.AudioCodecName;
        copy = &options_.AudioStreamCopy;
    }
    name->clear();
    // A later name does not clear copy mode: the next stream of the type is copied.
    if (value == "copy") {
        *copy = true;
    } else {
        *name = value;
    }
}

void TOptionParser::SetCodecTag(AVMediaType type, const std::string& value) {
    if (value.empty()) {
        return;
    }
    // A user's value, not a programming error: reported as any bad option value.
    if (value.size() != 4) {
        throw FFmpegException(
            Format("%s tag parameter must be 4 chars: \"%s\"", MediaKind(type), value.c_str()));
    }
    // The first character in the lowest byte.
    uint32_t tag = 0;
    for (int i = 3; i >= 0; --i) {
        tag = (tag << 8) | static_cast<unsigned char>(value[static_cast<size_t>(i)]);
    }
    if (type == AVMEDIA_TYPE_VIDEO) {
        options_.VideoCodecTag = tag;
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        options_.AudioCodecTag = tag;
    } else {
        options_.SubtitleCodecTag = tag;
    }
}

void TOptionParser::SetMatrixOption(std::optional<TQuantMatrix>& matrix, const std::string& value) {
    matrix.emplace();  // zeroed, whether new or reused
    const char* cursor = value.c_str();
    for (int i = 0; i < 64; ++i) {
        char* end = nullptr;
        (*matrix)[static_cast<size_t>(i)] = static_cast<uint16_t>(std::strtol(cursor, &end, 10));
        if (i == 63) {
            break;  // whatever follows the last coefficient is ignored
        }
        if (*end != ',') {
            throw FFmpegException(
                Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
        }
        cursor = end + 1;
    }
}

void TOptionParser::AddBitstreamFilter(AVMediaType type, const std::string& value) {
    if (value.empty() || value[0] == '=') {
        return;
    }
    // Arguments after "=" are not passed on.
    const std::string name = value.substr(0, value.find('='));
    const AVBitStreamFilter* filter = ff::av_bsf_get_by_name(name.c_str());
    if (filter == nullptr) {
        throw FFmpegException(Format("Unknown bitstream filter %s", TrimBlanks(value).c_str()));
    }
    AVBSFContext* context = nullptr;
    if (const int error = ff::av_bsf_alloc(filter, &context); error < 0) {
        throw LibraryCallFailed("av_bsf_alloc", error);
    }
    engine::BitstreamFilterPtr owned(context);
    TBitstreamFilterChain& chain = type == AVMEDIA_TYPE_VIDEO   ? options_.VideoBitstreamFilters
                                   : type == AVMEDIA_TYPE_AUDIO ? options_.AudioBitstreamFilters
                                                                : options_.SubtitleBitstreamFilters;
    chain.push_back(std::move(owned));
}

}  // namespace v2m::engine
