#include "LoudnessPlan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "AsciiText.h"
#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "LoudnessAnalyser.h"
#include "SourceFile.h"
#include "UnicodeProtocol.h"

namespace v2m {

namespace {

double LufsOfPower(double power) {
    return -0.691 + 10.0 * std::log10(power);
}

double PowerOfLufs(double lufs) {
    return std::pow(10.0, (lufs + 0.691) / 10.0);
}

double LufsOfBin(int32_t bin) {
    return kLoudnessBlockFloor + bin * kLoudnessBlockStep;
}

// The loudness range (EBU Tech 3342): the spread from the 10th to the 95th
// percentile of the short-term loudness (3 s windows, ten a second),
// relative-gated 20 LU under its mean.
double RangeOfShortTerm(std::span<const double> short_term) {
    std::vector<double> windows;
    for (const double power : short_term) {
        if (power > 0.0 && LufsOfPower(power) > engine::kAbsoluteGate) {
            windows.push_back(power);
        }
    }
    if (windows.empty()) {
        return 0.0;
    }
    double mean = 0.0;
    for (const double power : windows) {
        mean += power;
    }
    const double gate = LufsOfPower(mean / static_cast<double>(windows.size())) - 20.0;
    std::vector<double> gated;
    for (const double power : windows) {
        if (LufsOfPower(power) > gate) {
            gated.push_back(LufsOfPower(power));
        }
    }
    if (gated.size() < 2) {
        return 0.0;
    }
    std::sort(gated.begin(), gated.end());
    const auto at = [&gated](double share) {
        return gated[static_cast<size_t>(
            std::lround(share * static_cast<double>(gated.size() - 1)))];
    };
    return at(0.95) - at(0.10);
}

std::string Fixed(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::optional<TLoudnessReading> TLoudnessMeter::Read(const TLoudnessSubject& subject,
                                                     const std::function<bool()>& stopped,
                                                     const TProgress& progress,
                                                     std::string& error) {
    std::optional<TLoudnessKey> key = LoudnessKeyOf(subject.Path, subject.Stream);
    if (key) {
        key->From = subject.From;
        key->Length = subject.Length;
    }
    if (key && cache_ != nullptr) {
        if (std::optional<TLoudnessReading> known = cache_->Find(*key)) {
            return known;
        }
    }
    engine::TLoudnessSource source;
    source.Url = ToLibraryFileName(subject.Path);
    source.Format =
        subject.FormatName.empty() ? nullptr : ff::av_find_input_format(subject.FormatName.c_str());
    source.StreamIndex = subject.Stream;
    source.From = subject.From;
    if (subject.Length >= 0) {
        source.Length = subject.Length;
    }
    source.FromFileStart = true;
    source.Span = subject.Length >= 0 ? subject.Length
                                      : std::max<int64_t>(subject.Duration - subject.From, 0);
    engine::TLoudnessHooks hooks;
    hooks.WaitWhilePaused = [] {};
    hooks.StopRequested = [&stopped] { return stopped && stopped(); };
    hooks.Progress = [&progress, &source](int64_t position) {
        if (progress) {
            progress(position, source.Span);
        }
    };
    ++runs_;
    std::optional<engine::TLoudness> measured;
    try {
        measured = engine::TLoudnessAnalyser(std::move(hooks)).Measure(source);
    } catch (const FFmpegException& failure) {
        error = failure.what();
        return std::nullopt;
    }
    if (!measured) {
        return std::nullopt;
    }
    TLoudnessReading reading = ReadingOfBlocks(measured->Integrated, measured->TruePeak,
                                               measured->Blocks, measured->ShortTerm);
    if (key && cache_ != nullptr) {
        cache_->Store(*key, reading);
    }
    return reading;
}

TLoudnessReading ReadingOfBlocks(double integrated, double true_peak,
                                 std::span<const double> blocks,
                                 std::span<const double> short_term) {
    TLoudnessReading reading;
    reading.Integrated = integrated;
    // Digital silence has no peak; the cache keeps numbers only.
    reading.TruePeak = std::isfinite(true_peak) ? true_peak : -200.0;
    reading.Range = RangeOfShortTerm(short_term);
    std::map<int32_t, uint32_t> bins;
    for (const double power : blocks) {
        // Under the absolute gate a block never counts, in any album.
        if (power > 0.0 && LufsOfPower(power) > engine::kAbsoluteGate) {
            ++bins[static_cast<int32_t>(
                std::lround((LufsOfPower(power) - kLoudnessBlockFloor) / kLoudnessBlockStep))];
        }
    }
    reading.Blocks.assign(bins.begin(), bins.end());
    return reading;
}

TLoudnessReading AlbumReading(std::span<const TLoudnessReading> tracks) {
    std::map<int32_t, uint32_t> bins;
    TLoudnessReading album;
    album.TruePeak = -200.0;
    for (const TLoudnessReading& track : tracks) {
        album.TruePeak = std::max(album.TruePeak, track.TruePeak);
        // The blocks keep no order, so the album's range is its widest track's.
        album.Range = std::max(album.Range, track.Range);
        for (const auto& [bin, count] : track.Blocks) {
            bins[bin] += count;
        }
    }
    std::vector<double> powers;
    for (const auto& [bin, count] : bins) {
        powers.insert(powers.end(), count, PowerOfLufs(LufsOfBin(bin)));
    }
    album.Integrated = engine::TLoudnessAnalyser::GatedLoudness(powers);
    album.Blocks.assign(bins.begin(), bins.end());
    return album;
}

double GainToTarget(const TLoudnessReading& reading, double target) {
    if (reading.Integrated <= engine::kAbsoluteGate) {
        return 0.0;
    }
    return std::min(target - reading.Integrated, kGainCeiling - reading.TruePeak);
}

std::map<std::string, std::vector<size_t>> AlbumsOf(const std::vector<std::string>& paths) {
    std::map<std::string, std::vector<size_t>> albums;
    for (size_t n = 0; n < paths.size(); ++n) {
        const std::filesystem::path path = std::filesystem::absolute(paths[n]).lexically_normal();
        albums[path.parent_path().string()].push_back(n);
    }
    return albums;
}

std::vector<std::pair<std::string, std::string>> GainTags(const TLoudnessReading& track,
                                                          const TLoudnessReading* album,
                                                          bool opus) {
    std::vector<std::pair<std::string, std::string>> tags;
    if (opus) {
        // Q7.8 dB relative to -23 LUFS; the header's own gain stays 0.
        const auto q78 = [](const TLoudnessReading& reading) {
            return std::to_string(std::clamp<long>(
                std::lround((kR128Reference - reading.Integrated) * 256.0), -32768, 32767));
        };
        tags.emplace_back("R128_TRACK_GAIN", q78(track));
        if (album != nullptr) {
            tags.emplace_back("R128_ALBUM_GAIN", q78(*album));
        }
        return tags;
    }
    const auto add = [&tags](const char* scope, const TLoudnessReading& reading) {
        const double gain = reading.Integrated > engine::kAbsoluteGate
                                ? kReplayGainReference - reading.Integrated
                                : 0.0;
        tags.emplace_back(std::string("REPLAYGAIN_") + scope + "_GAIN", Fixed("%.2f dB", gain));
        tags.emplace_back(std::string("REPLAYGAIN_") + scope + "_PEAK",
                          Fixed("%.6f", std::pow(10.0, reading.TruePeak / 20.0)));
    };
    add("TRACK", track);
    if (album != nullptr) {
        add("ALBUM", *album);
    }
    return tags;
}

bool IsGainTag(const std::string& key) {
    const auto starts = [&key](std::string_view prefix) {
        return key.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), key.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    return starts("replaygain_") || starts("r128_");
}

TLoudnessSubject LoudnessSubjectOf(const TSourceFile& source, const TJobRequest& request) {
    TLoudnessSubject subject;
    subject.Path = source.FileName;
    subject.FormatName = source.FormatName;
    subject.Duration = source.Duration;
    const int track = ChosenAudioTrack(source.AudioTracks, request);
    subject.Stream = track < 0 ? -1 : source.AudioTracks[static_cast<size_t>(track)].StreamIndex;
    return subject;
}

std::vector<TLoudnessSubject> LoudnessSubjectsOf(const TSourceFile& source,
                                                 const TJobRequest& request) {
    const TLoudnessSubject whole = LoudnessSubjectOf(source, request);
    std::vector<TPiece> pieces;
    try {
        pieces = PiecesOfFile(request, &source, source.Duration);
    } catch (const EJobError&) {
        return {whole};
    }
    if (pieces.empty()) {
        return {whole};
    }
    std::vector<TLoudnessSubject> subjects;
    for (const TPiece& piece : pieces) {
        TLoudnessSubject one = whole;
        one.From = piece.Start;
        one.Length = piece.Length;
        subjects.push_back(std::move(one));
    }
    return subjects;
}

bool TBatchLoudness::Measure(TLoudnessMeter& meter, const std::vector<TLoudnessSubject>& subjects,
                             const std::function<bool()>& stopped, const TProgress& progress) {
    std::vector<std::vector<TLoudnessSubject>> files;
    for (const TLoudnessSubject& subject : subjects) {
        files.push_back({subject});
    }
    return Measure(meter, std::move(files), stopped, progress);
}

bool TBatchLoudness::Measure(TLoudnessMeter& meter,
                             std::vector<std::vector<TLoudnessSubject>> files,
                             const std::function<bool()>& stopped, const TProgress& progress) {
    Plan(std::move(files));
    for (size_t n = 0; n < subjects_.size(); ++n) {
        if (subjects_[n].Stream < 0) {
            continue;  // fails in its conversion, with the usual reason
        }
        std::string error;
        std::optional<TLoudnessReading> reading = meter.Read(
            subjects_[n], stopped,
            [&](int64_t position, int64_t length) {
                if (progress) {
                    progress(n, subjects_.size(), position, length);
                }
            },
            error);
        if (stopped && stopped()) {
            return false;
        }
        SetReading(n, std::move(reading), error);
    }
    FindAlbums();
    return true;
}

void TBatchLoudness::Plan(std::vector<std::vector<TLoudnessSubject>> files) {
    subjects_.clear();
    owners_.clear();
    first_.clear();
    for (size_t file = 0; file < files.size(); ++file) {
        first_.push_back(subjects_.size());
        for (TLoudnessSubject& subject : files[file]) {
            subjects_.push_back(std::move(subject));
            owners_.push_back(file);
        }
    }
    first_.push_back(subjects_.size());
    readings_.assign(subjects_.size(), std::nullopt);
    albums_.assign(files.size(), std::nullopt);
    failures_.clear();
}

void TBatchLoudness::SetReading(size_t subject, std::optional<TLoudnessReading> reading,
                                const std::string& error) {
    if (!reading) {
        failures_.try_emplace(owners_[subject],
                              error.empty() ? "its loudness cannot be measured" : error);
    }
    readings_[subject] = std::move(reading);
}

void TBatchLoudness::FindAlbums() {
    if (!choice_.Album) {
        return;
    }
    // A file's outputs are all of its folder's album: the pieces of a split
    // are one album with the files beside it.
    std::vector<std::string> paths;
    for (size_t file = 0; file + 1 < first_.size(); ++file) {
        paths.push_back(first_[file] < first_[file + 1] ? subjects_[first_[file]].Path
                                                        : std::string());
    }
    for (const auto& [folder, members] : AlbumsOf(paths)) {
        std::vector<TLoudnessReading> readings;
        std::vector<size_t> measured;
        for (const size_t file : members) {
            const size_t before = readings.size();
            for (size_t n = first_[file]; n < first_[file + 1]; ++n) {
                if (readings_[n]) {
                    readings.push_back(*readings_[n]);
                }
            }
            if (readings.size() > before) {
                measured.push_back(file);
            }
        }
        if (readings.empty()) {
            continue;
        }
        const TLoudnessReading album = AlbumReading(readings);
        for (const size_t file : measured) {
            albums_[file] = album;
        }
    }
}

void TBatchLoudness::Apply(size_t file, TJobRequest& request) const {
    if (file + 1 >= first_.size()) {
        return;
    }
    const size_t first = first_[file];
    const size_t end = first_[file + 1];
    if (std::none_of(readings_.begin() + static_cast<std::ptrdiff_t>(first),
                     readings_.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const auto& reading) { return reading.has_value(); })) {
        return;
    }
    const TLoudnessReading* album = albums_[file] ? &*albums_[file] : nullptr;
    if (choice_.TagsOnly) {
        request.NormalizeLoudness = false;
        // The tags describe the output: a volume chosen beside them moves
        // its loudness and peaks alike.
        const double volume =
            request.Volume.Index > 0
                ? 20.0 * std::log10(std::max(1, OptionItemValue(request.Volume.Item, 100)) / 100.0)
                : 0.0;
        const auto shifted = [volume](TLoudnessReading reading) {
            reading.Integrated += reading.Integrated > engine::kAbsoluteGate ? volume : 0.0;
            reading.TruePeak += volume;
            return reading;
        };
        const std::optional<TLoudnessReading> album_out =
            album != nullptr ? std::optional(shifted(*album)) : std::nullopt;
        const bool opus = LowerCaseAscii(request.ProfileExt) == "opus";
        for (size_t n = first; n < end; ++n) {
            if (!readings_[n]) {
                continue;
            }
            auto tags = GainTags(shifted(*readings_[n]), album_out ? &*album_out : nullptr, opus);
            // A single piece may span the whole file: it finds its tags by
            // its stretch all the same.
            if (subjects_[n].Whole()) {
                request.GainTags = tags;
            }
            request.PieceGainTags.push_back(
                {subjects_[n].From, subjects_[n].Length, std::move(tags)});
        }
    } else if (album != nullptr) {
        request.NormalizeLoudness = false;
        request.FixedGain = GainToTarget(*album, choice_.Target);
    }
}

TLoudnessPool::TLoudnessPool(TLoudnessMeter& meter, std::vector<TLoudnessSubject> subjects,
                             TNotify on_ready, size_t workers)
    : meter_(meter), subjects_(std::move(subjects)), on_ready_(std::move(on_ready)) {
    workers = std::clamp<size_t>(workers, 1, std::max<size_t>(subjects_.size(), 1));
    for (size_t n = 0; n < workers; ++n) {
        workers_.emplace_back([this] { Work(); });
    }
}

TLoudnessPool::~TLoudnessPool() {
    Stop();
}

void TLoudnessPool::Work() {
    const std::function<bool()> stopped = [this] { return stopped_.load(); };
    for (size_t n = next_++; n < subjects_.size() && !stopped_.load(); n = next_++) {
        TResult result;
        result.Index = n;
        if (subjects_[n].Stream < 0) {
            result.Error = "has no audio track";
        } else {
            result.Reading = meter_.Read(subjects_[n], stopped, nullptr, result.Error);
        }
        if (stopped_.load()) {
            break;
        }
        {
            std::lock_guard lock(mutex_);
            ready_.push_back(std::move(result));
        }
        ++ended_;
        if (!notified_.exchange(true) && on_ready_) {
            on_ready_();
        }
    }
}

std::vector<TLoudnessPool::TResult> TLoudnessPool::TakeReady() {
    notified_ = false;
    std::lock_guard lock(mutex_);
    std::vector<TResult> taken = std::move(ready_);
    ready_.clear();
    handed_ += taken.size();
    return taken;
}

bool TLoudnessPool::Finished() const {
    std::lock_guard lock(mutex_);
    return stopped_.load() || handed_ == subjects_.size();
}

void TLoudnessPool::Stop() {
    stopped_ = true;
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

}  // namespace v2m
