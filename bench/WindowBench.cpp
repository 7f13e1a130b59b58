// The real window on a folder of short clips: adding the folder, then
// converting it with "One per Processor", against the batch converter on the
// same folder in the same run.
//
//   bench_window [files] [work folder] [pairs]
//
// Defaults: 10,000 one-second clips, the system's temporary folder, 5 pairs
// (the command line first in the first, third and fifth). Prints
// the adding time, the conversion times and their ratio, the peak resident
// memory and open descriptors while converting, and the longest the event
// loop went without answering.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Converter.h"
#include "FFmpegLoader.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "QtMainThread.h"

namespace fs = std::filesystem;
using namespace v2m;
using namespace v2m::bench;

namespace {

// Answers every question No, and the folder dialog with the clips' folder.
class TBenchServices final : public TUiServices {
public:
    explicit TBenchServices(std::string folder) : folder_(std::move(folder)) {}
    TMessageResult MessageBox(QWidget*, const QString&, const QString&, TMessageButtons,
                              TMessageIcon) override {
        ++questions;
        return TMessageResult::No;
    }
    QStringList OpenFiles(QWidget*, const QString&, const QString&,
                          const QList<TFileFilter>&) override {
        return {};
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return QString::fromStdString(folder_);
    }
    bool ShellOpen(const QString&) override { return true; }
    int questions = 0;

private:
    std::string folder_;
};

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::char_traits<char>::length(key) + 1);
        }
    }
    return -1;
}

int Descriptors() {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// Serves the event loop until `done`, keeping the worst gap between ticks of
// a 10 ms timer: how long the window could have gone without answering.
double ServeUntil(const std::function<bool()>& done, double& worst_ms,
                  const std::function<void()>& sample = {}) {
    QElapsedTimer wall;
    wall.start();
    QElapsedTimer gap;
    gap.start();
    QTimer tick;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst_ms = std::max(worst_ms, static_cast<double>(gap.nsecsElapsed()) / 1e6 - 10.0);
        gap.restart();
        // Memory and descriptors every 100 ms: reading them costs the window's
        // thread time that the run itself would not spend.
        if (sample && ticks++ % 10 == 0) {
            sample();
        }
    });
    QEventLoop loop;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    tick.start(10);
    if (!done()) {
        loop.exec();
    }
    return static_cast<double>(wall.nsecsElapsed()) / 1e9;
}

struct TWindowRun {
    double CliSeconds = 0.0;
    double CliCpu = 0.0;
    double ConvertCpu = 0.0;
    double AddSeconds = 0.0;
    double ConvertSeconds = 0.0;
    double WorstAddMs = 0.0;
    double WorstConvertMs = 0.0;
    long PeakKiB = 0;
    int PeakFds = 0;
    size_t Rows = 0;
    std::ptrdiff_t Written = 0;
    long long LogLines = 0;
};

