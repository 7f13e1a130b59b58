// The program: the media runtime first, then the application and its main
// window. It takes no command-line arguments of its own.

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Converter.h"
#include "FFmpegLoader.h"
#include "MainThread.h"
#include "QtMainThread.h"

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt aborts with a terse message when it finds no display; say plainly what
// is missing and how to run the program without a desktop.
bool DisplayAvailable() {
    return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    v2m::MediaRuntime runtime;
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "video2mp3: no display to show the window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "    xvfb-run -a ./scripts/run\n");
        return 1;
    }
    QApplication app(argc, argv);
    // The application sets the user's locale; the media libraries and the
    // list's number texts expect the C rules for numbers.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QLatin1String(v2m::kApplicationTitle));
    auto main_thread = std::make_shared<v2m::TQtMainThread>();
    v2m::InstallMainThreadServices(main_thread);

    int status = 0;
    {
        v2m::TForm1 form;
        form.show();
        status = QApplication::exec();
    }
    // Nothing may reach the application's event loop once it is gone.
    v2m::InstallMainThreadServices(nullptr);
    return status;
}
