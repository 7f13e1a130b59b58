// Readings of real clips through the meter and its cache, albums pooled by
// folder, and the tag values players read.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "AVProbe.h"
#include "AsciiText.h"
#include "AudioAnalysis.h"
#include "BatchRunner.h"
#include "FFmpegLoader.h"
#include "FixtureGenerator.h"
#include "LoudnessPlan.h"
#include "MainThread.h"
#include "MediaOwners.h"
#include "Mp4Freeform.h"
#include "SourceFile.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;

// A stereo 1 kHz sine's loudness in LUFS is its peak in dBFS.
fs::path Tone(const fs::path& file, double lufs) {
    fixtures::ClipRecipe clip;
    clip.duration_s = 3.0;
    clip.streams = {fixtures::Audio("pcm_s16le", 48000, 2, 1000.0, std::pow(10.0, lufs / 20.0))};
    fs::create_directories(file.parent_path());
    fixtures::WriteClip(file, clip);
    return file;
}

// A tone at -30 LUFS for its first half, then at -14 LUFS.
constexpr double kQuietHalf = -30.0;
constexpr double kLoudHalf = -14.0;
constexpr int64_t kHalf = 4000000;
fixtures::StreamRecipe Halves() {
    fixtures::StreamRecipe audio =
        fixtures::Audio("pcm_s16le", 48000, 2, 1000.0, std::pow(10.0, kQuietHalf / 20.0));
    audio.level_after = std::pow(10.0, kLoudHalf / 20.0);
    audio.level_change_s = static_cast<double>(kHalf) / 1e6;
    return audio;
}

TEST(AlbumLoudnessTest, ReadingsAreCachedAndAlbumsPoolTheirBlocks) {
    LoadConverterLibs();
    const TempDir dir("album-loudness");
    const std::vector<double> levels = {-30.0, -20.0, -12.0};
    std::vector<TLoudnessSubject> subjects;
    for (const double level : levels) {
        const fs::path file =
            Tone(dir.Path() / "album" / (std::to_string(static_cast<int>(-level)) + ".wav"), level);
        subjects.push_back({file.string(), "", 0, 3000000});
    }
    subjects.push_back({Tone(dir.Path() / "single" / "alone.wav", -20.0).string(), "", 0, 3000000});
    const std::string cache_path = (dir.Path() / "cache" / "loudness.cache").string();

    TLoudnessCache cache(cache_path);
    TLoudnessMeter meter(&cache);
    TBatchLoudness batch({true, false, -16.0});
    ASSERT_TRUE(batch.Measure(meter, subjects, nullptr, nullptr));
    EXPECT_TRUE(batch.Failures().empty());
    EXPECT_EQ(meter.Runs(), 4);
    for (size_t n = 0; n < levels.size(); ++n) {
        ASSERT_TRUE(batch.Track(n));
        EXPECT_NEAR(batch.Track(n)->Integrated, levels[n], 0.3);
        EXPECT_NEAR(batch.Track(n)->TruePeak, levels[n], 0.3);
    }

    // BS.1770 over the pooled blocks: the -30 LUFS clip falls under the
    // relative gate of the album's mean, which the mean of the tracks' values
    // would not show.
    const auto power = [](double lufs) { return std::pow(10.0, lufs / 10.0); };
    const double ungated = 10.0 * std::log10((power(-30) + power(-20) + power(-12)) / 3.0);
    ASSERT_LT(-30.0, ungated - 10.0);
    const double pooled = 10.0 * std::log10((power(-20) + power(-12)) / 2.0);
    ASSERT_TRUE(batch.Album(0));
    EXPECT_NEAR(batch.Album(0)->Integrated, pooled, 0.3);
    EXPECT_NEAR(batch.Album(0)->TruePeak, -12.0, 0.3);
    EXPECT_EQ(batch.Album(2), batch.Album(0));
    // Another folder is another album.
    ASSERT_TRUE(batch.Album(3));
    EXPECT_NEAR(batch.Album(3)->Integrated, batch.Track(3)->Integrated, 0.05);

    TJobRequest request;
    batch.Apply(0, request);
    ASSERT_TRUE(request.FixedGain);
    EXPECT_NEAR(*request.FixedGain, std::min(-16.0 - pooled, -1.0 + 12.0), 0.3);
    // Tags describe the output, with the volume chosen beside them.
    TBatchLoudness tags({false, true, -16.0});
    ASSERT_TRUE(tags.Measure(meter, subjects, nullptr, nullptr));
    request.Volume = {6, "200"};
    tags.Apply(2, request);
    ASSERT_FALSE(request.GainTags.empty());
    EXPECT_NEAR(std::stod(request.GainTags.front().second), -18.0 - (-12.0 + 6.02), 0.3);

    // A second run, in this process or the next, measures nothing; a file
    // changed since is measured again.
    std::string problem;
    ASSERT_TRUE(cache.Save(problem)) << problem;
    TLoudnessCache reloaded(cache_path);
    TLoudnessMeter second(&reloaded);
    ASSERT_TRUE(batch.Measure(second, subjects, nullptr, nullptr));
    EXPECT_EQ(second.Runs(), 0);
    fs::last_write_time(subjects[1].Path,
                        fs::last_write_time(subjects[1].Path) + std::chrono::seconds(5));
    ASSERT_TRUE(batch.Measure(second, subjects, nullptr, nullptr));
    EXPECT_EQ(second.Runs(), 1);
}

