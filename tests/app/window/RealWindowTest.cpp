// The built program as a user starts it, on a real X display: its window
// appears with the right size and is drawn, a screenshot of it is kept in the
// build folder, and closing it from the window manager's side saves the
// settings. Without any display the program says how to run it.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "IniFile.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kCaption = "Tolvex Video to MP3 Converter Free";
constexpr int kClientWidth = 812;
constexpr int kClientHeight = 561;

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> Owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

// A connection to the display the test runs on.
class TDisplay {
public:
    TDisplay() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_) == 0) {
            root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        }
    }
    ~TDisplay() { xcb_disconnect(connection_); }
    TDisplay(const TDisplay&) = delete;
    TDisplay& operator=(const TDisplay&) = delete;

    bool Connected() const { return root_ != XCB_NONE; }

    xcb_atom_t Atom(const char* name) const {
        auto reply = Owned(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    std::string Title(xcb_window_t window) const {
        for (const auto& [property, type] :
             {std::pair{Atom("_NET_WM_NAME"), Atom("UTF8_STRING")},
              std::pair{xcb_atom_t{XCB_ATOM_WM_NAME}, xcb_atom_t{XCB_ATOM_STRING}}}) {
            auto reply = Owned(xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, window, property, type, 0, 256),
                nullptr));
            if (reply && xcb_get_property_value_length(reply.get()) > 0) {
                return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                   static_cast<size_t>(xcb_get_property_value_length(reply.get())));
            }
        }
        return {};
    }

    bool Viewable(xcb_window_t window) const {
        auto reply = Owned(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    QSize Size(xcb_window_t window) const {
        auto reply = Owned(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
        return reply ? QSize(reply->width, reply->height) : QSize();
    }

    std::vector<xcb_window_t> Children(xcb_window_t window) const {
        auto reply =
            Owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
        if (!reply) {
            return {};
        }
        const xcb_window_t* children = xcb_query_tree_children(reply.get());
        return {children, children + xcb_query_tree_children_length(reply.get())};
    }

    // The shown window with this title, and the top-level window that holds
    // it: itself without a window manager, else the manager's frame.
    std::pair<xcb_window_t, xcb_window_t> Find(const std::string& title) const {
        for (xcb_window_t top : Children(root_)) {
            std::vector<xcb_window_t> candidates = {top};
            for (xcb_window_t child : Children(top)) {
                candidates.push_back(child);
                for (xcb_window_t grandchild : Children(child)) {
                    candidates.push_back(grandchild);
                }
            }
            for (xcb_window_t window : candidates) {
                if (Title(window) == title && Viewable(window)) {
                    return {window, top};
                }
            }
        }
        return {XCB_NONE, XCB_NONE};
    }

    // What the screen shows of the window; a null image when it cannot be read.
    QImage Grab(xcb_window_t window) const {
        const QSize size = Size(window);
        auto reply =
            Owned(xcb_get_image_reply(connection_,
                                      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                    0, 0, static_cast<uint16_t>(size.width()),
                                                    static_cast<uint16_t>(size.height()), ~0u),
                                      nullptr));
        const qsizetype bytes = static_cast<qsizetype>(size.width()) * size.height() * 4;
        if (!reply || reply->depth < 24 || xcb_get_image_data_length(reply.get()) < bytes) {
            return {};
        }
        // 24-bit colour is stored in 32-bit pixels, blue in the lowest byte.
        QImage image(xcb_get_image_data(reply.get()), size.width(), size.height(), size.width() * 4,
                     QImage::Format_RGB32);
        return image.copy();
    }

    // What the window manager sends when the user closes the window.
    void RequestClose(xcb_window_t window) const {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = Atom("WM_PROTOCOLS");
        event.data.data32[0] = Atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection_);
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
};

QString Program() {
    return QStringLiteral(V2M_OUTPUT_DIR "/video2mp3");
}

// How much of the picture the most frequent colour covers, and how many colours it has.
std::pair<double, int> ColourSpread(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            ++counts[line[x] & 0xffffffu];
        }
    }
    int most = 0;
    for (int count : counts) {
        most = std::max(most, count);
    }
    return {static_cast<double>(most) / (image.width() * image.height()),
            static_cast<int>(counts.size())};
}

