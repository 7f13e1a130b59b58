// The batch converter as a user runs it: a separate process given arguments,
// whose standard output, standard error and exit status are read, and whose
// output files are decoded and measured.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <nlohmann/json.hpp>

#include "AVProbe.h"
#include "AudioAnalysis.h"
#include "FixtureGenerator.h"
#include "FFmpegLoader.h"
#include "Format.h"
#include "MediaOwners.h"
#include "Profiles.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;

struct TCliResult {
    int status = -1;  // exit status; 128 + n when killed by signal n
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

// Runs the program in `folder`. `on_error_line` sees each line of standard
// error as it arrives, with the child's process id.
// `in_child` runs in the child before the program starts (limits, signals).
TCliResult RunCli(const std::vector<std::string>& args, const fs::path& folder,
                  const std::function<void(const std::string&, pid_t)>& on_error_line = {},
                  const std::function<void()>& in_child = {}) {
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    std::vector<std::string> argv_text = {V2M_CLI_PROGRAM};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_text) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out_pipe[1], STDOUT_FILENO);
        ::dup2(err_pipe[1], STDERR_FILENO);
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        if (::chdir(folder.c_str()) != 0) {
            ::_exit(127);
        }
        if (in_child) {
            in_child();
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    TCliResult result;
    std::string partial;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int open_ends = 2;
    while (open_ends > 0) {
        if (::poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_ends;
                continue;
            }
            const std::string chunk(buffer, static_cast<size_t>(n));
            if (i == 0) {
                result.out += chunk;
                continue;
            }
            result.err += chunk;
            partial += chunk;
            for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
                if (on_error_line) {
                    on_error_line(partial.substr(0, end), child);
                }
                partial.erase(0, end + 1);
            }
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

double ClipSeconds(const std::string& fixture) {
    const fixtures::NamedClip* clip = fixtures::FindStandardClip(fixture);
    return clip == nullptr ? -1.0 : clip->recipe.duration_s;
}

// The output decodes as MP3 with the expected length (an MP3 encoder adds
// at most a frame or two of padding).
void ExpectMp3Of(const fs::path& output, double seconds) {
    SCOPED_TRACE(output.string());
    ASSERT_TRUE(fs::exists(output));
    const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(output);
    EXPECT_EQ(audio.codec_name, "mp3");
    EXPECT_NEAR(audio.duration_s, seconds, 0.12);
    EXPECT_EQ(audio.decode_errors, 0);
}

// A 1 kHz tone long enough to be still converting when a test acts on the
// run, and `copies` more of it beside it ("long 2.mp4", ...).
void WriteLongClips(const fs::path& folder, double seconds, int copies) {
    fixtures::ClipRecipe clip;
    clip.duration_s = seconds;
    clip.streams = {fixtures::Audio("aac", 48000, 2, 1000.0, 0.5)};
    fixtures::WriteClip(folder / "long 1.mp4", clip);
    for (int i = 2; i <= copies + 1; ++i) {
        fs::copy_file(folder / "long 1.mp4", folder / ("long " + std::to_string(i) + ".mp4"));
    }
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { LoadConverterLibs(); }

    fs::path Folder(const std::string& name) {
        const fs::path folder = scratch_.Path() / name;
        fs::create_directories(folder);
        return folder;
    }
    static void CopyFixture(const std::string& name, const fs::path& folder,
                            const std::string& as = "") {
        fs::copy_file(Fixture(name), folder / (as.empty() ? name : as));
    }

    TempDir scratch_{"cli"};
};

TEST_F(CliTest, FolderWithTwoJobsConvertsEveryVideoFile) {
    const std::vector<std::string> videos = {"avi_mpeg4_mp2.avi", "mkv_ac3_51_two_audio.mkv",
                                             "mono_mp2_48k.avi", "mp4_h264_aac.mp4",
                                             "ts_start_10s.ts"};
    const fs::path in = Folder("in");
    for (const std::string& name : videos) {
        CopyFixture(name, in);
    }
    // Not among the video masks: a folder input leaves it out.
    CopyFixture("wav_pcm_44k_stereo.wav", in);
    const fs::path out = Folder("out");

    const TCliResult run =
        RunCli({"--jobs", "2", "--out", out.string(), in.string()}, scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> printed = run.OutLines();
    ASSERT_EQ(printed.size(), videos.size()) << run.out;
    for (const std::string& name : videos) {
        const fs::path output = out / (fs::path(name).stem().string() + ".mp3");
        EXPECT_NE(std::find(printed.begin(), printed.end(), output.string()), printed.end());
        ExpectMp3Of(output, ClipSeconds(name));
        // One line when the file starts, one when it ends.
        EXPECT_NE(run.err.find("start  " + (in / name).string()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("done   " + (in / name).string()), std::string::npos) << run.err;
    }
    EXPECT_EQ(FilesIn(out).size(), videos.size());

    // --quiet leaves standard error empty on success; the names still come.
    const TCliResult quiet =
        RunCli({"--quiet", "--out", out.string(), (in / videos[0]).string()}, scratch_.Path());
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    // The first output is there: the name is numbered, never replaced.
    EXPECT_EQ(quiet.OutLines(),
              std::vector<std::string>{(out / "avi_mpeg4_mp2_(new_1).mp3").string()});
}

TEST_F(CliTest, ALargeBatchKeepsEveryNameDistinct) {
    // More files than one round of tasks holds, with the same names in two
    // folders: every output is written, and none replaces another.
    const fs::path first = Folder("first");
    const fs::path second = Folder("second");
    constexpr int kPerFolder = 20;
    for (int i = 0; i < kPerFolder; ++i) {
        const std::string name = "clip " + std::to_string(i) + ".avi";
        CopyFixture("avi_mpeg4_mp2.avi", first, name);
        CopyFixture("mono_mp2_48k.avi", second, name);
    }
    const fs::path out = Folder("out");
    const TCliResult run =
        RunCli({"--jobs", "2", "--quiet", "--out", out.string(), first.string(), second.string()},
               scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> printed = run.OutLines();
    EXPECT_EQ(printed.size(), 2u * kPerFolder);
    EXPECT_EQ(std::set<std::string>(printed.begin(), printed.end()).size(), printed.size());
    EXPECT_EQ(FilesIn(out).size(), 2u * kPerFolder);
    for (int i = 0; i < kPerFolder; ++i) {
        const std::string stem = "clip " + std::to_string(i);
        const fixtures::AudioAnalysis a = fixtures::AnalyzeAudio(out / (stem + ".mp3"));
        const fixtures::AudioAnalysis b = fixtures::AnalyzeAudio(out / (stem + "_(new_1).mp3"));
        // The first folder's file keeps the plain name: the other one is mono.
        EXPECT_EQ(a.channels, fixtures::AnalyzeAudio(Fixture("avi_mpeg4_mp2.avi")).channels);
        EXPECT_EQ(b.channels, 1);
        EXPECT_NEAR(a.duration_s, ClipSeconds("avi_mpeg4_mp2.avi"), 0.12);
        EXPECT_NEAR(b.duration_s, ClipSeconds("mono_mp2_48k.avi"), 0.12);
    }
}

TEST_F(CliTest, UsageErrorsExitWithStatusTwoAndTheUsage) {
    const std::string clip = Fixture("avi_mpeg4_mp2.avi").string();
    const std::string missing = (scratch_.Path() / "no such folder").string();
    const std::string a_file = Fixture("wav_pcm_44k_stereo.wav").string();
    struct Case {
        std::vector<std::string> args;
        std::string message;  // a part of the message, e.g. the allowed items
    };
    const std::vector<Case> cases = {
        {{}, "no input"},
        {{"--frobnicate", clip}, "unknown option --frobnicate"},
        {{"--rate", "12345", clip}, "auto, 8000, 11025, 22050, 44100, 48000"},
        {{"--rate=96000", clip}, "auto, 8000, 11025, 22050, 44100, 48000"},
        {{"--channels", "quad", clip}, "auto, mono, stereo"},
        {{"--bitrate", "100", clip},
         "auto, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320"},
        {{"--volume", "300", clip}, "auto, 25, 50, 75, 100, 125, 150, 175, 200"},
        {{"--profile", "no such profile", clip}, "MP3 (Auto)"},
        {{"--jobs", "-1", clip}, "--jobs"},
        {{"--jobs", "two", clip}, "--jobs"},
        {{"--out", missing, clip}, "Output folder is unavailable"},
        {{"--out", a_file, clip}, "Output folder is unavailable"},
        {{"--out", scratch_.Path().string(), "--same-folder", clip}, "exclude"},
        {{clip, "--out"}, "--out needs a value"},
        {{"--quiet=yes", clip}, "takes no value"},
        {{"--audio-track", "0", clip}, "not a track number"},
        {{"--audio-lang", "e1", clip}, "not a language code"},
        {{"--audio-track", "1", "--audio-lang", "eng", clip}, "exclude each other"},
        {{"--recursive=yes", clip}, "takes no value"},
        {{"--normalize=-20", clip}, "-23, -18, -16 or -14"},
        {{"--normalize=loud", clip}, "-23, -18, -16 or -14"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) {
            joined += " [" + arg + "]";
        }
        SCOPED_TRACE(joined);
        const TCliResult run = RunCli(c.args, scratch_.Path());
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage: video2mp3-cli"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    // Nothing was written anywhere by a refused command line.
    EXPECT_TRUE(FilesIn(scratch_.Path()).empty());

    const TCliResult help = RunCli({"--help"}, scratch_.Path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: video2mp3-cli"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

TEST_F(CliTest, AFailingFileFailsTheRunButNotTheOthers) {
    const fs::path in = Folder("in");
    for (const char* name :
         {"avi_mpeg4_mp2.avi", "video_only.avi", "not_media.avi", "mp4_h264_aac.mp4"}) {
        CopyFixture(name, in);
    }
    const fs::path out = Folder("out");
    const TCliResult run =
        RunCli({"--jobs", "2", "--out", out.string(), (in / "avi_mpeg4_mp2.avi").string(),
                (in / "video_only.avi").string(), (in / "not_media.avi").string(),
                (in / "absent.avi").string(), (in / "mp4_h264_aac.mp4").string()},
               scratch_.Path());
    EXPECT_EQ(run.status, 1) << run.err;
    for (const char* bad : {"video_only.avi", "not_media.avi", "absent.avi"}) {
        EXPECT_NE(run.err.find("failed " + (in / bad).string() + ": "), std::string::npos)
            << run.err;
    }
    ExpectMp3Of(out / "avi_mpeg4_mp2.mp3", ClipSeconds("avi_mpeg4_mp2.avi"));
    ExpectMp3Of(out / "mp4_h264_aac.mp3", ClipSeconds("mp4_h264_aac.mp4"));
    // The failed task's output is not left behind half-made.
    EXPECT_EQ(FilesIn(out), (std::set<std::string>{"avi_mpeg4_mp2.mp3", "mp4_h264_aac.mp3"}));
    EXPECT_EQ(run.OutLines().size(), 2u);
}

// Files that cannot be converted say why in words a user follows.
TEST_F(CliTest, UnconvertibleFilesSayWhyReadably) {
    const fs::path in = Folder("in");
    CopyFixture(fixtures::kEmptyFile, in);
    CopyFixture(fixtures::kOneHertzWav, in);
    CopyFixture("flac_48k_stereo.flac", in, "cut.flac");
    fs::resize_file(in / "cut.flac", 100);
    fixtures::WriteWavClaimingRate(in / "unknown codec.wav", 8000, 0x1234);
    fs::create_symlink("loop.avi", in / "loop.avi");
    const std::pair<const char*, const char*> cases[] = {
        {fixtures::kEmptyFile, "the file is empty"},
        {fixtures::kOneHertzWav, "Unsupported sample rate 1 Hz: not a media file"},
        {"cut.flac", "the file ends too early or is damaged"},
        {"unknown codec.wav", "its codec is unknown"},
        {"loop.avi", "its symbolic links go round in a loop"},
    };
    std::vector<std::string> args = {"--out", Folder("out").string()};
    for (const auto& [name, words] : cases) {
        args.push_back((in / name).string());
    }
    const TCliResult run = RunCli(args, scratch_.Path());
    EXPECT_EQ(run.status, 1) << run.err;
    for (const auto& [name, words] : cases) {
        EXPECT_NE(run.err.find("failed " + (in / name).string() + ": "), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << name << "\n" << run.err;
    }
}

// A FLAC stream description without rate or block size is not copied into
// the output (no player would decode it): the sound is re-encoded whole.
TEST_F(CliTest, AFlacWithADamagedStreamDescriptionIsReencoded) {
    const fs::path in = Folder("in");
    const fs::path out = Folder("out");
    std::ifstream source(Fixture("flac_48k_stereo.flac"), std::ios::binary);
    const std::string flac((std::istreambuf_iterator<char>(source)),
                           std::istreambuf_iterator<char>());
    ASSERT_EQ(flac.compare(0, 4, "fLaC"), 0);
    // After the marker and the block header: the block sizes, then the rate.
    std::string no_rate = flac;
    no_rate.replace(18, 3, std::string("\0\0", 2) + static_cast<char>(no_rate[20] & 0x0F));
    std::string no_block_size = flac;
    no_block_size.replace(8, 4, std::string(4, '\0'));
    for (const auto& [name, bytes] :
         {std::pair{"no rate.flac", no_rate}, std::pair{"no block size.flac", no_block_size}}) {
        SCOPED_TRACE(name);
        std::ofstream(in / name, std::ios::binary) << bytes;
        const TCliResult run = RunCli(
            {"--profile", "flac", "--out", out.string(), (in / name).string()}, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        const fixtures::AudioAnalysis audio =
            fixtures::AnalyzeAudio(out / fs::path(name).replace_extension(".flac"));
        EXPECT_EQ(audio.sample_rate, 48000);
        EXPECT_NEAR(audio.duration_s, ClipSeconds("flac_48k_stereo.flac"), 0.05);
        EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 10.0);
        EXPECT_EQ(audio.decode_errors, 0);
    }
}

// Under a low open-file limit a round holds only the inputs the limit has
// room for, so every file still converts.
TEST_F(CliTest, ALowOpenFileLimitMakesSmallerRoundsNotFailures) {
    const fs::path in = Folder("in");
    fixtures::ClipRecipe clip;
    clip.duration_s = 0.3;
    clip.streams = {fixtures::Audio("aac", 44100, 1, 1000.0, 0.5)};
    fixtures::WriteClip(in / "f00.mp4", clip);
    for (int i = 1; i < 40; ++i) {
        fs::copy_file(in / "f00.mp4", in / Format("f%02d.mp4", i));
    }
    const fs::path out = Folder("out");
    const TCliResult run = RunCli({"--quiet", "--jobs", "2", "--out", out.string(), in.string()},
                                  scratch_.Path(), {}, [] {
                                      const rlimit limit{20, 20};
                                      ::setrlimit(RLIMIT_NOFILE, &limit);
                                  });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(FilesIn(out).size(), 40u) << run.err;
}

TEST_F(CliTest, InterruptStopsTheRunAndDeletesUnfinishedOutputs) {
    // Long enough that the batch is still converting when the signal comes.
    const fs::path in = Folder("in");
    WriteLongClips(in, 60.0, 3);
    const fs::path out = Folder("out");
    bool signalled = false;
    const TCliResult run = RunCli({"--jobs", "1", "--out", out.string(), in.string()},
                                  scratch_.Path(), [&](const std::string& line, pid_t child) {
                                      if (!signalled && line.find(" start ") != std::string::npos) {
                                          signalled = true;
                                          ::kill(child, SIGINT);
                                      }
                                  });
    ASSERT_TRUE(signalled) << run.err;
    EXPECT_EQ(run.status, 130) << run.err;
    // Only outputs reported as written remain, and each is whole.
    const std::vector<std::string> printed = run.OutLines();
    std::set<std::string> printed_names;
    for (const std::string& path : printed) {
        printed_names.insert(fs::path(path).filename().string());
        ExpectMp3Of(path, 60.0);
    }
    EXPECT_EQ(FilesIn(out), printed_names);
    EXPECT_LT(printed.size(), 4u);
    // The inputs are the user's and stay.
    EXPECT_EQ(FilesIn(in).size(), 4u);
}

// Two runs writing same-named outputs into one folder at once: each output
// is created exclusively, so none replaces another and each run prints the
// names it really wrote.
TEST_F(CliTest, TwoRunsIntoOneFolderLoseNothing) {
    const double tones[] = {440.0, 880.0};
    std::vector<fs::path> inputs;
    for (const double tone : tones) {
        const fs::path in = Folder("in" + std::to_string(static_cast<int>(tone)));
        fixtures::ClipRecipe clip;
        clip.duration_s = 0.3;
        clip.streams = {fixtures::Audio("aac", 44100, 1, tone, 0.5)};
        fixtures::WriteClip(in / "f000.mp4", clip);
        for (int i = 1; i < 100; ++i) {
            fs::copy_file(in / "f000.mp4", in / Format("f%03d.mp4", i));
        }
        inputs.push_back(in);
    }
    const fs::path out = Folder("out");
    TCliResult runs[2];
    std::thread second([&] {
        runs[1] = RunCli({"--quiet", "--jobs", "2", "--out", out.string(), inputs[1].string()},
                         scratch_.Path());
    });
    runs[0] = RunCli({"--quiet", "--jobs", "2", "--out", out.string(), inputs[0].string()},
                     scratch_.Path());
    second.join();
    std::set<std::string> printed;
    for (size_t run = 0; run < 2; ++run) {
        ASSERT_EQ(runs[run].status, 0) << runs[run].err;
        ASSERT_EQ(runs[run].OutLines().size(), 100u);
        for (const std::string& path : runs[run].OutLines()) {
            SCOPED_TRACE(path);
            EXPECT_TRUE(printed.insert(path).second) << "printed twice";
            const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(path);
            EXPECT_NEAR(audio.Loudest().frequency_hz, tones[run], 5.0);
            EXPECT_NEAR(audio.duration_s, 0.3, 0.12);
        }
    }
    EXPECT_EQ(FilesIn(out).size(), 200u) << "nothing else, no partial file";
}

// Names nothing may happen to: a folder and a dangling link where outputs
// would go, a FIFO given as input, a name a library could read as a URL,
// and a name with a line break, printed on one line.
TEST_F(CliTest, TakenNamesAndOddInputsAreHandledSafely) {
    const fs::path in = Folder("in");
    const fs::path out = Folder("out");
    CopyFixture("avi_mpeg4_mp2.avi", in, "a.avi");
    CopyFixture("avi_mpeg4_mp2.avi", in, "b.avi");
    CopyFixture("avi_mpeg4_mp2.avi", in, "data:c.avi");
    CopyFixture("avi_mpeg4_mp2.avi", in, "line\nbreak.avi");
    ASSERT_EQ(::mkfifo((in / "fifo.avi").c_str(), 0600), 0);
    fs::create_directory(out / "a.mp3");
    fs::create_symlink(out / "nowhere", out / "b.mp3");

    const auto started = std::chrono::steady_clock::now();
    const TCliResult run = RunCli(
        {"--out", out.string(), "a.avi", "b.avi", "fifo.avi", "data:c.avi", "line\nbreak.avi"}, in);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("failed " + (in / "fifo.avi").string() + ": not a regular file"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.OutLines(),
              (std::vector<std::string>{
                  (out / "a_(new_1).mp3").string(), (out / "b_(new_1).mp3").string(),
                  (out / "data:c.mp3").string(), (out / "line\\nbreak.mp3").string()}));
    for (const char* name : {"a_(new_1).mp3", "b_(new_1).mp3", "data:c.mp3", "line\nbreak.mp3"}) {
        ExpectMp3Of(out / name, ClipSeconds("avi_mpeg4_mp2.avi"));
    }
    EXPECT_TRUE(fs::is_directory(out / "a.mp3"));
    EXPECT_TRUE(fs::is_empty(out / "a.mp3"));
    EXPECT_EQ(fs::read_symlink(out / "b.mp3"), out / "nowhere");
}

// Stopped by a signal, or killed outright, a run never leaves anything under
// an output's own name that is not complete, nor any empty file.
TEST_F(CliTest, SignalsNeverLeaveAnUnfinishedFileUnderItsName) {
    const fs::path in = Folder("in");
    WriteLongClips(in, 30.0, 3);
    struct Case {
        int signal_number;
        int status;
        // Sent again at once, as a wrapper that signals the child and then its
        // process group does: still one request to stop.
        bool twice = false;
    };
    for (const Case c :
         {Case{SIGTERM, 143}, Case{SIGHUP, 129}, Case{SIGKILL, 137}, Case{SIGTERM, 143, true}}) {
        SCOPED_TRACE(testing::Message() << c.signal_number << (c.twice ? " twice" : ""));
        const fs::path out =
            Folder("out" + std::to_string(c.signal_number) + (c.twice ? "twice" : ""));
        int starts = 0;
        const TCliResult run =
            RunCli({"--jobs", "2", "--out", out.string(), in.string()}, scratch_.Path(),
                   [&](const std::string& line, pid_t child) {
                       if (line.find(" start ") != std::string::npos && ++starts == 2) {
                           ::kill(child, c.signal_number);
                           if (c.twice) {
                               // Past the moment the first one is taken.
                               std::this_thread::sleep_for(std::chrono::milliseconds(20));
                               ::kill(child, c.signal_number);
                           }
                       }
                   });
        EXPECT_EQ(run.status, c.status) << run.err;
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            SCOPED_TRACE(name);
            if (name.front() == '.') {
                // Only a hard kill can leave a partial file, under its hidden
                // name (empty while its first buffer was still in memory).
                EXPECT_EQ(c.signal_number, SIGKILL);
            } else {
                EXPECT_GT(fs::file_size(entry.path()), 0u);
                ExpectMp3Of(entry.path(), 30.0);
            }
        }
    }
}

// Inputs whose names are at the file system's limit get outputs whose names,
// numbered alternatives and hidden partial names all fit: shortened on a
// character boundary, never looping over names that cannot be made. Each run
// ends promptly on SIGTERM, and a folder too deep for any name fails alone.
TEST_F(CliTest, NamesAtTheLengthLimitAreShortenedNeverHung) {
    struct Case {
        const char* piece;  // repeated to make the name
        size_t bytes;       // of the input's whole name
    };
    const fs::path in = Folder("in");
    // Long enough to be converting when the start is seen: it may be seen a
    // fifth of a second late, and 30 seconds convert in a quarter of one.
    WriteLongClips(in, 120.0, 0);
    const double seconds = ClipSeconds("avi_mpeg4_mp2.avi");
    // Ends a run that regresses into a loop instead of hanging the tests.
    const auto watchdog = [] { ::alarm(60); };
    for (const Case c : {Case{"a", 251}, Case{"b", 253}, Case{"c", 255}, Case{"\xc3\xa9", 251},
                         Case{"\xe6\x97\xa5", 253}, Case{"\xe6\x97\xa5", 255}}) {
        std::string stem;
        while (stem.size() + std::strlen(c.piece) <= c.bytes - 4) {
            stem += c.piece;
        }
        stem.append(c.bytes - 4 - stem.size(), 'x');
        SCOPED_TRACE(std::to_string(c.bytes) + " bytes of " + c.piece);
        const fs::path out = Folder("out" + std::to_string(c.bytes) + c.piece);
        const fs::path input = in / (stem + ".avi");
        fs::copy_file(Fixture("avi_mpeg4_mp2.avi"), input);
        for (int run_number = 0; run_number < 2; ++run_number) {
            const TCliResult run =
                RunCli({"--out", out.string(), input.string()}, in, {}, watchdog);
            ASSERT_EQ(run.status, 0) << run.err;
            ASSERT_EQ(run.OutLines().size(), 1u) << run.out;
            const std::string name = fs::path(run.OutLines()[0]).filename().string();
            const std::string kept = name.substr(0, name.find(run_number == 0 ? ".mp3" : "_(new_"));
            // Room for the partial name of any numbered alternative.
            EXPECT_LE(kept.size() + std::strlen("_(new_123456).mp3") + 6, 255u) << name;
            EXPECT_TRUE(stem.starts_with(kept)) << name;
            EXPECT_TRUE(stem.size() == kept.size() ||
                        (static_cast<unsigned char>(stem[kept.size()]) & 0xC0) != 0x80)
                << "cut inside a character: " << name;
            EXPECT_EQ(name.ends_with(run_number == 0 ? ".mp3" : "_(new_1).mp3"), true) << name;
            ExpectMp3Of(out / name, seconds);
        }
        EXPECT_EQ(FilesIn(out).size(), 2u);
        fs::remove(input);

        // The same name on a clip long enough to be converting when SIGTERM comes.
        const fs::path long_input = in / (stem + ".mp4");
        fs::copy_file(in / "long 1.mp4", long_input);
        const fs::path stopped_out = Folder("stopped" + std::to_string(c.bytes) + c.piece);
        std::chrono::steady_clock::time_point signalled;
        const TCliResult stopped = RunCli(
            {"--out", stopped_out.string(), long_input.string()}, in,
            [&](const std::string& line, pid_t child) {
                if (line.find(" start ") != std::string::npos) {
                    signalled = std::chrono::steady_clock::now();
                    ::kill(child, SIGTERM);
                }
            },
            watchdog);
        EXPECT_EQ(stopped.status, 143) << stopped.err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(1));
        EXPECT_TRUE(fs::is_empty(stopped_out));
        fs::remove(long_input);
    }

    // Every mode names its output the same way.
    const fs::path longest = in / (std::string(251, 'm') + ".mp4");
    fs::copy_file(Fixture("mp4_h264_aac_cover.mp4"), longest);
    for (const std::vector<std::string>& mode :
         std::vector<std::vector<std::string>>{{"--profile", "flac"},
                                               {"--profile", "mkv"},
                                               {"--normalize"},
                                               {"--cover-from-video"}}) {
        SCOPED_TRACE(mode.front() + " " + mode.back());
        const fs::path out = Folder("mode" + mode.back());
        std::vector<std::string> args = mode;
        args.insert(args.end(), {"--out", out.string(), longest.string()});
        const TCliResult run = RunCli(args, in, {}, watchdog);
        EXPECT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(run.OutLines().size(), 1u) << run.err;
        EXPECT_LE(fs::path(run.OutLines()[0]).filename().string().size() + 6, 255u);
    }

    // A folder whose own path leaves no room for any name.
    fs::path deep = Folder("deep");
    while (deep.string().size() < 4080) {
        deep /= std::string(std::min<size_t>(200, 4080 - deep.string().size()), 'd');
    }
    fs::create_directories(deep);
    CopyFixture("avi_mpeg4_mp2.avi", in, "clip.avi");
    const TCliResult deep_run = RunCli({"--out", deep.string(), "clip.avi"}, in, {}, watchdog);
    EXPECT_EQ(deep_run.status, 1) << deep_run.err;
    EXPECT_NE(deep_run.err.find("File name too long: "), std::string::npos) << deep_run.err;
    EXPECT_TRUE(fs::is_empty(deep));
}

// A file that cannot be written whole (here past the file size limit, as on
// a full disk) fails with the system's words; the next file still converts.
TEST_F(CliTest, AFileTooLargeFailsAloneAndSaysWhy) {
    const fs::path in = Folder("in");
    WriteLongClips(in, 30.0, 0);
    fs::rename(in / "long 1.mp4", in / "big.mp4");
    CopyFixture("avi_mpeg4_mp2.avi", in, "small.avi");
    const fs::path out = Folder("out");
    const TCliResult run =
        RunCli({"--out", out.string(), (in / "big.mp4").string(), (in / "small.avi").string()},
               scratch_.Path(), {}, [] {
                   const rlimit limit{256 * 1024, 256 * 1024};
                   ::setrlimit(RLIMIT_FSIZE, &limit);
                   ::signal(SIGXFSZ, SIG_IGN);
               });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("failed " + (in / "big.mp4").string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(run.OutLines(), std::vector<std::string>{(out / "small.mp3").string()});
    ExpectMp3Of(out / "small.mp3", ClipSeconds("avi_mpeg4_mp2.avi"));
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"small.mp3"});
}

TEST_F(CliTest, NamesWithSpacesAndNonAsciiCharacters) {
    const fs::path in = Folder("entrée vidéos");
    const fs::path other = Folder("другая папка");
    CopyFixture("видео_тест ñ.avi", in);
    CopyFixture("mp4_h264_aac.mp4", in, "clip with spaces.mp4");
    // Same name as a file of the first folder: the batch keeps both outputs.
    CopyFixture("avi_mpeg4_mp2.avi", other, "clip with spaces.avi");
    const fs::path out = Folder("sortie ü 2");

    const TCliResult run =
        RunCli({"--out", out.string(), in.string(), (other / "clip with spaces.avi").string()},
               scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.OutLines().size(), 3u) << run.out;
    ExpectMp3Of(out / "видео_тест ñ.mp3", ClipSeconds("видео_тест ñ.avi"));
    ExpectMp3Of(out / "clip with spaces.mp3", ClipSeconds("mp4_h264_aac.mp4"));
    ExpectMp3Of(out / "clip with spaces_(new_1).mp3", ClipSeconds("avi_mpeg4_mp2.avi"));

    // Beside each input, with the default output folder being the current one.
    const TCliResult same = RunCli({"--same-folder", "--quiet", in.string()}, out);
    ASSERT_EQ(same.status, 0) << same.err;
    ExpectMp3Of(in / "видео_тест ñ.mp3", ClipSeconds("видео_тест ñ.avi"));
    ExpectMp3Of(in / "clip with spaces.mp3", ClipSeconds("mp4_h264_aac.mp4"));
}

TEST_F(CliTest, ProfilesAndListsChooseWhatIsWritten) {
    const std::vector<TConvertProfile> profiles = LoadProfiles(V2M_OUTPUT_DIR);
    ASSERT_FALSE(profiles.empty());
    const TCliResult listed = RunCli({"--list-profiles"}, scratch_.Path());
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = listed.OutLines();
    ASSERT_EQ(lines.size(), profiles.size());
    for (size_t i = 0; i < profiles.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with(profiles[i].Ext + " ")) << lines[i];
        EXPECT_NE(lines[i].find(profiles[i].Caption), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].find("[default]") != std::string::npos, i == 0) << lines[i];
    }

    const fs::path clip = Fixture("avi_mpeg4_mp2.avi");
    const fixtures::AudioAnalysis source = fixtures::AnalyzeAudio(clip);
    struct Case {
        std::vector<std::string> args;
        std::string extension;
        int rate;  // 0: the source's
        int channels;
        bool note;  // a list the profile fixes was given
    };
    const std::vector<Case> cases = {
        {{}, ".mp3", 0, source.channels, false},
        {{"--rate", "22050", "--channels", "mono"}, ".mp3", 22050, 1, false},
        {{"--profile", "mp3 - voice (mono, 64 kbps)", "--channels", "stereo"},
         ".mp3",
         22050,
         1,
         true},
        {{"--profile", "wav", "--rate", "8000"}, ".wav", 0, source.channels, true},
        {{"--profile", ".flac", "--channels", "mono"}, ".flac", 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension + " " + std::to_string(c.args.size()));
        const fs::path out = Folder("out" + std::to_string(&c - cases.data()));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--out", out.string(), clip.string()});
        const TCliResult run = RunCli(args, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("fixes") != std::string::npos, c.note) << run.err;
        const fs::path output = out / ("avi_mpeg4_mp2" + c.extension);
        ASSERT_EQ(run.OutLines(), std::vector<std::string>{output.string()});
        const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(output);
        EXPECT_EQ(audio.sample_rate, c.rate == 0 ? source.sample_rate : c.rate);
        EXPECT_EQ(audio.channels, c.channels);
        EXPECT_NEAR(audio.Loudest().frequency_hz, source.Loudest().frequency_hz, 5.0);
        EXPECT_NEAR(audio.duration_s, source.duration_s, 0.12);
    }
}

TEST_F(CliTest, NoTagsLeavesTheInputsTagsBehind) {
    const fs::path clip = Fixture("m4a_aac_cover.m4a");
    for (const bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "tags" : "--no-tags");
        const fs::path out = Folder(copy ? "tags" : "no-tags");
        std::vector<std::string> args = {"--profile", "mp3", "--out", out.string(), clip.string()};
        if (!copy) {
            args.insert(args.begin(), "--no-tags");
        }
        const TCliResult run = RunCli(args, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile((out / "m4a_aac_cover.mp3").string())) << probe.LastError();
        TFileStreamInfo info;
        probe.GetFileStreamInfo(info);
        EXPECT_EQ(info.Title, copy ? "Cover Song" : "");
        EXPECT_EQ(info.Album, copy ? "Generated Hits" : "");
    }
}

TEST_F(CliTest, CoverFromVideoGivesTheOutputAFrameAsCover) {
    const fs::path clip = Fixture("avi_mpeg4_mp2.avi");
    const fs::path out = Folder("cover");
    const TCliResult run =
        RunCli({"--cover-from-video", "--profile", "mp3", "--out", out.string(), clip.string()},
               scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile((out / "avi_mpeg4_mp2.mp3").string())) << probe.LastError();
    int covers = 0;
    for (unsigned i = 0; i < probe.Context()->nb_streams; ++i) {
        const AVStream* stream = probe.Context()->streams[i];
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
            ++covers;
            EXPECT_EQ(stream->codecpar->width, 320);
            EXPECT_EQ(stream->codecpar->height, 240);
        }
    }
    EXPECT_EQ(covers, 1);
}

// The payloads of the audio packets of the first audio stream, in order.
std::vector<std::string> AudioPayloads(const fs::path& file) {
    std::vector<std::string> payloads;
    AVFormatContext* raw = nullptr;
    if (ff::avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << file;
        return payloads;
    }
    InputContextPtr context(raw);
    ff::avformat_find_stream_info(raw, nullptr);
    const int audio = ff::av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    PacketPtr packet(ff::av_packet_alloc());
    while (ff::av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            payloads.emplace_back(reinterpret_cast<const char*>(packet->data),
                                  static_cast<size_t>(packet->size));
        }
        ff::av_packet_unref(packet.get());
    }
    return payloads;
}