// Each stretch of a file is measured by its own samples and kept apart from
// the whole file's reading: a second run measures none of them again.
TEST(AlbumLoudnessTest, StretchesAreMeasuredAloneAndCachedApart) {
    LoadConverterLibs();
    const TempDir dir("stretch-loudness");
    fixtures::ClipRecipe clip;
    clip.duration_s = 2.0 * static_cast<double>(kHalf) / 1e6;
    clip.streams = {Halves()};
    const std::string file = (dir.Path() / "halves.wav").string();
    fixtures::WriteClip(file, clip);
    const std::vector<TLoudnessSubject> subjects = {{file, "", 0, -1, 0, -1},
                                                    {file, "", 0, -1, 0, kHalf},
                                                    {file, "", 0, -1, kHalf, -1},
                                                    {file, "", 0, -1, kHalf / 4, kHalf / 2}};
    // The whole file's gated loudness is its loud half's: the quiet one
    // falls under the relative gate, all but the blocks across the change.
    // Its range spans both halves; a steady stretch has none.
    const double levels[] = {kLoudHalf, kQuietHalf, kLoudHalf, kQuietHalf};
    const double ranges[] = {kLoudHalf - kQuietHalf, 0.0, 0.0, 0.0};
    for (const int run : {0, 1}) {
        TLoudnessCache cache((dir.Path() / "loudness.cache").string());
        TLoudnessMeter meter(&cache);
        TBatchLoudness batch({false, true, -16.0});
        ASSERT_TRUE(batch.Measure(meter, subjects, nullptr, nullptr));
        for (size_t n = 0; n < subjects.size(); ++n) {
            ASSERT_TRUE(batch.Track(n));
            EXPECT_NEAR(batch.Track(n)->Integrated, levels[n], n == 0 ? 0.3 : 0.1) << run << n;
            EXPECT_NEAR(batch.Track(n)->Range, ranges[n], 0.2) << run << n;
        }
        EXPECT_EQ(meter.Runs(), run == 0 ? 4 : 0);
        std::string problem;
        ASSERT_TRUE(cache.Save(problem)) << problem;
    }
}