TEST(RealWindowTest, ProgramShowsItsWindowAndSavesTheSettingsWhenClosed) {
    TDisplay display;
    ASSERT_TRUE(display.Connected()) << "this test needs an X display (it runs under xvfb-run)";
    test::TempDir user("real-window");
    const fs::path home = user.Path() / "home";
    fs::create_directories(home / "Desktop");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.string()));
    environment.insert("XDG_CONFIG_HOME",
                       QString::fromStdString((user.Path() / "config").string()));
    environment.insert("XDG_STATE_HOME", QString::fromStdString((user.Path() / "state").string()));
    environment.remove("XDG_DESKTOP_DIR");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(Program(), {});
    ASSERT_TRUE(program.waitForStarted(10000)) << program.errorString().toStdString();

    std::pair<xcb_window_t, xcb_window_t> window{XCB_NONE, XCB_NONE};
    for (auto deadline = Clock::now() + std::chrono::seconds(30);
         window.first == XCB_NONE && Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        window = display.Find(kCaption);
        ASSERT_EQ(program.state(), QProcess::Running)
            << program.readAllStandardError().toStdString();
    }
    ASSERT_NE(window.first, XCB_NONE) << "no window titled \"" << kCaption << "\" appeared";
    EXPECT_EQ(display.Size(window.first), QSize(kClientWidth, kClientHeight));
    const QSize frame = display.Size(window.second);
    EXPECT_GE(frame.width(), kClientWidth);
    EXPECT_GE(frame.height(), kClientHeight);

    // Waits for the drawing to settle: two grabs in a row that agree.
    QImage shot;
    QImage previous;
    for (auto deadline = Clock::now() + std::chrono::seconds(20); Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        shot = display.Grab(window.second);
        if (!shot.isNull() && shot == previous && ColourSpread(shot).second > 1) {
            break;
        }
        previous = shot;
    }
    ASSERT_FALSE(shot.isNull()) << "the window could not be read from the screen";
    const fs::path folder = fs::path(V2M_SCREENSHOT_DIR);
    fs::create_directories(folder);
    const fs::path file = folder / "video2mp3-window.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(file.string()))) << file;
    std::cout << "screenshot: " << file.string() << "\n";

    EXPECT_EQ(shot.size(), frame);
    // A drawn window has its controls, text and pictures: many colours, none
    // of them covering nearly everything.
    const auto [most, colours] = ColourSpread(shot);
    EXPECT_LT(most, 0.8) << "the window is nearly one colour";
    EXPECT_GT(colours, 200) << "the window has too few colours to be drawn";

    display.RequestClose(window.first);
    ASSERT_TRUE(program.waitForFinished(20000))
        << "the program did not end after its window closed";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    const fs::path settings = user.Path() / "config" / "TolvexSoft" /
                              "Tolvex Video To MP3 Converter Free" / "Settings.ini";
    ASSERT_TRUE(fs::exists(settings));
    EXPECT_EQ(TIniFile(settings.string()).ReadString("General", "OutputFolder0", ""),
              (home / "Desktop").string() + "/");
}

// LANG alone decides the language: the German window's menu bar differs from
// the English one's; both screenshots are kept.
TEST(RealWindowTest, TheLanguageFollowsLang) {
    // A virtual server starts afresh when its last client leaves, as the test
    // before this one did: it takes new connections again a moment later.
    auto connection = std::make_unique<TDisplay>();
    for (int i = 0; i < 50 && !connection->Connected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection = std::make_unique<TDisplay>();
    }
    ASSERT_TRUE(connection->Connected());
    const TDisplay& display = *connection;
    QImage menus[2];
    for (const int german : {0, 1}) {
        test::TempDir user("window-language");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
            environment.remove(name);
        }
        environment.insert("LANG", german ? "de_DE.UTF-8" : "C");
        environment.insert("HOME", QString::fromStdString(user.Path().string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(user.Path().string()));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(user.Path().string()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(Program(), {});
        std::pair<xcb_window_t, xcb_window_t> window{XCB_NONE, XCB_NONE};
        for (auto deadline = Clock::now() + std::chrono::seconds(30);
             window.first == XCB_NONE && Clock::now() < deadline;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            window = display.Find(kCaption);
        }
        ASSERT_NE(window.first, XCB_NONE) << program.readAllStandardError().toStdString();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const QImage shot = display.Grab(window.first);
        ASSERT_FALSE(shot.isNull());
        fs::create_directories(V2M_SCREENSHOT_DIR);
        shot.save(QStringLiteral(V2M_SCREENSHOT_DIR "/video2mp3-program-%1.png")
                      .arg(german ? "de" : "en"));
        menus[german] = shot.copy(0, 0, shot.width(), 24);
        display.RequestClose(window.first);
        ASSERT_TRUE(program.waitForFinished(20000));
    }
    EXPECT_NE(menus[0], menus[1]) << "the menu bar is the same with LANG=de_DE.UTF-8";
}

// A logout, a shutdown or Ctrl-C closes the program as its window's close would:
// the settings are written and the exit status names the signal.
TEST(RealWindowTest, EndSignalsCloseTheProgramCleanly) {
    for (const int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal_number);
        test::TempDir user("window-signal");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(user.Path().string()));
        environment.insert("XDG_CONFIG_HOME",
                           QString::fromStdString((user.Path() / "config").string()));
        environment.insert("XDG_STATE_HOME",
                           QString::fromStdString((user.Path() / "state").string()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(Program(), {});
        ASSERT_TRUE(program.waitForStarted(10000)) << program.errorString().toStdString();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ::kill(static_cast<pid_t>(program.processId()), signal_number);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 128 + signal_number)
            << program.readAllStandardError().toStdString();
        EXPECT_TRUE(fs::exists(user.Path() / "config" / "TolvexSoft" /
                               "Tolvex Video To MP3 Converter Free" / "Settings.ini"));
    }
}

TEST(RealWindowTest, WithoutADisplayTheProgramSaysHowToRunIt) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(Program(), {});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    const std::string message = program.readAllStandardError().toStdString();
    EXPECT_NE(message.find("no display"), std::string::npos) << message;
    EXPECT_NE(message.find("xvfb-run -a ./scripts/run"), std::string::npos) << message;
}

// --help and --version answer on standard output and exit, display or not.
TEST(RealWindowTest, HelpAndVersionAnswerWithoutAWindow) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    const struct {
        QString option;
        int status;
        const char* out;  // expected at the start of standard output
    } cases[] = {
        {"--help", 0, "usage: video2mp3 [FILE|FOLDER]..."},
        {"--version", 0, "video2mp3 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option.toStdString());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(Program(), {c.option});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitCode(), c.status);
        const std::string out = program.readAllStandardOutput().toStdString();
        EXPECT_TRUE(out.starts_with(c.out)) << out;
        EXPECT_TRUE(!out.empty() && out.back() == '\n') << out;
    }
}

}  // namespace
}  // namespace v2m

int main(int argc, char** argv) {
    // QProcess wants an application object; no display is needed for it.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
