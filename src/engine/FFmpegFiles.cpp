#include "FFmpegFiles.h"

#include <algorithm>
#include <cmath>

namespace v2m::engine {

AVRational NearestSampleAspect(double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        return AVRational{0, 1};
    }
    // The scale keeps about 30 significant bits whatever the magnitude, so the
    // reduction starts from an exact enough fraction.
    const int exponent = std::max(static_cast<int>(std::floor(std::log2(std::fabs(value)))), 0);
    const int64_t scale = int64_t{1} << std::max(29 - exponent, 0);
    AVRational result{0, 1};
    ff::av_reduce(&result.num, &result.den, std::llround(value * static_cast<double>(scale)), scale,
                  255);
    return result;
}

AVRational SampleAspectFor(int width, int height, float aspect) {
    if (static_cast<int64_t>(width) * height != 0) {
        return NearestSampleAspect(static_cast<double>(height) * aspect / width);
    }
    return NearestSampleAspect(static_cast<double>(aspect) * 3.0 / 4.0);
}

int64_t MilliFrameRate(AVRational rate) {
    if (rate.num == 0 || rate.den == 0) {
        return 0;
    }
    // nearbyint rounds ties to even in the default rounding mode.
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(rate.num) * 1000.0 / rate.den));
}

bool ClassHasOption(const AVClass* option_class, const char* name) {
    if (option_class == nullptr) {
        return false;
    }
    return ff::av_opt_find(&option_class, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

std::string ChannelLayoutText(int channels) {
    AVChannelLayout layout{};
    ff::av_channel_layout_default(&layout, channels);
    char text[64] = {};
    ff::av_channel_layout_describe(&layout, text, sizeof text);
    ff::av_channel_layout_uninit(&layout);
    return text;
}

}  // namespace v2m::engine