// The values as players read them: ReplayGain 2.0 relative to -18 LUFS with
// two decimals and " dB", peaks as a ratio with six, Opus' R128 gains as
// Q7.8 integers relative to -23 LUFS.
TEST(AlbumLoudnessTest, GainTagsFollowTheirReferences) {
    struct Case {
        double integrated;
        double peak;
        bool opus;
    };
    for (const Case& c : {Case{-14.79, -0.5, false}, Case{-30.2, -18.0, false},
                          Case{-14.79, -0.5, true}, Case{-8.0, 0.4, true}}) {
        SCOPED_TRACE(std::to_string(c.integrated) + (c.opus ? " opus" : ""));
        TLoudnessReading track;
        track.Integrated = c.integrated;
        track.TruePeak = c.peak;
        TLoudnessReading album = track;
        album.Integrated -= 2.0;
        const auto tags = GainTags(track, &album, c.opus);
        ASSERT_EQ(tags.size(), c.opus ? 2u : 4u);
        for (const auto& [key, value] : tags) {
            EXPECT_TRUE(IsGainTag(key)) << key;
            const double expected_loudness =
                key.find("ALBUM") != std::string::npos ? album.Integrated : track.Integrated;
            if (c.opus) {
                size_t end = 0;
                const int q78 = std::stoi(value, &end);
                EXPECT_EQ(end, value.size()) << value;
                EXPECT_NEAR(q78 / 256.0, -23.0 - expected_loudness, 1.0 / 256);
            } else if (key.ends_with("_GAIN")) {
                ASSERT_GE(value.size(), 7u);
                EXPECT_EQ(value.substr(value.size() - 3), " dB");
                EXPECT_EQ(value[value.size() - 6], '.') << value;
                EXPECT_NEAR(std::stod(value), -18.0 - expected_loudness, 0.005);
            } else {
                EXPECT_EQ(value.size() - value.find('.'), 7u) << value;
                EXPECT_NEAR(std::stod(value), std::pow(10.0, c.peak / 20.0), 1e-6);
            }
        }
    }
    EXPECT_TRUE(IsGainTag("replaygain_track_gain"));
    EXPECT_TRUE(IsGainTag("R128_Album_Gain"));
    EXPECT_FALSE(IsGainTag("title"));
}

// Every tag of a file and of its audio streams, keys in lower case.
std::map<std::string, std::string> TagsOf(const std::string& file) {
    std::map<std::string, std::string> tags;
    TAVProbe probe;
    if (!probe.LoadFile(file)) {
        ADD_FAILURE() << probe.LastError();
        return tags;
    }
    const AVFormatContext* context = probe.Context();
    const auto take = [&tags](const AVDictionary* dictionary) {
        const AVDictionaryEntry* e = nullptr;
        while ((e = ff::av_dict_get(dictionary, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
            tags.emplace(LowerCaseAscii(e->key), e->value);
        }
    };
    take(context->metadata);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        take(context->streams[i]->metadata);
    }
    return tags;
}

// The audio packets of a file: their sizes and a hash of their bytes.
std::vector<std::pair<int, uint64_t>> AudioPackets(const std::string& file) {
    std::vector<std::pair<int, uint64_t>> packets;
    AVFormatContext* opened = nullptr;
    if (ff::avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << file;
        return packets;
    }
    const InputContextPtr context(opened);
    ff::avformat_find_stream_info(context.get(), nullptr);
    const int audio =
        ff::av_find_best_stream(context.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    PacketPtr packet(ff::av_packet_alloc());
    while (ff::av_read_frame(context.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            uint64_t hash = 1469598103934665603u;
            for (int i = 0; i < packet->size; ++i) {
                hash = (hash ^ packet->data[i]) * 1099511628211u;
            }
            packets.emplace_back(packet->size, hash);
        }
        ff::av_packet_unref(packet.get());
    }
    return packets;
}

class AlbumConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        request_.OutputFolder = (dir_.Path() / "out").string();
        fs::create_directories(request_.OutputFolder);
    }
    void TearDown() override { InstallMainThreadServices(nullptr); }

    fs::path Clip(const std::string& name, fixtures::StreamRecipe audio, double seconds = 4.0) {
        fixtures::ClipRecipe clip;
        clip.duration_s = seconds;
        clip.streams = {std::move(audio)};
        const fs::path file = dir_.Path() / "in" / name;
        fs::create_directories(file.parent_path());
        fixtures::WriteClip(file, clip);
        return file;
    }

    // Measures first when the choice asks it, then converts the files as
    // one batch; the outputs by file, empty for a failure.
    std::vector<std::string> Convert(const std::vector<fs::path>& files, TLoudnessChoice choice) {
        TBatchLoudness loudness(choice);
        if (choice.MeasuresFirst()) {
            std::vector<std::vector<TLoudnessSubject>> subjects;
            for (const fs::path& file : files) {
                TAVProbe probe;
                std::string error;
                const TSourcePtr source = ProbeSource(probe, file.string(), error);
                EXPECT_NE(source, nullptr) << error;
                subjects.push_back(source ? LoudnessSubjectsOf(*source, request_)
                                          : std::vector<TLoudnessSubject>{TLoudnessSubject{}});
            }
            EXPECT_TRUE(loudness.Measure(meter_, std::move(subjects), nullptr, nullptr));
            track_ = loudness.Track(0);
        }
        std::vector<std::string> outputs(files.size());
        std::vector<TBatchInput> inputs;
        for (const fs::path& file : files) {
            inputs.emplace_back(file.string());
        }
        bool over = false;
        TBatchEvents events;
        events.Prepare = [&](size_t item, const TSourceFile&, TJobRequest& request) {
            loudness.Apply(item, request);
            return std::string();
        };
        events.Ended = [&](size_t item, const TTerminateInfo& info) {
            EXPECT_TRUE(info.Finished && !info.Failed) << info.ErrorMessage;
            if (info.Finished && !info.Failed) {
                outputs[item] = runner_.Output(item);
                pieces_.push_back(runner_.Outputs(item));
            }
        };
        events.Over = [&](bool) { over = true; };
        EXPECT_EQ(runner_.Start(std::move(inputs), request_, 1, events, false),
                  TStartResult::Started);
        EXPECT_TRUE(main_->ServeUntil(
            [&] {
                runner_.Poll();
                return over;
            },
            std::chrono::seconds(120)));
        return outputs;
    }

    TempDir dir_{"album-conversion"};
    std::shared_ptr<QueuedMainThread> main_;
    TFFConverter converter_;
    TBatchRunner runner_{converter_};
    TJobRequest request_;
    TLoudnessMeter meter_{nullptr};
    std::optional<TLoudnessReading> track_;         // of the first file measured last
    std::vector<std::vector<std::string>> pieces_;  // every output of each file converted
};

