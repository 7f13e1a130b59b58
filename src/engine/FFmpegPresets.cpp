// The built-in x264 presets. Their names and meanings are those users know
// from the classic preset files; the keys are the ones the current x264
// encoder takes: its own options for weighted prediction ("weightb",
// "wpredp"), the 8x8 transform ("8x8dct"), mixed references ("mixed-refs"),
// fast P-skip ("fast-pskip"), direct prediction ("direct-pred"), partitions,
// the coder, the B-frame strategy, the scene-cut threshold and constant
// quantiser ("qp"), and the codec's common options for the rest.

#include "FFmpegPresets.h"

#include <algorithm>

#include "AsciiText.h"

namespace v2m::engine {

namespace {

// One speed setting: the analysis and reference settings that tell the
// presets apart, around the rate-control settings they share.
#define V2M_X264(coder, partitions, me, subq, me_range, b_strategy, bf, refs, direct, trellis, \
                 tail)                                                                         \
    "coder=" coder "\nflags=+loop\ncmp=+chroma\npartitions=" partitions "\nme_method=" me      \
    "\nsubq=" subq "\nme_range=" me_range                                                      \
    "\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\nb_strategy=" b_strategy          \
    "\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=" bf "\nrefs=" refs "\ndirect-pred=" direct    \
    "\ntrellis=" trellis "\n" tail

// Lossless: constant quantiser 0 with the analysis of the speed.
#define V2M_X264_LOSSLESS(coder, partitions, me, subq, me_range, refs, mixed_refs, dct8x8)         \
    "coder=" coder "\nflags=+loop\ncmp=+chroma\npartitions=" partitions "\nme_method=" me          \
    "\nsubq=" subq "\nme_range=" me_range                                                          \
    "\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nrefs=" refs \
    "\ndirect-pred=1\nmixed-refs=" mixed_refs "\n8x8dct=" dct8x8 "\nfast-pskip=1\nqp=0"

#define V2M_ALL_PARTITIONS "all"
#define V2M_PARTITIONS "i8x8,i4x4,p8x8,b8x8"
#define V2M_FULL_TAIL "mixed-refs=1\nweightb=1\n8x8dct=1\nfast-pskip=1\nwpredp=2"
// A first pass only gathers statistics: one reference, no sub-partitions, no
// 8x8 transform and the quickest motion search.
#define V2M_FIRST_PASS_TAIL "mixed-refs=0\nweightb=1\n8x8dct=0\nfast-pskip=1\nwpredp=2"

// The quickest setting: no deblocking, no B-frames, no analysis to speak of.
constexpr const char* kUltrafast =
    "coder=0\nx264-params=no-deblock=1\ncmp=+chroma\npartitions=none\nme_method=dia\nsubq=0\n"
    "me_range=16\ng=250\nkeyint_min=25\nsc_threshold=0\ni_qfactor=0.71\nb_strategy=0\n"
    "qcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=0\nrefs=1\ndirect-pred=1\ntrellis=0\n"
    "mixed-refs=0\nweightb=0\n8x8dct=0\nfast-pskip=1\nmbtree=0\nwpredp=0\naq-mode=0\n"
    "rc-lookahead=0";

constexpr TOptionsPreset kPresets[] = {
    {"libx264-baseline", "coder=0\nbf=0\nweightb=0\n8x8dct=0\nwpredp=0"},
    {"libx264-default",
     V2M_X264("1", V2M_PARTITIONS, "hex", "7", "16", "1", "3", "3", "1", "1", V2M_FULL_TAIL)},
    {"libx264-fast", V2M_X264("1", V2M_PARTITIONS, "hex", "6", "16", "1", "3", "2", "1", "1",
                              V2M_FULL_TAIL "\nrc-lookahead=30")},
    {"libx264-fast_firstpass", V2M_X264("1", "none", "dia", "2", "16", "1", "3", "1", "1", "0",
                                        V2M_FIRST_PASS_TAIL "\nrc-lookahead=30")},
    {"libx264-faster",
     V2M_X264("1", V2M_PARTITIONS, "hex", "4", "16", "1", "3", "2", "1", "1",
              "mixed-refs=0\nweightb=1\n8x8dct=1\nfast-pskip=1\nwpredp=1\nrc-lookahead=20")},
    {"libx264-faster_firstpass",
     V2M_X264("1", "none", "dia", "2", "16", "1", "3", "1", "1", "0",
              "mixed-refs=0\nweightb=1\n8x8dct=0\nfast-pskip=1\nwpredp=1\nrc-lookahead=20")},
    {"libx264-fastfirstpass",
     V2M_X264("1", "none", "dia", "2", "16", "1", "3", "1", "3", "0", V2M_FIRST_PASS_TAIL)},
    {"libx264-hq",
     V2M_X264("1", V2M_PARTITIONS, "umh", "8", "16", "1", "3", "4", "3", "1", V2M_FULL_TAIL)},
    {"libx264-ipod320",
     "coder=0\nbf=0\nweightb=0\n8x8dct=0\nlevel=13\nmaxrate=768000\nbufsize=3000000\nwpredp=0"},
    {"libx264-ipod640",
     "coder=0\nbf=0\nweightb=0\n8x8dct=0\nlevel=30\nmaxrate=10000000\nbufsize=10000000\n"
     "wpredp=0"},
    {"libx264-lossless_fast",
     V2M_X264_LOSSLESS("0", V2M_PARTITIONS, "hex", "3", "16", "2", "1", "1")},
    {"libx264-lossless_max",
     V2M_X264_LOSSLESS("1", V2M_ALL_PARTITIONS, "esa", "9", "64", "16", "1", "1")},
    {"libx264-lossless_medium",
     V2M_X264_LOSSLESS("1", V2M_PARTITIONS, "hex", "5", "16", "2", "1", "1")},
    {"libx264-lossless_slow",
     V2M_X264_LOSSLESS("1", V2M_ALL_PARTITIONS, "umh", "6", "16", "3", "1", "1")},
    {"libx264-lossless_slower",
     V2M_X264_LOSSLESS("1", V2M_ALL_PARTITIONS, "umh", "8", "16", "4", "1", "1")},
    {"libx264-lossless_ultrafast", V2M_X264_LOSSLESS("0", "none", "dia", "0", "16", "1", "0", "0")},
    {"libx264-main", "8x8dct=0"},
    {"libx264-max", V2M_X264("1", V2M_ALL_PARTITIONS, "tesa", "10", "24", "2", "16", "16", "3", "2",
                             "mixed-refs=1\nweightb=1\n8x8dct=1\nfast-pskip=0\nwpredp=2")},
    {"libx264-medium", V2M_X264("1", V2M_PARTITIONS, "hex", "7", "16", "1", "3", "3", "1", "1",
                                V2M_FULL_TAIL "\nrc-lookahead=40")},
    {"libx264-medium_firstpass", V2M_X264("1", "none", "dia", "2", "16", "1", "3", "1", "1", "0",
                                          V2M_FIRST_PASS_TAIL "\nrc-lookahead=40")},
    {"libx264-normal",
     V2M_X264("1", V2M_PARTITIONS, "hex", "6", "16", "1", "3", "2", "3", "0", V2M_FULL_TAIL)},
    {"libx264-placebo",
     V2M_X264("1", V2M_ALL_PARTITIONS, "tesa", "10", "24", "2", "16", "16", "3", "2",
              "mixed-refs=1\nweightb=1\n8x8dct=1\nfast-pskip=0\nwpredp=2\nrc-lookahead=60")},
    {"libx264-placebo_firstpass", V2M_X264("1", "none", "dia", "2", "16", "2", "16", "1", "3", "0",
                                           V2M_FIRST_PASS_TAIL "\nrc-lookahead=60")},
    {"libx264-slow", V2M_X264("1", V2M_PARTITIONS, "umh", "8", "16", "2", "3", "5", "3", "1",
                              V2M_FULL_TAIL "\nrc-lookahead=50")},
    {"libx264-slow_firstpass", V2M_X264("1", "none", "dia", "2", "16", "2", "3", "1", "3", "0",
                                        V2M_FIRST_PASS_TAIL "\nrc-lookahead=50")},
    {"libx264-slower", V2M_X264("1", V2M_ALL_PARTITIONS, "umh", "9", "16", "2", "3", "8", "3", "2",
                                V2M_FULL_TAIL "\nrc-lookahead=60")},
    {"libx264-slower_firstpass", V2M_X264("1", "none", "dia", "2", "16", "2", "3", "1", "3", "0",
                                          V2M_FIRST_PASS_TAIL "\nrc-lookahead=60")},
    {"libx264-slowfirstpass",
     V2M_X264("1", V2M_PARTITIONS, "umh", "7", "16", "1", "3", "4", "3", "1", V2M_FULL_TAIL)},
    {"libx264-superfast",
     V2M_X264("1", "i8x8,i4x4", "dia", "1", "16", "1", "3", "1", "1", "0",
              "mixed-refs=0\nweightb=1\n8x8dct=1\nfast-pskip=1\nmbtree=0\nwpredp=0\n"
              "rc-lookahead=0")},
    {"libx264-superfast_firstpass",
     V2M_X264("1", "none", "dia", "1", "16", "1", "3", "1", "1", "0",
              "mixed-refs=0\nweightb=1\n8x8dct=0\nfast-pskip=1\nmbtree=0\nwpredp=0\n"
              "rc-lookahead=0")},
    {"libx264-ultrafast", kUltrafast},
    {"libx264-ultrafast_firstpass", kUltrafast},
    {"libx264-veryfast",
     V2M_X264("1", "i8x8,i4x4", "hex", "2", "16", "1", "3", "1", "1", "0",
              "mixed-refs=0\nweightb=1\n8x8dct=1\nfast-pskip=1\nwpredp=1\nrc-lookahead=10")},
    {"libx264-veryfast_firstpass",
     V2M_X264("1", "none", "dia", "2", "16", "1", "3", "1", "1", "0",
              "mixed-refs=0\nweightb=1\n8x8dct=0\nfast-pskip=1\nwpredp=1\nrc-lookahead=10")},
    {"libx264-veryslow", V2M_X264("1", V2M_ALL_PARTITIONS, "umh", "10", "24", "2", "8", "16", "3",
                                  "2", V2M_FULL_TAIL "\nrc-lookahead=60")},
    {"libx264-veryslow_firstpass", V2M_X264("1", "none", "dia", "2", "24", "2", "8", "1", "3", "0",
                                            V2M_FIRST_PASS_TAIL "\nrc-lookahead=60")},
};

#undef V2M_X264
#undef V2M_X264_LOSSLESS
#undef V2M_ALL_PARTITIONS
#undef V2M_PARTITIONS
#undef V2M_FULL_TAIL
#undef V2M_FIRST_PASS_TAIL

}  // namespace

std::span<const TOptionsPreset> BuiltinPresets() {
    return kPresets;
}

const char* FindBuiltinPreset(std::string_view name) {
    for (const TOptionsPreset& preset : kPresets) {
        if (SameTextAscii(preset.Name, name)) {
            return preset.Text;
        }
    }
    return nullptr;
}

}  // namespace v2m::engine