TEST_F(CliTest, AudioTrackIsChosenByNumberOrLanguage) {
    // Track 1: AC-3 5.1 at 1 kHz; track 2: MP2 stereo 44.1 kHz at 500 Hz, "ger".
    const std::string clip = Fixture("mkv_ac3_51_two_audio.mkv").string();
    struct Case {
        std::vector<std::string> choice;
        double tone_hz;
        int channels;
        int rate;
        bool warned;
    };
    const std::vector<Case> cases = {
        {{"--audio-track", "2"}, 500.0, 2, 44100, false},
        {{"--audio-lang=GER"}, 500.0, 2, 44100, false},
        {{"--audio-lang", "fra"}, 1000.0, 6, 48000, true},
        {{}, 1000.0, 6, 48000, false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path out = Folder("out" + std::to_string(i));
        std::vector<std::string> args = cases[i].choice;
        args.insert(args.end(), {"--profile", "wav", "--out", out.string(), clip});
        const TCliResult run = RunCli(args, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        const fixtures::AudioAnalysis audio =
            fixtures::AnalyzeAudio(out / "mkv_ac3_51_two_audio.wav");
        EXPECT_NEAR(audio.Loudest().frequency_hz, cases[i].tone_hz, 5.0);
        // "Auto" follows the converted track.
        EXPECT_EQ(audio.channels, cases[i].channels);
        EXPECT_EQ(audio.sample_rate, cases[i].rate);
        EXPECT_EQ(run.err.find("has no audio track in \"fra\"") != std::string::npos,
                  cases[i].warned)
            << run.err;
    }
    // A file without the track fails alone, named; the other is converted.
    const fs::path out = Folder("missing");
    const std::string single = Fixture("avi_mpeg4_mp2.avi").string();
    const TCliResult run =
        RunCli({"--audio-track", "2", "--out", out.string(), single, clip}, scratch_.Path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("failed " + single + ": has no audio track 2 (it has 1)"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"mkv_ac3_51_two_audio.mp3"});
}

TEST_F(CliTest, AudioAlreadyInTheOutputCodecIsCopied) {
    const fs::path in = Folder("in");
    fixtures::ClipRecipe avi;
    avi.duration_s = 4.0;
    avi.streams = {fixtures::Video("mpeg4", 160, 120, {25, 1}),
                   fixtures::Audio("libmp3lame", 44100, 2, 1000.0, 0.5)};
    fixtures::WriteClip(in / "mp3.avi", avi);
    CopyFixture("mp4_h264_aac.mp4", in);
    const fs::path copied = Folder("copied");
    const TCliResult run =
        RunCli({"--profile", "MP3 (Auto)", "--out", copied.string(), (in / "mp3.avi").string()},
               scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> source = AudioPayloads(in / "mp3.avi");
    ASSERT_FALSE(source.empty());
    EXPECT_TRUE(AudioPayloads(copied / "mp3.mp3") == source);
    ASSERT_EQ(
        RunCli({"--profile", "m4a", "--out", copied.string(), (in / "mp4_h264_aac.mp4").string()},
               scratch_.Path())
            .status,
        0);
    EXPECT_TRUE(AudioPayloads(copied / "mp4_h264_aac.m4a") ==
                AudioPayloads(in / "mp4_h264_aac.mp4"));
    const fixtures::AudioAnalysis aac = fixtures::AnalyzeAudio(copied / "mp4_h264_aac.m4a");
    EXPECT_EQ(aac.codec_name, "aac");
    EXPECT_NEAR(aac.duration_s, ClipSeconds("mp4_h264_aac.mp4"), 0.1);
    // Raw AAC: the same frames without their ADTS headers.
    fixtures::ClipRecipe adts;
    adts.format = "adts";
    adts.streams = {fixtures::Audio("aac", 44100, 2, 1000.0, 0.5)};
    fixtures::WriteClip(in / "raw.aac", adts);
    ASSERT_EQ(RunCli({"--profile", "m4a", "--out", copied.string(), (in / "raw.aac").string()},
                     scratch_.Path())
                  .status,
              0);
    const std::vector<std::string> framed = AudioPayloads(in / "raw.aac");
    const std::vector<std::string> bare = AudioPayloads(copied / "raw.m4a");
    ASSERT_EQ(bare.size(), framed.size());
    for (size_t i = 0; i < bare.size(); ++i) {
        EXPECT_TRUE(framed[i].size() > bare[i].size() && framed[i].ends_with(bare[i])) << i;
    }

    // Every container whose profile leaves the lists on "auto" takes its own codec as it is.
    const auto joined = [](const std::vector<std::string>& payloads) {
        std::string all;
        for (const std::string& payload : payloads) {
            all += payload;
        }
        return all;
    };
    for (const char* name :
         {"wav_pcm_44k_stereo.wav", "flac_48k_stereo.flac", "ogg_vorbis_44k_stereo.ogg"}) {
        SCOPED_TRACE(name);
        const std::string ext = fs::path(name).extension().string().substr(1);
        ASSERT_EQ(RunCli({"--profile", ext, "--out", copied.string(), Fixture(name).string()},
                         scratch_.Path())
                      .status,
                  0);
        const std::string output = (copied / name).string();
        EXPECT_EQ(joined(AudioPayloads(output)), joined(AudioPayloads(Fixture(name))));
        EXPECT_NEAR(fixtures::AnalyzeAudio(output).duration_s, ClipSeconds(name), 0.05);
    }

    // What needs decoding is re-encoded: the packets differ, the tone stays.
    const std::vector<std::vector<std::string>> decoding = {{"--no-copy"},
                                                            {"--volume", "50"},
                                                            {"--rate", "22050"},
                                                            {"--channels", "mono"},
                                                            {"--bitrate", "64"}};
    for (size_t i = 0; i < decoding.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path out = Folder("encoded" + std::to_string(i));
        std::vector<std::string> args = decoding[i];
        args.insert(args.end(),
                    {"--profile", "MP3 (Auto)", "--out", out.string(), (in / "mp3.avi").string()});
        ASSERT_EQ(RunCli(args, scratch_.Path()).status, 0);
        EXPECT_FALSE(AudioPayloads(out / "mp3.mp3") == source);
        EXPECT_NEAR(fixtures::AnalyzeAudio(out / "mp3.mp3").Loudest().frequency_hz, 1000.0, 5.0);
    }
}

TEST_F(CliTest, RecursiveRecreatesTheFolderTree) {
    const fs::path in = Folder("in");
    fs::create_directories(in / "one" / "two");
    CopyFixture("avi_mpeg4_mp2.avi", in, "top.avi");
    CopyFixture("avi_mpeg4_mp2.avi", in / "one", "middle.avi");
    CopyFixture("mono_mp2_48k.avi", in / "one" / "two", "deep.avi");
    // An existing folder of the tree, and a file there, stay as they are.
    const fs::path out = Folder("out");
    fs::create_directories(out / "one");
    { std::ofstream(out / "one" / "middle.mp3") << "mine"; }

    const TCliResult flat =
        RunCli({"--out", Folder("flat").string(), in.string()}, scratch_.Path());
    ASSERT_EQ(flat.status, 0) << flat.err;
    EXPECT_EQ(FilesIn(scratch_.Path() / "flat"), std::set<std::string>{"top.mp3"});

    const TCliResult run =
        RunCli({"--recursive", "--out", out.string(), in.string()}, scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    ExpectMp3Of(out / "top.mp3", ClipSeconds("avi_mpeg4_mp2.avi"));
    ExpectMp3Of(out / "one" / "middle_(new_1).mp3", ClipSeconds("avi_mpeg4_mp2.avi"));
    ExpectMp3Of(out / "one" / "two" / "deep.mp3", ClipSeconds("mono_mp2_48k.avi"));
    EXPECT_EQ(fs::file_size(out / "one" / "middle.mp3"), 4u);
    EXPECT_EQ(FilesIn(out / "one"),
              (std::set<std::string>{"middle.mp3", "middle_(new_1).mp3", "two"}));
}

// --normalize brings each file to the target, bare or with one, in place of
// the --volume given (which is said).
TEST_F(CliTest, NormalizeBringsEachFileToTheTarget) {
    const fs::path in = Folder("in");
    CopyFixture("mp4_h264_aac.mp4", in);
    struct Case {
        std::vector<std::string> args;
        double lufs;
        double seconds;
    };
    const double clip = ClipSeconds("mp4_h264_aac.mp4");
    // A cut is measured alone, and no longer than it is.
    for (const Case& c :
         {Case{{"--normalize"}, -16.0, clip},
          Case{{"--normalize=-23", "--volume", "50"}, -23.0, clip},
          Case{{"--normalize=-18", "--start", "0.5", "--end", "1.5"}, -18.0, 1.0}}) {
        SCOPED_TRACE(c.lufs);
        const fs::path out = Folder("out" + std::to_string(static_cast<int>(c.lufs)));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--out", out.string(), (in / "mp4_h264_aac.mp4").string()});
        const TCliResult run = RunCli(args, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("--volume") != std::string::npos, c.args.size() == 3) << run.err;
        const fixtures::LoudnessAnalysis measured =
            fixtures::AnalyzeLoudness(out / "mp4_h264_aac.mp3");
        EXPECT_NEAR(measured.integrated_lufs, c.lufs, 0.5);
        EXPECT_LE(measured.true_peak_dbtp, -1.0);
        // The measuring pass does not make the file twice as long.
        EXPECT_NE(run.err.find("(" + Format("%.1f", c.seconds) + " s in "), std::string::npos)
            << run.err;
    }
}

// --analyze prints a row a file and converts nothing; --replaygain with
// --normalize-album gives every file of the folder the same album gain, as
// tags, the samples untouched; the readings of the first run are kept.
TEST_F(CliTest, AnalyzeAndAlbumGainTagsFromOneMeasurement) {
    const fs::path in = Folder("album");
    for (const double level : {-30.0, -14.0}) {
        fixtures::ClipRecipe clip;
        clip.duration_s = 3.0;
        clip.streams = {fixtures::Audio("aac", 48000, 2, 1000.0, std::pow(10.0, level / 20))};
        fixtures::WriteClip(in / Format("%d.mp4", static_cast<int>(-level)), clip);
    }
    const fs::path cache = scratch_.Path() / "cache";
    const auto in_child = [cache] { ::setenv("XDG_CACHE_HOME", cache.c_str(), 1); };
    const TCliResult analyzed = RunCli({"--analyze", in.string()}, scratch_.Path(), {}, in_child);
    ASSERT_EQ(analyzed.status, 0) << analyzed.err;
    std::istringstream rows(analyzed.out);
    std::string header;
    std::getline(rows, header);
    EXPECT_NE(header.find("LUFS"), std::string::npos);
    std::map<std::string, double> lufs;
    for (std::string row; std::getline(rows, row);) {
        lufs[fs::path(row.substr(row.rfind(' ') + 1)).filename().string()] = std::stod(row);
    }
    EXPECT_NEAR(lufs["30.mp4"], -30.0, 0.3);
    EXPECT_NEAR(lufs["14.mp4"], -14.0, 0.3);
    EXPECT_TRUE(fs::is_empty(Folder("out"))) << "nothing converted";
    EXPECT_TRUE(fs::exists(cache / "video2mp3" / "loudness.cache"));

    const fs::path out = Folder("out");
    const TCliResult tagged = RunCli({"--replaygain", "--normalize-album", "--profile", "flac",
                                      "--out", out.string(), in.string()},
                                     scratch_.Path(), {}, in_child);
    ASSERT_EQ(tagged.status, 0) << tagged.err;
    EXPECT_NE(tagged.err.find("0 files measured, 2 from the cache"), std::string::npos)
        << tagged.err;
    std::set<std::string> album_gains;
    for (const char* name : {"30.flac", "14.flac"}) {
        SCOPED_TRACE(name);
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile((out / name).string())) << probe.LastError();
        const AVDictionaryEntry* track =
            ff::av_dict_get(probe.Context()->metadata, "REPLAYGAIN_TRACK_GAIN", nullptr, 0);
        const AVDictionaryEntry* album =
            ff::av_dict_get(probe.Context()->metadata, "REPLAYGAIN_ALBUM_GAIN", nullptr, 0);
        ASSERT_TRUE(track != nullptr && album != nullptr);
        EXPECT_NEAR(std::stod(track->value), -18.0 - lufs[name[0] == '3' ? "30.mp4" : "14.mp4"],
                    0.1);
        album_gains.insert(album->value);
        EXPECT_NEAR(fixtures::AnalyzeLoudness(out / name).integrated_lufs,
                    lufs[name[0] == '3' ? "30.mp4" : "14.mp4"], 0.1);
    }
    EXPECT_EQ(album_gains.size(), 1u);

    // Scripts see the measuring as one event a file.
    const TCliResult json =
        RunCli({"--replaygain", "--progress=json", "--out", Folder("json").string(), in.string()},
               scratch_.Path(), {}, in_child);
    ASSERT_EQ(json.status, 0) << json.err;
    std::istringstream lines(json.err);
    size_t events = 0;
    for (std::string line; std::getline(lines, line);) {
        events += nlohmann::json::parse(line).value("event", "") == "loudness";
    }
    EXPECT_EQ(events, 2u);
}

// On a terminal, standard output and the progress line on standard error
// share the screen: each printed path stands on a line of its own, the
// percentage shows, and a summary ends the run.
TEST_F(CliTest, ATerminalShowsCleanLinesAndASummary) {
    const fs::path in = Folder("in");
    WriteLongClips(in, 60.0, 1);
    const fs::path out = Folder("out");
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(60);
        ::execl(V2M_CLI_PROGRAM, V2M_CLI_PROGRAM, "--jobs", "1", "--out", out.c_str(), in.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        screen.append(buffer, static_cast<size_t>(n));
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    // What a terminal shows of each line: what follows its last return,
    // without the sequence that clears the rest of the line.
    std::vector<std::string> shown;
    std::istringstream lines(screen);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line = line.substr(line.rfind('\r') == std::string::npos ? 0 : line.rfind('\r') + 1);
        if (line.starts_with("\033[K")) {
            line.erase(0, 3);
        }
        shown.push_back(line);
    }
    for (const char* name : {"long 1.mp3", "long 2.mp3"}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), (out / name).string()), shown.end())
            << name << " on a line of its own:\n"
            << screen;
    }
    EXPECT_EQ(screen.find("?%"), std::string::npos) << screen;
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown.back().starts_with("2 files: 2 converted in ") &&
                shown.back().ends_with("x real time"))
        << shown.back();

    const TCliResult version = RunCli({"--version"}, scratch_.Path());
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("video2mp3-cli ")) << version.out;
}