// Tag only: each container carries the gain its players read, the values
// those of an independent measurement of the source, and a track already
// in the output's codec keeps its very packets.
TEST_F(AlbumConversionTest, TagsOnlyReachEveryContainerAndCopiesKeepTheirPackets) {
    struct Case {
        const char* source;
        const char* codec;
        const char* ext;
        bool copied;
    };
    for (const Case& c :
         {Case{"a.mp3", "libmp3lame", "mp3", true}, Case{"b.m4a", "aac", "m4a", true},
          Case{"c.wav", "pcm_s16le", "flac", false}, Case{"d.wav", "pcm_s16le", "ogg", false},
          Case{"e.wav", "pcm_s16le", "opus", false}}) {
        SCOPED_TRACE(c.ext);
        const fs::path input = Clip(c.source, fixtures::Audio(c.codec, 48000, 2, 1000.0, 0.3));
        request_.ProfileExt = c.ext;
        const std::vector<std::string> outputs = Convert({input}, {false, true, -16.0});
        ASSERT_FALSE(outputs[0].empty());
        ASSERT_TRUE(track_);
        const fixtures::LoudnessAnalysis source = fixtures::AnalyzeLoudness(input);
        const std::map<std::string, std::string> tags = TagsOf(outputs[0]);
        if (std::string(c.ext) == "opus") {
            ASSERT_TRUE(tags.contains("r128_track_gain"));
            EXPECT_NEAR(std::stoi(tags.at("r128_track_gain")) / 256.0,
                        -23.0 - source.integrated_lufs, 0.1);
            EXPECT_FALSE(tags.contains("replaygain_track_gain"));
        } else {
            ASSERT_TRUE(tags.contains("replaygain_track_gain"));
            ASSERT_TRUE(tags.contains("replaygain_track_peak"));
            EXPECT_NEAR(std::stod(tags.at("replaygain_track_gain")), -18.0 - source.integrated_lufs,
                        0.1);
            EXPECT_NEAR(20.0 * std::log10(std::stod(tags.at("replaygain_track_peak"))),
                        source.true_peak_dbtp, 0.1);
        }
        // Nothing was done to the samples.
        EXPECT_NEAR(fixtures::AnalyzeLoudness(outputs[0]).integrated_lufs, source.integrated_lufs,
                    0.3);
        if (c.copied) {
            EXPECT_EQ(runner_.Copied(0), true);
            EXPECT_EQ(AudioPackets(outputs[0]), AudioPackets(input.string()));
        }
    }
}

