// "Add Folder" in the real window on a large folder: how long until every
// file is listed, and how late the window's event loop gets meanwhile, read
// from a timer that is due every 10 ms. Qt draws offscreen; no display needed.
//
//   bench_window_add [files]
//
// Default: 10,000 copies of one 1-second 640x360 H.264/AAC clip, written once
// into the system's temporary folder (v2m-bench/) and kept.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "Converter.h"
#include "FFmpegLoader.h"
#include "MainThread.h"
#include "QtMainThread.h"

namespace fs = std::filesystem;
using namespace v2m;

namespace {

// The folder dialog answers with the bench's folder; nothing else may be asked.
class TBenchServices final : public TUiServices {
public:
    explicit TBenchServices(QString folder) : folder_(std::move(folder)) {}

    TMessageResult MessageBox(QWidget*, const QString& title, const QString& text, TMessageButtons,
                              TMessageIcon) override {
        std::fprintf(stderr, "unexpected message: %s: %s\n", qPrintable(title), qPrintable(text));
        return TMessageResult::No;
    }
    QStringList OpenFiles(QWidget*, const QString&, const QString&,
                          const QList<TFileFilter>&) override {
        return {};
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return folder_;
    }
    bool ShellOpen(const QString&) override { return false; }

private:
    QString folder_;
};

// `count` copies of the clip, named so that the folder scan keeps their order.
fs::path CopiedClips(const fs::path& clip, const fs::path& work, int count) {
    const fs::path folder = work / ("add-" + std::to_string(count));
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip_%06d.mp4", i);
        const fs::path copy = folder / name;
        if (!fs::exists(copy)) {
            fs::copy_file(clip, copy);
        }
    }
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 10000;
    const fs::path work = fs::temp_directory_path() / "v2m-bench";
    fs::path folder;
    try {
        // Written in a child, before this process starts its own media runtime.
        folder = CopiedClips(bench::GeneratedVideo(work, 1.0, "clip"), work, count);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    MediaRuntime runtime;
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallMainThreadServices(std::make_shared<TQtMainThread>());
    int status = 0;
    {
        // Settings go to a folder of the bench's own, never the user's.
        const std::string user = (work / "user").string();
        TEnvironment environment = [user](const std::string& name) -> std::string {
            if (name == "HOME") {
                return user + "/home";
            }
            if (name == "XDG_CONFIG_HOME") {
                return user + "/config";
            }
            return {};
        };
        TForm1 form(TFormSurroundings{
            V2M_OUTPUT_DIR, environment,
            std::make_shared<TBenchServices>(QString::fromStdString(folder.string()))});
        if (!form.StartupComplete()) {
            std::fprintf(stderr, "the window did not start: %s\n",
                         qPrintable(form.LogLines().join('\n')));
            return 1;
        }
        form.show();
        QCoreApplication::processEvents();

        QElapsedTimer since_tick;
        qint64 worst_ns = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(10);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worst_ns = std::max(worst_ns, since_tick.nsecsElapsed());
            since_tick.restart();
        });

        QElapsedTimer clock;
        clock.start();
        since_tick.start();
        tick.start();
        form.findChild<QAction*>(QStringLiteral("actAddFolder"))->trigger();
        const double returned_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        while (form.Adding()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        tick.stop();

        const size_t listed = form.FileList().Count();
        std::printf("files                  %d (%s)\n", count, folder.c_str());
        std::printf("rows listed            %zu\n", listed);
        std::printf("adding time            %.3f s (%.0f files/s)\n", seconds,
                    static_cast<double>(count) / seconds);
        std::printf("command returned after %.1f ms\n", returned_ms);
        std::printf("worst timer interval   %.1f ms (due every 10 ms: at most %.1f ms late)\n",
                    static_cast<double>(worst_ns) / 1e6,
                    std::max(0.0, static_cast<double>(worst_ns) / 1e6 - 10.0));
        status = listed == static_cast<size_t>(count) ? 0 : 1;
        form.close();
    }
    InstallMainThreadServices(nullptr);
    return status;
}
