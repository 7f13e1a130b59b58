// What the viewer sees: pictures drawn through SDL into the host's window
// (or handed to the host as bitmaps), subtitles blended in, the sound drawn as
// a waveform or spectrum for files without pictures, and the host's hook on
// every picture. Everything here but the hook runs on the play thread.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "PlayerContext.h"

namespace v2m {

namespace {

// Remainder that is never negative, for indexes into the sample ring.
int64_t Wrap(int64_t value, int64_t size) {
    const int64_t r = value % size;
    return r < 0 ? r + size : r;
}

int RoundEven(double value) {
    return static_cast<int>(std::nearbyint(value)) & ~1;
}

struct TPlanes {
    uint8_t* Data[3];
    int Pitch[3];
};

// Blends one bitmap subtitle rectangle, its palette already in studio-range
// YUVA, into 4:2:0 planes. Chroma takes the average of the covered luma
// positions' colours and alphas, so the weight never leaves 0..255.
void BlendRect(const TPlanes& planes, int width, int height, const AVSubtitleRect& rect) {
    if (rect.type != SUBTITLE_BITMAP || rect.data[0] == nullptr || rect.data[1] == nullptr) {
        return;
    }
    const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
    const int x0 = std::clamp(rect.x, 0, width);
    const int y0 = std::clamp(rect.y, 0, height);
    const int x1 = std::clamp(rect.x + rect.w, 0, width);
    const int y1 = std::clamp(rect.y + rect.h, 0, height);
    auto colour = [&](int x, int y) {
        return palette[rect.data[0][(y - rect.y) * rect.linesize[0] + (x - rect.x)]];
    };
    for (int y = y0; y < y1; ++y) {
        uint8_t* luma = planes.Data[0] + static_cast<ptrdiff_t>(y) * planes.Pitch[0];
        for (int x = x0; x < x1; ++x) {
            const uint32_t c = colour(x, y);
            const int a = static_cast<int>(c >> 24);
            const int y_of_c = static_cast<int>((c >> 16) & 0xff);
            luma[x] = static_cast<uint8_t>((luma[x] * (255 - a) + y_of_c * a) / 255);
        }
    }
    for (int cy = y0 / 2; cy * 2 < y1; ++cy) {
        for (int cx = x0 / 2; cx * 2 < x1; ++cx) {
            int alpha = 0;
            int u = 0;
            int v = 0;
            int covered = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const int x = cx * 2 + dx;
                    const int y = cy * 2 + dy;
                    if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                        continue;
                    }
                    const uint32_t c = colour(x, y);
                    const int a = static_cast<int>(c >> 24);
                    alpha += a;
                    u += static_cast<int>((c >> 8) & 0xff) * a;
                    v += static_cast<int>(c & 0xff) * a;
                    ++covered;
                }
            }
            if (covered == 0 || alpha == 0) {
                continue;
            }
            const int a = alpha / covered;
            uint8_t* pu = planes.Data[1] + static_cast<ptrdiff_t>(cy) * planes.Pitch[1] + cx;
            uint8_t* pv = planes.Data[2] + static_cast<ptrdiff_t>(cy) * planes.Pitch[2] + cx;
            *pu = static_cast<uint8_t>((*pu * (255 - a) + (u / alpha) * a) / 255);
            *pv = static_cast<uint8_t>((*pv * (255 - a) + (v / alpha) * a) / 255);
        }
    }
}

// The subtitle due with the picture at pts, blended in.
void BlendSubtitles(TPlayContext& is, const TPlanes& planes, int width, int height, double pts) {
    if (is.Subtitle.Index.load() < 0) {
        return;
    }
    std::lock_guard lock(is.SubtitleMutex);
    if (is.SubtitleCount == 0) {
        return;
    }
    const TQueuedSubtitle& oldest = is.Subtitles[is.SubtitleRead];
    if (!oldest.Subtitle || pts < oldest.Pts + oldest.Subtitle->start_display_time / 1000.0) {
        return;
    }
    for (unsigned i = 0; i < oldest.Subtitle->num_rects; ++i) {
        BlendRect(planes, width, height, *oldest.Subtitle->rects[i]);
    }
}