// Freeform atoms read back from an M4A whose movie box ends the file, and
// from one where it does not (it moves to the end, its old room left free):
// either way the audio packets stay where their offsets say.
TEST_F(AlbumConversionTest, FreeformAtomsReadBackWhereverTheMovieBoxWas) {
    for (const bool moov_last : {true, false}) {
        SCOPED_TRACE(moov_last ? "moov last" : "moov inside");
        const fs::path file = Clip(moov_last ? "last.m4a" : "inside.m4a",
                                   fixtures::Audio("aac", 48000, 2, 1000.0, 0.3));
        if (!moov_last) {
            std::ofstream(file, std::ios::binary | std::ios::app)
                .write(
                    "\0\0\0\x08"
                    "free",
                    8);
        }
        const auto packets = AudioPackets(file.string());
        ASSERT_EQ(AddFreeformTags(file.string(), {{"REPLAYGAIN_TRACK_GAIN", "-3.21 dB"},
                                                  {"REPLAYGAIN_TRACK_PEAK", "0.944061"}}),
                  "");
        const std::map<std::string, std::string> tags = TagsOf(file.string());
        EXPECT_EQ(tags.count("replaygain_track_gain") ? tags.at("replaygain_track_gain") : "",
                  "-3.21 dB");
        EXPECT_EQ(tags.count("replaygain_track_peak") ? tags.at("replaygain_track_peak") : "",
                  "0.944061");
        EXPECT_EQ(AudioPackets(file.string()), packets);
    }
}

// One gain for an album keeps its tracks' differences and brings its
// loudest part to the target or its peak to the ceiling; track mode brings
// each to the target.
TEST_F(AlbumConversionTest, AlbumKeepsDifferencesWhereTracksReachTheTarget) {
    const std::vector<double> levels = {-30.0, -20.0, -12.0};
    std::vector<fs::path> inputs;
    for (const double level : levels) {
        inputs.push_back(
            Clip(std::to_string(static_cast<int>(-level)) + ".mp4",
                 fixtures::Audio("aac", 44100, 2, 1000.0, std::pow(10.0, level / 20.0))));
    }
    request_.ProfileExt = "mp3";
    for (const bool album : {true, false}) {
        SCOPED_TRACE(album ? "album" : "track");
        request_.NormalizeLoudness = !album;
        const std::vector<std::string> outputs = Convert(inputs, {album, false, -16.0});
        std::vector<fixtures::LoudnessAnalysis> in;
        std::vector<fixtures::LoudnessAnalysis> out;
        for (size_t n = 0; n < inputs.size(); ++n) {
            ASSERT_FALSE(outputs[n].empty());
            in.push_back(fixtures::AnalyzeLoudness(inputs[n]));
            out.push_back(fixtures::AnalyzeLoudness(outputs[n]));
            EXPECT_LE(out[n].true_peak_dbtp, -1.0 + 0.1);
            if (!album) {
                EXPECT_NEAR(out[n].integrated_lufs, -16.0, 0.5);
            }
        }
        if (album) {
            for (size_t n = 1; n < inputs.size(); ++n) {
                EXPECT_NEAR(out[n].integrated_lufs - out[0].integrated_lufs,
                            in[n].integrated_lufs - in[0].integrated_lufs, 0.2);
            }
            // Steady tones of one length: the album's gated loudness from
            // the tracks' own, through both gates.
            const auto power = [](double lufs) { return std::pow(10.0, lufs / 10.0); };
            double all = 0.0;
            for (const auto& track : out) {
                all += power(track.integrated_lufs);
            }
            double gated = 0.0;
            int passed = 0;
            for (const auto& track : out) {
                if (track.integrated_lufs > 10.0 * std::log10(all / 3.0) - 10.0) {
                    gated += power(track.integrated_lufs);
                    ++passed;
                }
            }
            const double album_lufs = 10.0 * std::log10(gated / passed);
            const bool at_target =
                std::abs(album_lufs + 16.0) < 0.5 || std::abs(out[2].true_peak_dbtp + 1.0) < 0.5;
            EXPECT_TRUE(at_target) << album_lufs << " LUFS, " << out[2].true_peak_dbtp << " dBTP";
        }
    }
}

