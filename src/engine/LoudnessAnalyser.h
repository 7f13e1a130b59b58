#pragma once
// Measures one audio stream of a file as ITU-R BS.1770 (EBU R128) defines it:
// integrated loudness through the K-weighting and the two gates, and the true
// peak by 4x oversampling. The file is opened for the measurement alone, so a
// conversion reading the same file stays where it is.
//
// libavfilter's meter measures the same, but its true-peak mode resamples all
// to 192 kHz, and even without that it costs more than twice what this does:
// a measurement must stay a small part of a conversion.

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FFmpegApi.h"

namespace v2m::engine {

// The integrated loudness (LUFS) while no block has passed the absolute gate.
inline constexpr double kAbsoluteGate = -70.0;

// The stretch of a stream to measure.
struct TLoudnessSource {
    std::string Url;                        // as the libraries name the file
    const AVInputFormat* Format = nullptr;  // null: probed
    int StreamIndex = 0;
    // Microseconds on the file's own timeline. A cut or a piece is measured
    // alone, from where its reading starts: its own loudness, without what
    // goes before or after it.
    int64_t From = 0;
    int64_t Length = std::numeric_limits<int64_t>::max();  // the maximum: to the end
    // From counts from the file's first timestamp, as the app's pieces and
    // cuts do, rather than from zero: the two differ in files whose
    // timestamps do not begin at 0.
    bool FromFileStart = false;
    // Progress positions run from 0 to this (microseconds).
    int64_t Span = 0;
};

// What the measurement asks of its caller while it reads.
struct TLoudnessHooks {
    // Carried by the reading's interrupt callback, so that opening and
    // reading give up on a stop; may be null.
    std::atomic<bool>* StopFlag = nullptr;
    // Called between whole packets: returns once the measurement may go on.
    std::function<void()> WaitWhilePaused;
    std::function<bool()> StopRequested;
    // The position reached in the stretch, at most once per ReportInterval,
    // and the whole span once the measurement is complete.
    std::function<void(int64_t position)> Progress;
    int64_t ReportInterval = 500000;  // microseconds
};

struct TLoudness {
    double Integrated = kAbsoluteGate;  // LUFS
    double TruePeak = -HUGE_VAL;        // dBTP
    // The K-weighted mean square of every 400 ms block (75 % overlap), before
    // gating: the blocks of several tracks pooled give their joint loudness
    // through GatedLoudness.
    std::vector<double> Blocks;
    // The mean square of every 3 s window, a tenth of a second apart: the
    // short-term loudness the loudness range is taken from.
    std::vector<double> ShortTerm;
};

class TLoudnessAnalyser {
public:
    explicit TLoudnessAnalyser(TLoudnessHooks hooks);

    // Nothing when a stop cut the reading short: such a reading says nothing
    // of the loudness. Failures raise FFmpegException.
    std::optional<TLoudness> Measure(const TLoudnessSource& source);

    // The integrated loudness of gating blocks; kAbsoluteGate when none
    // passes the gates (silence, or under 400 ms).
    static double GatedLoudness(std::span<const double> blocks);

private:
    TLoudnessHooks hooks_;
};

}  // namespace v2m::engine
