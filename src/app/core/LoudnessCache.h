#pragma once
// Loudness measurements kept between runs, so that a second run, or an
// album measured again, reads nothing twice. A file is known by its device,
// inode, size and modification time (and the track and stretch measured):
// any change to it makes it a stranger again. The cache is only ever an aid: a missing,
// unreadable or damaged file gives an empty cache, and saving rebuilds it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Settings.h"

namespace v2m {

struct TLoudnessKey {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
    int32_t Track = -1;  // the audio stream measured
    // The stretch measured, in microseconds from the file's beginning (a
    // piece's or a cut's); From 0 and Length -1: the whole file.
    int64_t From = 0;
    int64_t Length = -1;

    bool Whole() const { return From == 0 && Length < 0; }

    auto operator<=>(const TLoudnessKey&) const = default;
};

// The key of the file as it is now; none when it cannot be examined.
std::optional<TLoudnessKey> LoudnessKeyOf(const std::string& path, int32_t track);

// What measuring a track found. `Blocks` counts the gating blocks by their
// loudness in steps of kLoudnessBlockStep from kLoudnessBlockFloor: the
// tracks of an album pool them for the album's own loudness.
struct TLoudnessReading {
    double Integrated = 0.0;  // LUFS
    double Range = 0.0;       // LU
    double TruePeak = 0.0;    // dBTP
    std::vector<std::pair<int32_t, uint32_t>> Blocks;

    bool operator==(const TLoudnessReading&) const = default;
};

inline constexpr double kLoudnessBlockFloor = -70.0;
inline constexpr double kLoudnessBlockStep = 0.01;

class TLoudnessCache {
public:
    static constexpr size_t kMostEntries = 10000;

    // Reads the cache at `path`; whatever cannot be read of it is left out.
    explicit TLoudnessCache(std::string path);

    const std::string& Path() const { return path_; }
    size_t Size() const;

    // A reading of the file as the key knows it; finding one keeps it among
    // the newest.
    std::optional<TLoudnessReading> Find(const TLoudnessKey& key);
    // Past kMostEntries the entries used longest ago go.
    void Store(const TLoudnessKey& key, TLoudnessReading reading);
    // Writes the cache whole (making its folder); false with the reason.
    bool Save(std::string& problem) const;

private:
    struct TEntry {
        TLoudnessReading Reading;
        uint64_t Used = 0;
    };

    void Load();
    void DropOldest();  // with the lock held

    std::string path_;
    mutable std::mutex lock_;
    std::map<TLoudnessKey, TEntry> entries_;
    uint64_t clock_ = 0;
};

// "$XDG_CACHE_HOME/video2mp3/loudness.cache" (or under ~/.cache); empty
// when there is no home to put it in.
std::string LoudnessCachePath(const TEnvironment& env);

}  // namespace v2m