// Where the picture goes in the display: its shape kept (or the one asked
// for), centred, as large as fits.
SDL_Rect PictureRect(TPlayContext& is, const TQueuedPicture& picture) {
    const TDisplay& d = is.Display;
    double aspect = is.Player->AspectRatio();
    if (aspect >= 0.0 || d.Width <= 0 || d.Height <= 0) {
        if (aspect <= 0.0) {
            double sar = av_q2d(picture.SampleAspect);
            if (sar <= 0.0) {
                sar = 1.0;
            }
            aspect = sar * picture.Width / std::max(picture.Height, 1);
        }
    } else {
        aspect = static_cast<double>(d.Width) / d.Height;
    }
    int height = d.Height;
    int width = RoundEven(height * aspect);
    if (width > d.Width) {
        width = d.Width;
        height = RoundEven(width / aspect);
    }
    return SDL_Rect{(d.Width - width) / 2, (d.Height - height) / 2, width, height};
}

void ReleaseRenderer(TDisplay& d) {
    d.Picture.reset();
    d.Canvas.reset();
    d.Renderer.reset();
    // A window made from the host's is only forgotten, never destroyed.
    d.Window.reset();
    d.PictureWidth = d.PictureHeight = 0;
    d.HasPicture = false;
}

void Present(TPlayContext& is) {
    TDisplay& d = is.Display;
    if (is.BitmapOutput) {
        if (d.Bitmap) {
            is.Host->DeliverPicture(d.Bitmap);
        }
        return;
    }
    if (!d.Renderer) {
        return;
    }
    SDL_Renderer* renderer = d.Renderer.get();
    ff::SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    ff::SDL_RenderClear(renderer);
    if (d.ShowingCanvas && d.Canvas) {
        ff::SDL_RenderCopy(renderer, d.Canvas.get(), nullptr, nullptr);
    } else if (d.HasPicture && d.Picture) {
        ff::SDL_RenderCopy(renderer, d.Picture.get(), nullptr, &d.PictureRect);
    }
    ff::SDL_RenderPresent(renderer);
}

// Copies a 4:2:0 picture into planes of the same size; negative line sizes
// (a picture turned upside down) are followed as they are.
void CopyPlanes(const AVFrame* frame, const TPlanes& to, int width, int height) {
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? height : height / 2;
        const int bytes = plane == 0 ? width : width / 2;
        for (int y = 0; y < rows; ++y) {
            std::memcpy(to.Data[plane] + static_cast<ptrdiff_t>(y) * to.Pitch[plane],
                        frame->data[plane] + static_cast<ptrdiff_t>(y) * frame->linesize[plane],
                        static_cast<size_t>(bytes));
        }
    }
}

