#ifndef V2M_VIDEO_HOOK_PLUGIN_H
#define V2M_VIDEO_HOOK_PLUGIN_H
/*
 * The interface a video hook plug-in implements. A plug-in is a shared object
 * that exports these C functions by name; the converter loads it by absolute
 * path and calls it on the conversion's worker thread with every decoded
 * picture, before the picture is scaled and encoded.
 *
 * Plain C, no library headers needed: pixel formats are the numbers of the
 * media libraries this program ships with (V2M_HOOK_PIX_FMT_* below).
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A picture as the libraries lay it out: up to four planes with their line
 * sizes in bytes. The plug-in may change the pixels in place. */
typedef struct V2MHookPicture {
    uint8_t* data[4];
    int linesize[4];
} V2MHookPicture;

/* Pixel formats a plug-in is most likely to meet. */
enum {
    V2M_HOOK_PIX_FMT_YUV420P = 0,
    V2M_HOOK_PIX_FMT_RGB24 = 2,
    V2M_HOOK_PIX_FMT_BGR24 = 3,
    V2M_HOOK_PIX_FMT_YUV422P = 4,
    V2M_HOOK_PIX_FMT_YUV444P = 5,
    V2M_HOOK_PIX_FMT_YUVJ420P = 12
};

/* Called once per hook entry. argv[0] is the plug-in's own file name, the
 * options follow; argv has last_slot + 1 slots, null after the last argument.
 * The plug-in keeps its state in *context. Returns 0 on success. Required when
 * the hook is given arguments. */
typedef int (*V2MHookConfigure)(void** context, int argc, char* argv[], int last_slot);

/* Called with every picture; pts is in microseconds. Required. */
typedef void (*V2MHookProcess)(void* context, V2MHookPicture* picture, int pix_fmt, int width,
                               int height, int64_t pts);

/* Frees what Configure made. Optional. */
typedef void (*V2MHookRelease)(void* context);

#ifdef __cplusplus
}
#endif

#endif
