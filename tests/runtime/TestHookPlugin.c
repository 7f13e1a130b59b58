/*
 * Video hooks for the hook chain's tests, built in several shapes from this one
 * file: HOOK_CONFIGURE, HOOK_CONFIGURE_FAILS, HOOK_PROCESS. Each shape counts
 * what was done to it; the test reads the counts through TestHookStats.
 */

#include <stdint.h>
#include <stdlib.h>

#include "VideoHookPlugin.h"

typedef struct TestHookStats_ {
    int loads;
    int configures;
    int processes;
    int releases;
    int last_argc;
    int last_slot;
    int64_t last_pts;
    int order[16]; /* the context id of each Process call */
} TestHookStatsData;

static TestHookStatsData stats;

__attribute__((constructor)) static void Loaded(void) {
    ++stats.loads;
}

const TestHookStatsData* TestHookStats(void) {
    return &stats;
}

typedef struct Context {
    int id;
} Context;

#ifdef HOOK_CONFIGURE
int Configure(void** context, int argc, char* argv[], int last_slot) {
    (void)argv;
    Context* c = malloc(sizeof(Context));
    if (c == NULL) {
        return -1;
    }
    c->id = ++stats.configures;
    stats.last_argc = argc;
    stats.last_slot = last_slot;
    *context = c;
#ifdef HOOK_CONFIGURE_FAILS
    return 1;
#else
    return 0;
#endif
}
#endif

#ifdef HOOK_PROCESS
void Process(void* context, V2MHookPicture* picture, int pix_fmt, int width, int height,
             int64_t pts) {
    (void)pix_fmt;
    (void)width;
    (void)height;
    const Context* c = context;
    stats.order[stats.processes % 16] = c != NULL ? c->id : 0;
    ++stats.processes;
    stats.last_pts = pts;
    /* A trace in the picture: the first byte counts the hooks it went through. */
    picture->data[0][0] += 1;
}
#endif

void Release(void* context) {
    ++stats.releases;
    free(context);
}