// The pieces of a split and a cut are tagged each with its own audio's
// loudness, alone and within an album; a gain applied to the samples is
// the album of what is converted, one for all the pieces.
TEST_F(AlbumConversionTest, EveryPieceAndCutIsTaggedWithItsOwnLoudness) {
    const fs::path input = Clip("halves.wav", Halves(), 2.0 * static_cast<double>(kHalf) / 1e6);
    const fs::path points = dir_.Path() / "points.txt";
    std::ofstream(points) << "0:00 Quiet\n0:04 Loud\n";
    struct Case {
        const char* name;
        bool split;
        int64_t cut_start;
        int64_t cut_end;
        TLoudnessChoice choice;
        std::vector<double> levels;  // of each output's stretch
    };
    const Case cases[] = {
        {"split", true, -1, -1, {false, true, -16.0}, {kQuietHalf, kLoudHalf}},
        {"split album", true, -1, -1, {true, true, -16.0}, {kQuietHalf, kLoudHalf}},
        {"cut", false, kHalf / 8, kHalf * 7 / 8, {false, true, -16.0}, {kQuietHalf}},
        {"cut album gain", false, kHalf / 8, kHalf * 7 / 8, {true, false, -16.0}, {-16.0}},
    };
    request_.ProfileExt = "flac";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        request_.SplitPointsFile = c.split ? points.string() : "";
        request_.CutStart = c.cut_start;
        request_.CutEnd = c.cut_end;
        pieces_.clear();
        Convert({input}, c.choice);
        ASSERT_EQ(pieces_.size(), 1u);
        ASSERT_EQ(pieces_[0].size(), c.levels.size());
        std::vector<double> gains;
        for (size_t n = 0; n < c.levels.size(); ++n) {
            const fixtures::LoudnessAnalysis own = fixtures::AnalyzeLoudness(pieces_[0][n]);
            // The output holds its stretch, at the level it was made with.
            EXPECT_NEAR(own.integrated_lufs, c.levels[n], 0.5) << n;
            const std::map<std::string, std::string> tags = TagsOf(pieces_[0][n]);
            EXPECT_EQ(tags.contains("replaygain_track_gain"), c.choice.TagsOnly);
            EXPECT_EQ(tags.contains("replaygain_album_gain"), c.choice.TagsOnly && c.choice.Album);
            if (!c.choice.TagsOnly) {
                continue;
            }
            gains.push_back(std::stod(tags.at("replaygain_track_gain")));
            EXPECT_NEAR(gains.back(), -18.0 - own.integrated_lufs, 0.1) << n;
            EXPECT_NEAR(20.0 * std::log10(std::stod(tags.at("replaygain_track_peak"))),
                        own.true_peak_dbtp, 0.1)
                << n;
            if (c.choice.Album) {
                // Pooled blocks: the quiet half falls under the relative gate.
                EXPECT_NEAR(std::stod(tags.at("replaygain_album_gain")), -18.0 - kLoudHalf, 0.2);
            }
        }
        if (gains.size() == 2) {
            EXPECT_GT(std::abs(gains[0] - gains[1]), 10.0);
        }
    }
    request_.SplitPointsFile.clear();
    request_.CutStart = request_.CutEnd = -1;
}

// Gain tags of the source describe its samples: kept while they stay as
// they are, dropped once a gain changes them or only a part is written.
TEST_F(AlbumConversionTest, SourceGainTagsGoOnlyWhenTheSamplesChange) {
    fixtures::StreamRecipe audio = fixtures::Audio("libvorbis", 44100, 2, 1000.0, 0.3);
    audio.tags = {{"REPLAYGAIN_TRACK_GAIN", "+9.99 dB"}, {"R128_TRACK_GAIN", "2557"}};
    const fs::path input = Clip("tagged.ogg", audio);
    request_.ProfileExt = "ogg";
    request_.CopyAudioWhenPossible = false;
    for (const auto& [normalize, cut] : {std::pair(false, false), {true, false}, {false, true}}) {
        SCOPED_TRACE(std::string(normalize ? "normalized" : "plain") + (cut ? " cut" : ""));
        request_.NormalizeLoudness = normalize;
        request_.CutStart = cut ? 100000 : -1;
        const std::vector<std::string> outputs = Convert({input}, {});
        ASSERT_FALSE(outputs[0].empty());
        const std::map<std::string, std::string> tags = TagsOf(outputs[0]);
        EXPECT_EQ(tags.contains("replaygain_track_gain"), !normalize && !cut);
        EXPECT_EQ(tags.contains("r128_track_gain"), !normalize && !cut);
    }
    request_.CutStart = -1;
}

}  // namespace
}  // namespace v2m::test
