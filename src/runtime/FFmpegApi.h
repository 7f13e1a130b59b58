#pragma once
// Entry-point slots of the media libraries and the C runtime. Every call into
// those libraries goes through a slot in namespace ff, bound by the loader at
// run time; nothing links against the libraries themselves.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/avutil.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/base64.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace v2m {

// Whether a missing name fails the binding of its library.
enum EntryNeed : bool { kOptional = false, kRequired = true };

}  // namespace v2m

namespace ff {

#define V2M_FUNCTION(name, need) inline decltype(&::name) name = nullptr;
#define V2M_VARIABLE(name, need) inline decltype(&::name) name = nullptr;
#include "entries/avcodec.inc"
#include "entries/avdevice.inc"
#include "entries/avfilter.inc"
#include "entries/avformat.inc"
#include "entries/avutil.inc"
#include "entries/crt.inc"
#include "entries/swresample.inc"
#include "entries/swscale.inc"
#undef V2M_FUNCTION
#undef V2M_VARIABLE

}  // namespace ff