// ---------------------------------------------------------------------------
// Pieces, cuts, names

// A 1 kHz tone with a title and artist, in three chapters.
fixtures::ClipRecipe ChapteredClip(const std::string& codec, int rate) {
    fixtures::ClipRecipe clip;
    clip.duration_s = 9.0;
    clip.streams = {fixtures::Audio(codec, rate, 2, 1000.0, 0.5)};
    clip.tags = {{"title", "Live Set"}, {"artist", "The Band"}};
    clip.chapters = {{0.0, 2.5, "Intro"}, {2.5, 6.25, "Song"}, {6.25, 9.0, ""}};
    return clip;
}

// The pieces decoded one after another, against the source decoded whole:
// the length lost or added at the joins and the largest sample difference
// once aligned.
struct TJoinCheck {
    int64_t LengthDifference = 0;
    double LargestDifference = 0.0;
};

TJoinCheck JoinAgainstSource(const fs::path& source, const std::vector<std::string>& pieces) {
    int rate = 0;
    const std::vector<std::vector<float>> whole = fixtures::DecodeAudio(source, &rate);
    std::vector<float> joined;
    for (const std::string& piece : pieces) {
        int piece_rate = 0;
        const std::vector<std::vector<float>> decoded = fixtures::DecodeAudio(piece, &piece_rate);
        EXPECT_EQ(piece_rate, rate) << piece;
        joined.insert(joined.end(), decoded.front().begin(), decoded.front().end());
    }
    TJoinCheck check;
    check.LengthDifference =
        static_cast<int64_t>(joined.size()) - static_cast<int64_t>(whole.front().size());
    for (size_t i = 0; i < std::min(joined.size(), whole.front().size()); ++i) {
        check.LargestDifference =
            std::max<double>(check.LargestDifference, std::fabs(joined[i] - whole.front()[i]));
    }
    return check;
}

