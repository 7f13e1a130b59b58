/*
 * A video hook that stamps each picture's time into a black box:
 *
 *     vhook=<program folder>/hooks/libv2m_timestamp_box.so -x 8 -y 8 -s 2
 *
 * -x and -y place the box's top left corner (8, 8 unless given), -s sets the
 * size of the digits (2 unless given, 1 to 8). YUV 4:2:0 and 24-bit RGB/BGR
 * pictures are stamped; pictures of other formats pass untouched.
 */

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "VideoHookPlugin.h"

#define EXPORT __attribute__((visibility("default")))

enum { kGlyphWidth = 3, kGlyphHeight = 5, kPadding = 3 };

typedef struct Options {
    int x;
    int y;
    int scale;
} Options;

/* Rows of each glyph, three bits a row, leftmost bit first. */
static const uint8_t* Glyph(char c) {
    static const uint8_t digits[10][kGlyphHeight] = {
        {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
        {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
    static const uint8_t colon[kGlyphHeight] = {0, 2, 0, 2, 0};
    static const uint8_t dot[kGlyphHeight] = {0, 0, 0, 0, 2};
    static const uint8_t dash[kGlyphHeight] = {0, 0, 7, 0, 0};
    if (c >= '0' && c <= '9') {
        return digits[c - '0'];
    }
    return c == ':' ? colon : c == '.' ? dot : dash;
}

static void TimeText(int64_t pts, char* text, size_t size) {
    if (pts < 0) {
        snprintf(text, size, "--:--:--.---");
        return;
    }
    const int64_t ms = pts / 1000;
    snprintf(text, size, "%02d:%02d:%02d.%03d", (int)(ms / 3600000 % 100), (int)(ms / 60000 % 60),
             (int)(ms / 1000 % 60), (int)(ms % 1000));
}

/* Whether the box's pixel (bx, by) belongs to a stroke of the text. */
static int IsInk(const char* text, int scale, int bx, int by) {
    const int gx = bx - kPadding * scale;
    const int gy = by - kPadding * scale;
    const int cell = (kGlyphWidth + 1) * scale;
    if (gx < 0 || gy < 0 || gy >= kGlyphHeight * scale) {
        return 0;
    }
    const size_t index = (size_t)(gx / cell);
    if (index >= strlen(text) || gx % cell >= kGlyphWidth * scale) {
        return 0;
    }
    const int column = gx % cell / scale;
    const int row = gy / scale;
    return (Glyph(text[index])[row] >> (kGlyphWidth - 1 - column)) & 1;
}

static void StampPlane(uint8_t* plane, int linesize, int width, int height, int pixel_bytes,
                       const Options* o, const char* text, int box_w, int box_h,
                       const uint8_t* paper, const uint8_t* ink) {
    for (int by = 0; by < box_h; ++by) {
        const int y = o->y + by;
        if (y < 0 || y >= height) {
            continue;
        }
        for (int bx = 0; bx < box_w; ++bx) {
            const int x = o->x + bx;
            if (x < 0 || x >= width) {
                continue;
            }
            const uint8_t* colour = IsInk(text, o->scale, bx, by) ? ink : paper;
            memcpy(plane + (ptrdiff_t)y * linesize + (ptrdiff_t)x * pixel_bytes, colour,
                   (size_t)pixel_bytes);
        }
    }
}

/* The chroma of the box's area, neutral so the box is grey to black. */
static void Neutralise(uint8_t* plane, int linesize, int width, int height, const Options* o,
                       int box_w, int box_h) {
    for (int y = o->y / 2; y <= (o->y + box_h - 1) / 2; ++y) {
        if (y < 0 || y >= (height + 1) / 2) {
            continue;
        }
        for (int x = o->x / 2; x <= (o->x + box_w - 1) / 2; ++x) {
            if (x >= 0 && x < (width + 1) / 2) {
                plane[(ptrdiff_t)y * linesize + x] = 128;
            }
        }
    }
}

static int ParseNumber(const char* text, int low, int high, int* value) {
    char* end = NULL;
    const long number = text != NULL ? strtol(text, &end, 10) : 0;
    if (text == NULL || *text == '\0' || *end != '\0' || number < low || number > high) {
        return -1;
    }
    *value = (int)number;
    return 0;
}

EXPORT int Configure(void** context, int argc, char* argv[], int last_slot) {
    Options* o = calloc(1, sizeof(Options));
    if (o == NULL) {
        return -1;
    }
    o->x = 8;
    o->y = 8;
    o->scale = 2;
    *context = o;
    for (int i = 1; i < argc && i < last_slot; i += 2) {
        const char* name = argv[i];
        const char* value = argv[i + 1];
        int* target = strcmp(name, "-x") == 0   ? &o->x
                      : strcmp(name, "-y") == 0 ? &o->y
                      : strcmp(name, "-s") == 0 ? &o->scale
                                                : NULL;
        const int low = target == &o->scale ? 1 : 0;
        const int high = target == &o->scale ? 8 : 100000;
        if (target == NULL || ParseNumber(value, low, high, target) != 0) {
            fprintf(stderr, "%s: unknown option or bad value: %s\n", argv[0], name);
            return -1;
        }
    }
    return 0;
}

EXPORT void Process(void* context, V2MHookPicture* picture, int pix_fmt, int width, int height,
                    int64_t pts) {
    const Options* o = context;
    if (o == NULL || picture == NULL) {
        return;
    }
    char text[32];
    TimeText(pts, text, sizeof text);
    const int box_w =
        (int)strlen(text) * (kGlyphWidth + 1) * o->scale + (2 * kPadding - 1) * o->scale;
    const int box_h = (kGlyphHeight + 2 * kPadding) * o->scale;
    switch (pix_fmt) {
        case V2M_HOOK_PIX_FMT_YUV420P:
        case V2M_HOOK_PIX_FMT_YUVJ420P: {
            const uint8_t paper = pix_fmt == V2M_HOOK_PIX_FMT_YUVJ420P ? 0 : 16;
            const uint8_t ink = pix_fmt == V2M_HOOK_PIX_FMT_YUVJ420P ? 255 : 235;
            StampPlane(picture->data[0], picture->linesize[0], width, height, 1, o, text, box_w,
                       box_h, &paper, &ink);
            Neutralise(picture->data[1], picture->linesize[1], width, height, o, box_w, box_h);
            Neutralise(picture->data[2], picture->linesize[2], width, height, o, box_w, box_h);
            break;
        }
        case V2M_HOOK_PIX_FMT_RGB24:
        case V2M_HOOK_PIX_FMT_BGR24: {
            static const uint8_t paper[3] = {0, 0, 0};
            static const uint8_t ink[3] = {255, 255, 255};
            StampPlane(picture->data[0], picture->linesize[0], width, height, 3, o, text, box_w,
                       box_h, paper, ink);
            break;
        }
        default:
            break;
    }
}

EXPORT void Release(void* context) {
    free(context);
}