// One pair: the command line, then the window, on the same clips.
TWindowRun ConvertInBoth(const fs::path& clips, const fs::path& work, bool cli_first) {
    TWindowRun run;
    // Both output folders are emptied before either run and kept until
    // both are over: the file system is slower to create files just
    // after many were deleted, and neither run should pay for the other.
    const fs::path cli_out = work / "window-cli-out";
    const fs::path out = work / "window-out";
    for (const fs::path& folder : {cli_out, out}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    const auto run_cli = [&] {
        const TMeasure cli = RunProgram(
            {V2M_CLI_PROGRAM, "--quiet", "--jobs", "0", "--out", cli_out.string(), clips.string()});
        run.CliSeconds = cli.wall;
        run.CliCpu = cli.cpu;
    };
    if (cli_first) {
        run_cli();
    }
    // A fresh home: a list kept from an earlier run would come back.
    const fs::path home = work / "window-home";
    fs::remove_all(home);
    fs::create_directories(home);
    auto services = std::make_shared<TBenchServices>(clips.string());
    {
        TForm1 form(TFormSurroundings{V2M_OUTPUT_DIR "/",
                                      [home](const std::string& name) {
                                          if (name == "HOME") {
                                              return home.string();
                                          }
                                          if (name == "XDG_CONFIG_HOME") {
                                              return (home / "config").string();
                                          }
                                          return std::string();
                                      },
                                      services});
        form.SetSimultaneousConversions(0);
        auto* folder = form.findChild<QComboBox*>(QStringLiteral("edtOutPath"));
        folder->setEditText(QString::fromStdString(out.string()));

        QElapsedTimer adding;
        adding.start();
        form.findChild<QAction*>(QStringLiteral("actAddFolder"))->trigger();
        const auto expected = static_cast<size_t>(std::distance(fs::directory_iterator(clips), {}));
        ServeUntil(
            [&] { return form.FileList().Count() >= expected && form.StatusText().isEmpty(); },
            run.WorstAddMs);
        run.AddSeconds = static_cast<double>(adding.nsecsElapsed()) / 1e9;
        run.Rows = form.FileList().Count();

        const double cpu_before = ProcessCpuSeconds();
        form.findChild<QAction*>(QStringLiteral("actStartConvert"))->trigger();
        run.ConvertSeconds =
            ServeUntil([&] { return form.ConvertState() == cvIdle; }, run.WorstConvertMs,
                       [&] {
                           run.PeakKiB = std::max(run.PeakKiB, StatusKiB("VmRSS"));
                           run.PeakFds = std::max(run.PeakFds, Descriptors());
                       });
        run.ConvertCpu = ProcessCpuSeconds() - cpu_before;
        run.LogLines = static_cast<long long>(form.LogLines().size());
        form.close();
    }
    if (!cli_first) {
        run_cli();
    }
    run.Written = std::distance(fs::directory_iterator(out), {});
    fs::remove_all(cli_out);
    fs::remove_all(out);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 10000;
    const fs::path work =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int repeats = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 5;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::mallopt(M_ARENA_MAX, 4);  // as the program itself does
    try {
        const fs::path clips = work / ("window_" + std::to_string(count));
        const fs::path clip = work / "one_second.mp4";
        fs::create_directories(work);
        {
            MediaRuntime runtime;
            if (!fs::exists(clip)) {
                if (!FFLoader().LoadLibraries(ConverterLibs)) {
                    throw std::runtime_error("the conversion libraries cannot be loaded");
                }
                fixtures::ClipRecipe recipe;
                recipe.duration_s = 1.0;
                recipe.streams = {fixtures::Audio("aac", 44100, 2, 1000.0, 0.5)};
                fixtures::WriteClip(clip, recipe);
            }
        }
        fs::create_directories(clips);
        for (int i = 0; i < count; ++i) {
            const fs::path copy = clips / ("clip_" + std::to_string(i + 1) + ".mp4");
            if (!fs::exists(copy)) {
                fs::copy_file(clip, copy);
            }
        }

        MediaRuntime runtime;
        QApplication app(argc, argv);
        auto main_thread = std::make_shared<TQtMainThread>();
        InstallMainThreadServices(main_thread);
        std::vector<double> ratios;
        std::vector<double> cli_times;
        std::vector<double> window_times;
        bool all_written = true;
        for (int pair = 0; pair < repeats; ++pair) {
            // Each goes first in turn: how fast this machine runs drifts
            // over minutes, and the first of two runs would always meet it
            // otherwise.
            const TWindowRun run = ConvertInBoth(clips, work, pair % 2 == 0);
            all_written = all_written && run.Written == count;
            cli_times.push_back(run.CliSeconds);
            window_times.push_back(run.ConvertSeconds);
            ratios.push_back(run.ConvertSeconds / run.CliSeconds);
            std::printf(
                "pair %d: added %zu rows in %.2f s (longest unanswered %.0f ms); converted %td "
                "files in %.2f s (cpu %.2f s), video2mp3-cli --jobs 0 in %.2f s (cpu %.2f s); "
                "peak resident %.1f MiB, peak open descriptors %d, longest unanswered %.0f ms, "
                "%lld log lines\n",
                pair + 1, run.Rows, run.AddSeconds, run.WorstAddMs, run.Written, run.ConvertSeconds,
                run.ConvertCpu, run.CliSeconds, run.CliCpu, run.PeakKiB / 1024.0, run.PeakFds,
                run.WorstConvertMs, run.LogLines);
        }
        InstallMainThreadServices(nullptr);
        std::printf(
            "window, %d one-second clips, One per Processor: median %.2f s, video2mp3-cli --jobs "
            "0 median %.2f s; ratio %.3f (median of %d pairs)\n",
            count, Median(window_times), Median(cli_times), Median(ratios), repeats);
        return all_written ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_window: %s\n", error.what());
        return 1;
    }
}