TEST_F(CliTest, SplitByChaptersGivesTaggedPiecesThatJoinSeamlessly) {
    struct TCase {
        const char* source;
        const char* codec;
        const char* profile;
        // MP4 keeps sample-exact times; Matroska's are whole milliseconds,
        // and a lossy output's frames blur the samples at the joins.
        bool exact;
    };
    const TCase cases[] = {{"chapters.mp4", "aac", "flac", true},
                           {"chapters.mkv", "ac3", "flac", false},
                           {"chapters.mp4", "aac", "mp3", false}};
    const double lengths[] = {2.5, 3.75, 2.75};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " to " + c.profile);
        const fs::path in = Folder("split-in");
        const fs::path source = in / c.source;
        if (!fs::exists(source)) {
            fixtures::WriteClip(source, ChapteredClip(c.codec, 48000));
        }
        const fs::path out = Folder(std::string("split-") + c.source + c.profile);
        const TCliResult run = RunCli(
            {"--split-chapters", "--profile", c.profile, "--out", out.string(), source.string()},
            scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> pieces = run.OutLines();
        ASSERT_EQ(pieces.size(), 3u) << run.out;
        const std::string stem = fs::path(c.source).stem().string();
        EXPECT_EQ(pieces[0], (out / (stem + " - 01 - Intro." + c.profile)).string());
        EXPECT_EQ(pieces[2], (out / (stem + " - 03 - Chapter 3." + c.profile)).string());
        const std::string titles[] = {"Intro", "Song", "Chapter 3"};
        for (size_t n = 0; n < pieces.size(); ++n) {
            SCOPED_TRACE(pieces[n]);
            const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(pieces[n]);
            // Within one encoder frame.
            EXPECT_NEAR(audio.duration_s, lengths[n], 1152.0 / 48000.0 + 0.002);
            EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 5.0);
            TAVProbe probe;
            ASSERT_TRUE(probe.LoadFile(pieces[n])) << probe.LastError();
            TFileStreamInfo info;
            probe.GetFileStreamInfo(info);
            EXPECT_EQ(info.Title, titles[n]);
            EXPECT_EQ(info.Track, static_cast<int32_t>(n + 1));
            EXPECT_EQ(info.Album, "Live Set");
            EXPECT_EQ(info.Author, "The Band");
        }
        const TJoinCheck join = JoinAgainstSource(source, pieces);
        // No sample lost or repeated beyond one frame of padding per join.
        EXPECT_LE(std::llabs(join.LengthDifference), c.exact ? 1024 : 3 * 1152);
        if (c.exact) {
            EXPECT_LT(join.LargestDifference, 1e-3);
        }
    }
}