void ShowPicture(TPlayContext& is, const TQueuedPicture& picture) {
    TDisplay& d = is.Display;
    if (&picture != &d.Last) {
        d.Last.Frame.reset(ff::av_frame_clone(picture.Frame.get()));
        d.Last.Pts = picture.Pts;
        d.Last.Pos = picture.Pos;
        d.Last.Width = picture.Width;
        d.Last.Height = picture.Height;
        d.Last.SampleAspect = picture.SampleAspect;
    }
    const SDL_Rect rect = PictureRect(is, picture);
    if (is.BitmapOutput) {
        auto bitmap = std::make_shared<TBitmap24>(d.Width, d.Height);
        FramePtr copy(ff::av_frame_clone(picture.Frame.get()));
        if (!copy || rect.w <= 0 || rect.h <= 0) {
            return;
        }
        if (is.Subtitle.Index.load() >= 0 && ff::av_frame_make_writable(copy.get()) >= 0) {
            BlendSubtitles(is,
                           TPlanes{{copy->data[0], copy->data[1], copy->data[2]},
                                   {copy->linesize[0], copy->linesize[1], copy->linesize[2]}},
                           picture.Width, picture.Height, picture.Pts);
        }
        d.ToBitmap.reset(ff::sws_getCachedContext(
            d.ToBitmap.release(), picture.Width, picture.Height, AV_PIX_FMT_YUV420P, rect.w, rect.h,
            AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!d.ToBitmap) {
            return;
        }
        uint8_t* target[4] = {bitmap->Row(rect.y) + rect.x * 3, nullptr, nullptr, nullptr};
        const int pitch[4] = {bitmap->RowBytes(), 0, 0, 0};
        ff::sws_scale(d.ToBitmap.get(), copy->data, copy->linesize, 0, picture.Height, target,
                      pitch);
        d.Bitmap = std::move(bitmap);
        d.HasPicture = true;
        return;
    }
    if (d.Renderer == nullptr) {
        return;
    }
    if (!d.Picture || d.PictureWidth != picture.Width || d.PictureHeight != picture.Height) {
        d.Picture.reset(ff::SDL_CreateTexture(d.Renderer.get(), SDL_PIXELFORMAT_IYUV,
                                              SDL_TEXTUREACCESS_STREAMING, picture.Width,
                                              picture.Height));
        d.PictureWidth = picture.Width;
        d.PictureHeight = picture.Height;
        if (!d.Picture) {
            return;  // no room for it: this picture is not shown
        }
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (ff::SDL_LockTexture(d.Picture.get(), nullptr, &pixels, &pitch) != 0) {
        return;
    }
    auto* y = static_cast<uint8_t*>(pixels);
    uint8_t* u = y + static_cast<ptrdiff_t>(pitch) * picture.Height;
    uint8_t* v = u + static_cast<ptrdiff_t>(pitch / 2) * (picture.Height / 2);
    const TPlanes planes{{y, u, v}, {pitch, pitch / 2, pitch / 2}};
    CopyPlanes(picture.Frame.get(), planes, picture.Width, picture.Height);
    BlendSubtitles(is, planes, picture.Width, picture.Height, picture.Pts);
    ff::SDL_UnlockTexture(d.Picture.get());
    d.PictureRect = rect;
    d.HasPicture = true;
}

// ---------------------------------------------------------------------------
// The sound drawn

uint32_t Pixel(int r, int g, int b) {
    return 0xff000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
           static_cast<uint32_t>(b);
}

// The canvas pixel at x, row; the caller keeps both inside the display.
uint32_t& CanvasPixel(TDisplay& d, int x, int row) {
    return d.CanvasPixels[static_cast<size_t>(row) * static_cast<size_t>(d.Width) +
                          static_cast<size_t>(x)];
}

void VerticalLine(TDisplay& d, int x, int y, int length) {
    for (int row = y; row < y + length; ++row) {
        if (x >= 0 && x < d.Width && row >= 0 && row < d.Height) {
            CanvasPixel(d, x, row) = Pixel(255, 255, 255);
        }
    }
}

void DrawWaveform(TPlayContext& is, int64_t start, int channels) {
    TDisplay& d = is.Display;
    std::fill(d.CanvasPixels.begin(), d.CanvasPixels.end(), Pixel(0, 0, 0));
    const int band = d.Height / channels;
    const int64_t ring = kVisualisationSamples;
    for (int ch = 0; ch < channels; ++ch) {
        const int middle = ch * band + band / 2;
        for (int x = 0; x < d.Width; ++x) {
            const int64_t at = Wrap(start + static_cast<int64_t>(x) * channels + ch, ring);
            const int s = is.Audio.Visualisation[static_cast<size_t>(at)];
            const int length = std::abs(((band * 9 / 20) * s) >> 15);
            VerticalLine(d, x, s > 0 ? middle : middle - length, length);
        }
    }
    for (int ch = 1; ch < channels; ++ch) {
        const int row = ch * band;
        for (int x = 0; x < d.Width && row < d.Height; ++x) {
            CanvasPixel(d, x, row) = Pixel(255, 255, 255);
        }
    }
}

void DrawSpectrumColumn(TPlayContext& is, int64_t start, int channels, int bits) {
    TDisplay& d = is.Display;
    const int frequencies = 1 << (bits - 1);
    const int length = 2 * frequencies;
    if (!d.Tx || d.TxBits != bits) {
        d.Tx.reset();
        const float scale = 1.0f;
        AVTXContext* made = nullptr;
        if (ff::av_tx_init(&made, &d.TxFunction, AV_TX_FLOAT_RDFT, 0, length, &scale,
                           AV_TX_UNALIGNED) < 0) {
            return;
        }
        d.Tx.reset(made);
        d.TxBits = bits;
    }
    const int used = std::min(channels, 2);
    std::vector<float>& input = d.TxInput;
    std::vector<std::vector<AVComplexFloat>>& output = d.TxOutput;
    input.resize(static_cast<size_t>(length));
    output.resize(static_cast<size_t>(used));
    for (auto& bins : output) {
        bins.resize(static_cast<size_t>(frequencies) + 1);
    }
    for (int ch = 0; ch < used; ++ch) {
        for (int i = 0; i < length; ++i) {
            const double w = static_cast<double>(i - frequencies) / frequencies;
            const int64_t at = Wrap(start + static_cast<int64_t>(i) * channels + ch,
                                    static_cast<int64_t>(kVisualisationSamples));
            input[static_cast<size_t>(i)] =
                static_cast<float>(is.Audio.Visualisation[static_cast<size_t>(at)] * (1.0 - w * w));
        }
        d.TxFunction(d.Tx.get(), output[static_cast<size_t>(ch)].data(), input.data(),
                     sizeof(float));
    }
    const double weight = 1.0 / std::sqrt(static_cast<double>(frequencies));
    const int x = d.NextColumn % std::max(d.Width, 1);
    for (int y = 0; y < d.Height && y < frequencies; ++y) {
        auto level = [&](int ch) {
            const AVComplexFloat& bin = output[static_cast<size_t>(ch)][static_cast<size_t>(y)];
            const double magnitude = std::sqrt(static_cast<double>(bin.re) * bin.re +
                                               static_cast<double>(bin.im) * bin.im);
            return std::min(255, static_cast<int>(std::sqrt(weight * magnitude)));
        };
        const int a = level(0);
        const int b = used > 1 ? level(1) : 0;
        const int row = d.Height - 1 - y;
        CanvasPixel(d, x, row) = Pixel(a, b, (a + b) / 2);
    }
    d.NextColumn = (x + 1) % std::max(d.Width, 1);
}

// Start where the wave crosses zero falling most steeply, so that a steady
// tone stands still on the screen.
int64_t SteadyWaveStart(const TPlayContext& is, int64_t start, int channels) {
    const int64_t ring = kVisualisationSamples;
    int64_t best = start;
    int best_score = INT32_MIN;
    for (int i = 0; i < 1000; i += channels) {
        const int64_t at = Wrap(start - i, ring);
        const int a = is.Audio.Visualisation[static_cast<size_t>(at)];
        const int b = is.Audio.Visualisation[static_cast<size_t>(Wrap(at + 4 * channels, ring))];
        const int c = is.Audio.Visualisation[static_cast<size_t>(Wrap(at + 5 * channels, ring))];
        const int dd = is.Audio.Visualisation[static_cast<size_t>(Wrap(at + 9 * channels, ring))];
        const int score = a - dd;
        if (score > best_score && (b ^ c) < 0) {
            best_score = score;
            best = at;
        }
    }
    return best;
}

// The samples shown are the ones being heard now: the ring's write position
// less what still waits in the device.
int64_t AudibleStart(const TPlayContext& is, int channels, bool spectrum, int frequencies) {
    const TDisplay& d = is.Display;
    const int64_t rate = std::max(is.Audio.DeviceFormat.freq, 1);
    const int unplayed = std::max(0, is.Audio.BlockSize.load() - is.Audio.BlockIndex.load());
    int64_t delay = unplayed / (2 * channels);
    delay -= (NowMicroseconds() - is.AudioCallbackTime.load()) * rate / 1000000;
    const int64_t span = spectrum ? 2 * frequencies : d.Width;
    delay = std::max(delay + 2 * span, span);
    const int64_t ring = kVisualisationSamples;
    const int64_t start =
        Wrap(static_cast<int64_t>(is.Audio.VisualisationIndex.load()) - delay * channels, ring);
    return spectrum ? start : SteadyWaveStart(is, start, channels);
}

void CanvasToBitmap(TDisplay& d) {
    auto bitmap = std::make_shared<TBitmap24>(d.Width, d.Height);
    for (int row = 0; row < d.Height; ++row) {
        uint8_t* out = bitmap->Row(row);
        for (int x = 0; x < d.Width; ++x) {
            const uint32_t p = CanvasPixel(d, x, row);
            out[x * 3] = static_cast<uint8_t>(p);
            out[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            out[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    d.Bitmap = std::move(bitmap);
}

// The texture follows the window size; a texture that cannot be made leaves
// the canvas unshown rather than failing the display.
void UploadCanvas(TDisplay& d) {
    if (!d.Canvas || d.CanvasWidth != d.Width || d.CanvasHeight != d.Height) {
        d.Canvas.reset(ff::SDL_CreateTexture(d.Renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STREAMING, d.Width, d.Height));
        d.CanvasWidth = d.Width;
        d.CanvasHeight = d.Height;
    }
    if (d.Canvas) {
        ff::SDL_UpdateTexture(d.Canvas.get(), nullptr, d.CanvasPixels.data(),
                              d.Width * static_cast<int>(sizeof(uint32_t)));
    }
}

void DrawVisualisation(TPlayContext& is) {
    TDisplay& d = is.Display;
    const int channels = std::max<int>(is.Audio.DeviceFormat.channels, 1);
    if (d.Width <= 0 || d.Height <= 0) {
        return;
    }
    const size_t pixels = static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height);
    if (d.CanvasPixels.size() != pixels) {
        d.CanvasPixels.assign(pixels, Pixel(0, 0, 0));
        d.NextColumn = 0;
    }
    int bits = 1;
    while ((1 << bits) < 2 * d.Height) {
        ++bits;
    }
    const int frequencies = 1 << (bits - 1);
    const bool spectrum = is.ShowMode.load() == 2 && frequencies <= 4096;
    int64_t start = d.LastStart;
    if (!is.Paused.load()) {
        start = AudibleStart(is, channels, spectrum, frequencies);
        d.LastStart = start;
    }
    if (spectrum) {
        DrawSpectrumColumn(is, start, channels, bits);
    } else {
        DrawWaveform(is, start, channels);
    }
    d.ShowingCanvas = true;
    if (is.BitmapOutput) {
        CanvasToBitmap(d);
        return;
    }
    if (d.Renderer) {
        UploadCanvas(d);
    }
}

}  // namespace

bool OpenDisplay(TPlayContext& is, bool force) {
    TDisplay& d = is.Display;
    TCustomPlayer& player = *is.Player;
    int width;
    int height;
    if (is.Settings.FullScreen && is.ScreenModeWidth > 0) {
        width = is.ScreenModeWidth;
        height = is.ScreenModeHeight;
    } else if (player.ScreenWidth() > 0 && player.ScreenHeight() > 0) {
        width = player.ScreenWidth();
        height = player.ScreenHeight();
    } else if (is.LastPictureWidth.load() > 0) {
        width = is.LastPictureWidth.load() & ~1;
        height = is.LastPictureHeight.load() & ~1;
    } else {
        width = 640;
        height = 480;
    }
    const bool ready = is.BitmapOutput || d.Renderer;
    if (!force && ready && d.Width == width && d.Height == height) {
        return true;
    }
    if (is.BitmapOutput) {
        d.Width = width;
        d.Height = height;
        return true;
    }
    ReleaseRenderer(d);
    if (is.Window != 0) {
        d.Window.reset(ff::SDL_CreateWindowFrom(reinterpret_cast<const void*>(is.Window)));
        if (d.Window && player.ScreenWidth() <= 0) {
            // Without a size from the host the display takes its window's.
            ff::SDL_GetWindowSize(d.Window.get(), &width, &height);
            player.SetScreenWidth(width);
            player.SetScreenHeight(height);
        }
    } else {
        Uint32 flags = SDL_WINDOW_RESIZABLE;
        if (is.Settings.FullScreen) {
            flags |= SDL_WINDOW_FULLSCREEN;
        }
        d.Window.reset(ff::SDL_CreateWindow("FFPlayer", SDL_WINDOWPOS_UNDEFINED,
                                            SDL_WINDOWPOS_UNDEFINED, width, height, flags));
    }
    if (d.Window) {
        d.Renderer.reset(ff::SDL_CreateRenderer(d.Window.get(), -1, 0));
        if (!d.Renderer) {
            d.Renderer.reset(ff::SDL_CreateRenderer(d.Window.get(), -1, SDL_RENDERER_SOFTWARE));
        }
    }
    if (!d.Renderer) {
        ReleaseRenderer(d);
        is.Host->Report("SDL: could not set video mode.", false);
        return false;
    }
    d.Width = width;
    d.Height = height;
    return true;
}

void CloseDisplay(TPlayContext& is) {
    TDisplay& d = is.Display;
    ReleaseRenderer(d);
    d.Tx.reset();
    d.Bitmap.reset();
    d.Last.Frame.reset();
}

void Display(TPlayContext& is, bool upload) {
    if (is.DisableDisplay) {
        return;  // sound only: nothing is ever drawn
    }
    TDisplay& d = is.Display;
    if (!is.BitmapOutput && !d.Renderer && !OpenDisplay(is, false)) {
        return;
    }
    if (is.BitmapOutput && d.Width == 0) {
        OpenDisplay(is, false);
    }
    if (is.Audio.Index.load() >= 0 && is.ShowMode.load() != 0) {
        DrawVisualisation(is);
    } else if (is.Video.Index.load() >= 0) {
        bool shown = false;
        if (upload) {
            std::unique_lock lock(is.PictureMutex);
            const bool queued = is.PictureCount > 0;
            lock.unlock();
            // Only the play thread takes pictures off the queue: the slot stays.
            if (queued && is.Pictures[is.PictureRead].Frame) {
                ShowPicture(is, is.Pictures[is.PictureRead]);
                shown = true;
            }
        }
        if (!shown && !d.HasPicture && d.Last.Frame) {
            ShowPicture(is, d.Last);
        }
    }
    Present(is);
}

void ResizeDisplay(TPlayContext& is, int width, int height) {
    TCustomPlayer& player = *is.Player;
    player.SetScreenWidth(width);
    player.SetScreenHeight(height);
    OpenDisplay(is, true);
    is.Display.PictureRect = SDL_Rect{};
    if (is.Display.HasPicture || is.Display.ShowingCanvas) {
        // The texture went with the renderer: show the picture again.
        is.Display.HasPicture = false;
    }
}

// ---------------------------------------------------------------------------
// The hook

void RunHook(TPlayContext& is, FramePtr& frame, double pts) {
    THookEvent handler = is.Host->HookHandler();
    if (!handler || !is.Player->Hook()) {
        return;
    }
    THookBridge& bridge = is.Hook;
    const int width = frame->width;
    const int height = frame->height;
    if (bridge.Bitmap.Width() != width || bridge.Bitmap.Height() != height) {
        bridge.Bitmap.SetSize(width, height);
    }
    bridge.ToRgb.reset(ff::sws_getCachedContext(
        bridge.ToRgb.release(), width, height, static_cast<AVPixelFormat>(frame->format), width,
        height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!bridge.ToRgb) {
        FFLoggerInstance().Log(is.Player, llError,
                               "Cannot initialize the toRGB conversion context");
        return;
    }
    {
        uint8_t* rows[4] = {bridge.Bitmap.Bits(), nullptr, nullptr, nullptr};
        const int pitch[4] = {bridge.Bitmap.RowBytes(), 0, 0, 0};
        ff::sws_scale(bridge.ToRgb.get(), frame->data, frame->linesize, 0, height, rows, pitch);
    }
    const int64_t start = is.StartTime != AV_NOPTS_VALUE ? is.StartTime : 0;
    try {
        std::lock_guard lock(bridge.Bitmap);
        handler(is.Player, &bridge.Bitmap, std::llround(pts * 1e6) - start);
    } catch (const std::exception& error) {
        FFLoggerInstance().Log(is.Player, llError,
                               std::string("Error occurs OnHook: ") + error.what());
        return;
    }
    bridge.FromRgb.reset(ff::sws_getCachedContext(
        bridge.FromRgb.release(), width, height, AV_PIX_FMT_BGR24, width, height,
        AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    FramePtr drawn(ff::av_frame_alloc());
    if (!bridge.FromRgb || !drawn) {
        FFLoggerInstance().Log(is.Player, llError,
                               "Cannot initialize the fromRGB conversion context");
        return;
    }
    drawn->format = AV_PIX_FMT_YUV420P;
    drawn->width = width;
    drawn->height = height;
    if (ff::av_frame_get_buffer(drawn.get(), 0) < 0 ||
        ff::av_frame_copy_props(drawn.get(), frame.get()) < 0) {
        return;
    }
    const uint8_t* rows[4] = {bridge.Bitmap.Bits(), nullptr, nullptr, nullptr};
    const int pitch[4] = {bridge.Bitmap.RowBytes(), 0, 0, 0};
    ff::sws_scale(bridge.FromRgb.get(), rows, pitch, 0, height, drawn->data, drawn->linesize);
    frame = std::move(drawn);
}

}  // namespace v2m
