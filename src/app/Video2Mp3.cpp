// The program: the media runtime first, then the application and its main
// window. Its arguments are files and folders to list at start-up; Qt's own
// options are Qt's, --help and --version answer and exit, and any other
// option is refused.

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QSocketNotifier>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "AuxWindows.h"
#include "Converter.h"
#include "EncodingPreview.h"
#include "FFmpegLoader.h"
#include "MainThread.h"
#include "MyUtils.h"
#include "QtMainThread.h"
#include "Translations.h"

namespace {

// The desktop entry's name: docks and task bars match the window to it.
constexpr const char* kDesktopFileName = "com.tolvexsoft.video2mp3";

constexpr const char* kUsage =
    "usage: video2mp3 [FILE|FOLDER]...\n"
    "Opens the converter's window with the files given, and the videos of the folders\n"
    "given, in its list.\n"
    "\n"
    "  --help     print this text, then exit\n"
    "  --version  print the version, then exit\n"
    "\n"
    "Qt's own options, such as -platform, are taken too. To convert without a\n"
    "window, see video2mp3-cli --help.\n";

// --help and --version answer before anything else, with or without a display.
std::optional<int> AnswerInformationOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("video2mp3 %s\n", v2m::ProgramVersion().toUtf8().constData());
            return 0;
        }
    }
    return std::nullopt;
}

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A logout or a shutdown ends the program through SIGHUP or SIGTERM, Ctrl-C
// in a terminal through SIGINT. The handler only wakes the event loop, which
// closes the window as the user would: settings written, conversion stopped,
// nothing unfinished named as finished.
int g_signal_pipe[2] = {-1, -1};

extern "C" void OnEndSignal(int signal_number) {
    const auto byte = static_cast<unsigned char>(signal_number);
    [[maybe_unused]] const ssize_t written = ::write(g_signal_pipe[1], &byte, 1);
}

bool CatchEndSignals() {
    if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    return true;
}

// Qt aborts with a terse message when it finds no display; say plainly what
// is missing and how to run the program without a desktop.
bool DisplayAvailable() {
    return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

// The user named a platform, in the environment or on the command line.
bool PlatformChosen(int argc, char** argv) {
    if (Set("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-platform" || argument == "--platform") {
            return true;
        }
    }
    return false;
}

// The preview hands SDL a window of the program to draw into, which only X11
// allows: on a Wayland desktop the window goes to its X server (XWayland).
// Without one, Qt falls back to Wayland and the preview draws its pictures
// itself.
void PreferX11(int argc, char** argv) {
    if (Set("WAYLAND_DISPLAY") && !PlatformChosen(argc, argv)) {
        ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
    }
}

// The files and folders named on the command line, made absolute; nullopt
// (the usage printed) when an option is left that QApplication did not take.
std::optional<QStringList> InputPaths(int argc, char** argv) {
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(QLatin1Char('-'))) {
            std::fprintf(stderr,
                         "video2mp3: unknown option \"%s\"\nusage: video2mp3 [FILE|FOLDER]...\n"
                         "Try video2mp3 --help.\n",
                         argv[i]);
            return std::nullopt;
        }
        paths.append(QFileInfo(argument).absoluteFilePath());
    }
    return paths;
}

// Shows the window until it is closed or an end signal comes; the exit
// status.
int RunWindow(const QStringList& paths, bool end_signals_caught, bool own_resource_name) {
    v2m::TForm1 form;
    std::unique_ptr<QSocketNotifier> end_signals;
    int end_signal = 0;
    if (end_signals_caught) {
        end_signals = std::make_unique<QSocketNotifier>(g_signal_pipe[0], QSocketNotifier::Read);
        QObject::connect(end_signals.get(), &QSocketNotifier::activated, &form,
                         [&form, &end_signal] {
                             unsigned char byte = 0;
                             while (::read(g_signal_pipe[0], &byte, 1) == 1) {
                                 end_signal = byte;
                             }
                             form.CloseBySignal();
                             QApplication::quit();
                         });
    }
    form.show();
    // Read when the first window was made; programs started from here
    // (a browser, a file manager) must not take it for theirs.
    if (own_resource_name) {
        ::unsetenv("RESOURCE_NAME");
    }
    form.AddPaths(paths);
    const int status = QApplication::exec();
    return end_signal != 0 ? 128 + end_signal : status;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerInformationOption(argc, argv)) {
        return *answered;
    }
    // Caught from the start: a signal that comes while the window is still
    // being made waits in the pipe until the event loop reads it.
    const bool end_signals_caught = CatchEndSignals();
    // Every task runs on a thread of its own; with an allocation arena per
    // thread, memory freed by ended tasks stays with arenas no thread uses
    // any more, and a batch of thousands of files would hold it all. A few
    // arenas still let two conversions allocate without waiting on each other.
    ::mallopt(M_ARENA_MAX, 4);
    v2m::MediaRuntime runtime;
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "video2mp3: no display to show the window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "    xvfb-run -a ./scripts/run\n");
        return 1;
    }
    PreferX11(argc, argv);
    // The window's class on X11 names the desktop entry, as the application
    // id does on Wayland, so that the dock shows the program's own icon.
    const bool own_resource_name = !Set("RESOURCE_NAME");
    if (own_resource_name) {
        ::setenv("RESOURCE_NAME", kDesktopFileName, 1);
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
    const std::optional<QStringList> paths = InputPaths(argc, argv);
    if (!paths) {
        return 2;
    }
    // The application sets the user's locale; the media libraries and the
    // list's number texts expect the C rules for numbers.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QLatin1String(v2m::kApplicationTitle));
    v2m::InstallTranslations(app, v2m::MessageLanguages(&std::getenv),
                             QString::fromStdString(v2m::DataFolder()));
    auto main_thread = std::make_shared<v2m::TQtMainThread>();
    v2m::InstallMainThreadServices(main_thread);
    v2m::InstallEncodingPreview();

    const int status = RunWindow(*paths, end_signals_caught, own_resource_name);
    // Nothing may reach the application's event loop once it is gone.
    v2m::RemoveEncodingPreview();
    v2m::InstallMainThreadServices(nullptr);
    return status;
}