TEST_F(CliTest, TimestampListsAndCueSheetsGiveTheSamePieces) {
    const fs::path in = Folder("points");
    fixtures::ClipRecipe clip = ChapteredClip("aac", 44100);
    clip.chapters.clear();
    fixtures::WriteClip(in / "set.mp4", clip);
    const std::map<std::string, std::string> lists = {
        {"plain.txt", "0:00 Intro\n0:03 Song\n0:06.5 Encore\n"},
        {"dashes.txt", "Tracklist:\n00:00 - Intro\n00:03 - Song\n00:06.500 - Encore\n"},
        {"brackets.txt", "[0:00:00] Intro\n[0:00:03] Song\n[0:00:06.5] Encore\n"},
        {"sheet.cue",
         "FILE \"set.mp4\" WAVE\n"
         "  TRACK 01 AUDIO\n    TITLE \"Intro\"\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    TITLE \"Song\"\n    INDEX 01 00:03:00\n"
         "  TRACK 03 AUDIO\n    TITLE \"Encore\"\n    INDEX 01 00:06:37\n"},
        {"unsorted.txt", "0:00 Intro\n0:06 Song\n0:03 Encore\n"}};
    std::map<std::string, std::string> plans;
    for (const auto& [name, text] : lists) {
        std::ofstream(in / name) << text;
        const TCliResult run = RunCli(
            {"--dry-run", "--chapters-from", (in / name).string(), (in / "set.mp4").string()},
            scratch_.Path());
        EXPECT_EQ(run.status, name == "unsorted.txt" ? 1 : 0) << name << ": " << run.err;
        plans[name] = run.out;
    }
    // Cue frames are 1/75 s: 37 of them are 6.493 s.
    EXPECT_NE(plans["plain.txt"].find("encode 0:03 +0:03.500"), std::string::npos)
        << plans["plain.txt"];
    EXPECT_EQ(plans["dashes.txt"], plans["plain.txt"]);
    EXPECT_EQ(plans["brackets.txt"], plans["plain.txt"]);
    EXPECT_NE(plans["sheet.cue"].find("set - 03 - Encore.mp3"), std::string::npos);
    EXPECT_EQ(plans["unsorted.txt"], "");

    // A cue sheet beside a file without chapters; performers from the sheet
    // or the list, the same names either way.
    std::ofstream(in / "set.cue")
        << "PERFORMER \"The Band\"\nFILE \"set.mp4\" WAVE\n"
           "  TRACK 01 AUDIO\n    TITLE \"Intro\"\n    INDEX 01 00:00:00\n"
           "  TRACK 02 AUDIO\n    TITLE \"Song\"\n"
           "    PERFORMER \"Guest\"\n    INDEX 01 00:03:00\n";
    std::ofstream(in / "seconds.txt") << "0:00 The Band - Intro\n0:03 Guest - Song\n";
    const fs::path out = Folder("points-out");
    for (const std::vector<std::string>& how :
         {std::vector<std::string>{"--split-chapters"},
          std::vector<std::string>{"--chapters-from", (in / "seconds.txt").string()}}) {
        std::vector<std::string> args = how;
        args.insert(args.end(), {"--skip-existing", "--name", "{artist} - {title}", "--out",
                                 out.string(), (in / "set.mp4").string()});
        const TCliResult run = RunCli(args, scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(FilesIn(out),
                  (std::set<std::string>{"The Band - Intro.mp3", "Guest - Song.mp3"}));
    }
    ExpectMp3Of(out / "Guest - Song.mp3", 6.0);
}

TEST_F(CliTest, CutsGiveTheAskedLengthOrSayWhyNot) {
    const fs::path in = Folder("cut");
    fixtures::WriteClip(in / "clip.mp4", ChapteredClip("aac", 44100));
    struct TCase {
        std::vector<std::string> args;
        double seconds;  // < 0: refused
        const char* message;
    };
    // A cut to the end takes the source's last frame whole, padding and all.
    const double to_end_tolerance = 1024.0 / 44100.0;
    const TCase cases[] = {
        {{"--start", "1.5", "--end", "0:04"}, 2.5, ""},
        {{"--start", "0:02.25", "--duration", "1.25"}, 1.25, ""},
        {{"--end", "3"}, 3.0, ""},
        {{"--start", "0:07", "--end", "20"}, 2.0, "to the end"},
        {{"--start", "0:12"}, -1.0, "The cut starts at 0:12, past the end of the file (0:09)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args[1]);
        const fs::path out = Folder("cut-out");
        fs::remove_all(out);
        fs::create_directories(out);
        std::vector<std::string> args = c.args;
        args.insert(args.end(),
                    {"--profile", "wav", "--out", out.string(), (in / "clip.mp4").string()});
        const TCliResult run = RunCli(args, scratch_.Path());
        if (c.seconds < 0) {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_TRUE(FilesIn(out).empty());
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NEAR(fixtures::AnalyzeAudio(out / "clip.wav").duration_s, c.seconds,
                    *c.message != '\0' ? to_end_tolerance : 0.001);
    }
}

TEST_F(CliTest, TemplateNamesStayInsideTheOutputFolderAndReplaceNothing) {
    const fs::path in = Folder("hostile");
    fixtures::ClipRecipe clip;
    clip.duration_s = 1.0;
    clip.streams = {fixtures::Audio("aac", 44100, 1, 440.0, 0.5)};
    clip.tags = {{"title", "../" + std::string(300, 'x') + "\xc3\xa9/end"},
                 {"artist", ".."},
                 {"album", "A\x01\x7f/B"}};
    fixtures::WriteClip(in / "song.mp4", clip);
    const fs::path out = Folder("hostile-out");
    const std::string canonical = fs::canonical(out).string() + "/";
    std::vector<std::string> written;
    for (int run_number = 0; run_number < 2; ++run_number) {
        const TCliResult run = RunCli({"--name", "{artist}/{album}/{title}", "--out", out.string(),
                                       (in / "song.mp4").string()},
                                      scratch_.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(run.OutLines().size(), 1u);
        written.push_back(run.OutLines().front());
    }
    ASSERT_NE(written[0], written[1]);
    const auto first_inode = fs::hard_link_count(written[0]);
    for (const std::string& name : written) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::canonical(name).string().starts_with(canonical));
        for (const fs::path& part : fs::path(name.substr(canonical.size()))) {
            EXPECT_LE(part.string().size(), 255u);
            EXPECT_NE(part.string(), "..");
            EXPECT_EQ(part.string().find_first_of("\x01\x7f"), std::string::npos);
        }
        ExpectMp3Of(name, 1.0);
    }
    EXPECT_EQ(fs::hard_link_count(written[0]), first_inode);
}

TEST_F(CliTest, ADryRunChangesNothingAndSkippingLeavesDoneFilesAlone) {
    const fs::path in = Folder("dry");
    fixtures::WriteClip(in / "a.mp4", ChapteredClip("aac", 44100));
    CopyFixture("avi_mpeg4_mp2.avi", in);
    const fs::path out = Folder("dry-out");
    std::ofstream(out / "avi_mpeg4_mp2.mp3") << "taken";
    auto listing = [&] {
        std::vector<std::pair<std::string, fs::file_time_type>> entries;
        for (const fs::path& folder : {in, out, scratch_.Path()}) {
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                entries.emplace_back(entry.path().string(), entry.last_write_time());
            }
        }
        return entries;
    };
    const auto before = listing();
    const TCliResult dry = RunCli(
        {"--dry-run", "--split-chapters", "--out", out.string(), in.string()}, scratch_.Path());
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(listing(), before);
    EXPECT_NE(dry.out.find("encode 0:02.500 +0:03.750"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find((out / "avi_mpeg4_mp2_(new_1).mp3").string()), std::string::npos);

    // What the plan promised is what a run writes; a second run with
    // skipping writes nothing more.
    const TCliResult run =
        RunCli({"--split-chapters", "--skip-existing", "--out", out.string(), in.string()},
               scratch_.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(FilesIn(out).size(), 4u);  // the taken name was complete: skipped
    const TCliResult again =
        RunCli({"--split-chapters", "--skip-existing", "--out", out.string(), in.string()},
               scratch_.Path());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "");
    EXPECT_NE(again.err.find("2 files: 0 converted, 2 skipped"), std::string::npos) << again.err;
    EXPECT_EQ(FilesIn(out).size(), 4u);
}

TEST_F(CliTest, JsonProgressAndNulSeparatedListsTakeAnyName) {
    const fs::path in = Folder("json");
    const std::vector<std::string> names = {"a b.mp4", "line\nbreak.mp4", "bad\xff name.mp4"};
    std::string list;
    for (const std::string& name : names) {
        CopyFixture("mp4_h264_aac.mp4", in, name);
        list += (in / name).string() + '\0';
    }
    std::ofstream(in / "list", std::ios::binary) << list;
    const fs::path out = Folder("json-out");
    const std::string list_file = (in / "list").string();
    const TCliResult run =
        RunCli({"--progress=json", "--files-from", "-", "--null", "--out", out.string()},
               scratch_.Path(), {}, [&] {
                   const int fd = ::open(list_file.c_str(), O_RDONLY);
                   ::dup2(fd, STDIN_FILENO);
               });
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, int> events;
    std::set<std::string> ended;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
        SCOPED_TRACE(line);
        const nlohmann::json object = nlohmann::json::parse(line);  // throws on a bad line
        const std::string event = object.at("event").get<std::string>();
        ++events[event];
        if (event == "ended") {
            EXPECT_EQ(object.at("status"), "completed");
            // The name in full, whatever bytes it holds.
            std::string file = object.at("file").get<std::string>();
            if (object.contains("file_hex")) {
                const std::string hex = object.at("file_hex").get<std::string>();
                file.clear();
                for (size_t i = 0; i + 1 < hex.size(); i += 2) {
                    file += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
                }
            }
            ended.insert(file);
        } else if (event == "summary") {
            EXPECT_EQ(object.at("converted").get<int>(), 3);
            EXPECT_GE(object.at("wall_seconds").get<double>(), 0.0);
        } else if (event == "progress") {
            EXPECT_TRUE(object.at("percent").is_number());
            EXPECT_TRUE(object.at("total_percent").is_number());
        }
    }
    EXPECT_EQ(events["added"], 3);
    EXPECT_EQ(events["started"], 3);
    EXPECT_EQ(events["summary"], 1);
    std::set<std::string> wanted;
    for (const std::string& name : names) {
        wanted.insert((in / name).string());
    }
    EXPECT_EQ(ended, wanted);
    EXPECT_EQ(FilesIn(out).size(), 3u);
}

// A watcher run in the background, whose "done" lines are counted as they come.
class TWatchRun {
public:
    TWatchRun(const std::vector<std::string>& args, const fs::path& folder, const fs::path& state)
        : thread_([this, args, folder, state] {
              result_ = RunCli(
                  args, folder,
                  [this](const std::string& line, pid_t child) {
                      std::lock_guard lock(mutex_);
                      pid_ = child;
                      if (line.find("] done ") != std::string::npos) {
                          done_.push_back(line);
                      }
                      changed_.notify_all();
                  },
                  [state] { ::setenv("XDG_STATE_HOME", state.c_str(), 1); });
          }) {}
    ~TWatchRun() {
        if (thread_.joinable()) {
            Stop();  // a failed expectation still ends the watcher
        }
    }
    TWatchRun(const TWatchRun&) = delete;
    TWatchRun& operator=(const TWatchRun&) = delete;
    // Waits for the n-th file converted; false after a minute without.
    bool WaitForDone(size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return done_.size() >= n; });
    }
    size_t Done() {
        std::lock_guard lock(mutex_);
        return done_.size();
    }
    TCliResult Stop() {
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::seconds(10), [&] { return pid_ > 0; });
            ::kill(pid_, SIGINT);
        }
        thread_.join();
        return result_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    pid_t pid_ = 0;
    std::vector<std::string> done_;
    TCliResult result_;
    std::thread thread_;
};

TEST_F(CliTest, WatchedFoldersConvertEachCompleteFileOnce) {
    const fs::path in = Folder("watched");
    const fs::path out = Folder("watched-out");
    const fs::path state = Folder("state");
    const fs::path clip = Fixture("mp4_h264_aac.mp4");
    fs::copy_file(clip, in / "there.mp4");
    const std::vector<std::string> args = {
        "--watch",        in.string(), "--recursive", "--watch-settle", "0.5",
        "--watch-rescan", "1",         "--out",       out.string()};
    {
        TWatchRun watch(args, scratch_.Path(), state);
        ASSERT_TRUE(watch.WaitForDone(1));
        // Written slowly into a new sub-folder: open for writing all along,
        // so not converted before it is whole.
        fs::create_directories(in / "sub");
        std::ifstream source(clip, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(source)), {});
        {
            std::ofstream slow(in / "sub" / "slow.mp4", std::ios::binary);
            for (size_t part = 0; part < 3; ++part) {
                slow.write(bytes.data() + part * bytes.size() / 3,
                           static_cast<std::streamsize>(bytes.size() / 3));
                slow.flush();
                std::this_thread::sleep_for(std::chrono::milliseconds(800));
            }
            slow.write(bytes.data() + 3 * (bytes.size() / 3),
                       static_cast<std::streamsize>(bytes.size() - 3 * (bytes.size() / 3)));
        }
        fs::copy_file(clip, scratch_.Path() / "moved.mp4");
        fs::rename(scratch_.Path() / "moved.mp4", in / "moved.mp4");
        ASSERT_TRUE(watch.WaitForDone(3));
        EXPECT_EQ(watch.Stop().status, 130);
    }
    // Restarted: only the file replaced since is converted again.
    fs::copy_file(clip, scratch_.Path() / "new.mp4");
    fs::rename(scratch_.Path() / "new.mp4", in / "there.mp4");
    TWatchRun again(args, scratch_.Path(), state);
    ASSERT_TRUE(again.WaitForDone(1));
    std::this_thread::sleep_for(std::chrono::seconds(2));  // two rescans find nothing more
    EXPECT_EQ(again.Stop().status, 130);
    EXPECT_EQ(again.Done(), 1u);
    const double seconds = ClipSeconds("mp4_h264_aac.mp4");
    for (const fs::path& output : {out / "there.mp3", out / "there_(new_1).mp3",
                                   out / "sub" / "slow.mp3", out / "moved.mp3"}) {
        ExpectMp3Of(output, seconds);
    }
    EXPECT_EQ(FilesIn(out).size(), 4u);  // three files and the sub-folder
}

// The README's way of spreading a batch over job slots (here two on this
// machine, as --sshlogin names them), each slot given a chunk of the list.
TEST_F(CliTest, ParallelJobSlotsConvertEachFileOnce) {
    const fs::path in = Folder("spread");
    std::string list;
    for (int n = 1; n <= 20; ++n) {
        const std::string name = "clip " + std::to_string(n) + ".mp4";
        CopyFixture("mp4_h264_aac.mp4", in, name);
        list += (in / name).string() + '\0';
    }
    std::ofstream(in / "list", std::ios::binary) << list;
    const fs::path out = Folder("spread-out");
    const std::string command = "parallel -0 --will-cite --sshlogin 2/: -N 5 '" +
                                std::string(V2M_CLI_PROGRAM) + "' --quiet --out '" + out.string() +
                                "' < '" + (in / "list").string() + "' > '" +
                                (in / "printed").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream printed(in / "printed");
    std::multiset<std::string> outputs;
    for (std::string line; std::getline(printed, line);) {
        outputs.insert(line);
    }
    ASSERT_EQ(outputs.size(), 20u);
    for (int n = 1; n <= 20; ++n) {
        const fs::path output = out / ("clip " + std::to_string(n) + ".mp3");
        EXPECT_EQ(outputs.count(output.string()), 1u) << output;
        ExpectMp3Of(output, ClipSeconds("mp4_h264_aac.mp4"));
    }
    EXPECT_EQ(FilesIn(out).size(), 20u);
}

TEST_F(CliTest, DoctorSaysWhichProfilesCanWork) {
    const TCliResult shipped = RunCli({"--doctor"}, scratch_.Path());
    EXPECT_EQ(shipped.status, 0) << shipped.out;
    for (const char* expected : {"avcodec    59.", "SDL audio drivers: ", "disk", "State:    "}) {
        EXPECT_NE(shipped.out.find(expected), std::string::npos) << expected << "\n" << shipped.out;
    }
    EXPECT_EQ(shipped.out.find("cannot work"), std::string::npos) << shipped.out;

    // The program beside profiles of its own, one of them for a container
    // the libraries do not have.
    const fs::path folder = Folder("doctor");
    fs::copy_file(V2M_CLI_PROGRAM, folder / "video2mp3-cli");
    fs::create_directories(folder / "profiles");
    std::ofstream(folder / "profiles" / "profiles.ini")
        << "[General]\nProfileCount=2\nProfile0=ok.ini\nProfile1=odd.ini\n";
    std::ofstream(folder / "profiles" / "ok.ini") << "[General]\nCaption=Fine\nExt=flac\n";
    std::ofstream(folder / "profiles" / "odd.ini") << "[General]\nCaption=Odd\nExt=zzq\n";
    const std::string program = (folder / "video2mp3-cli").string();
    const TCliResult odd = RunCli({"--doctor"}, scratch_.Path(), {}, [program] {
        ::execl(program.c_str(), program.c_str(), "--doctor", nullptr);
    });
    EXPECT_EQ(odd.status, 1) << odd.out;
    EXPECT_NE(odd.out.find("Fine"), std::string::npos);
    EXPECT_NE(odd.out.find("cannot work: no muxer for .zzq"), std::string::npos) << odd.out;
}

}  // namespace
}  // namespace v2m::test
