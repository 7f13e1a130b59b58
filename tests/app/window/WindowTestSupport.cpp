#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QCoreApplication>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "IniFile.h"

namespace v2m::test {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace

TMessageResult TScriptedServices::MessageBox(QWidget*, const QString& title, const QString& text,
                                             TMessageButtons, TMessageIcon) {
    Messages.push_back(title + QStringLiteral(": ") + text);
    if (!MessageAnswers.empty()) {
        const TMessageResult answer = MessageAnswers.front();
        MessageAnswers.pop_front();
        return answer;
    }
    ADD_FAILURE() << "unexpected message box: " << Messages.back().toStdString();
    return TMessageResult::Ok;
}

QStringList TScriptedServices::OpenFiles(QWidget*, const QString& title, const QString& folder,
                                         const QList<TFileFilter>& filters) {
    FileCalls.push_back({title, folder, filters});
    if (FileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return {};
    }
    QStringList answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
}

std::optional<QString> TScriptedServices::ChooseFolder(QWidget*, const QString& title,
                                                       const QString& folder) {
    FolderCalls.push_back({title, folder, {}});
    if (FolderAnswers.empty()) {
        ADD_FAILURE() << "unexpected folder dialog";
        return std::nullopt;
    }
    const QString answer = FolderAnswers.front();
    FolderAnswers.pop_front();
    if (answer.isEmpty()) {
        return std::nullopt;
    }
    return answer;
}

bool TScriptedServices::ShellOpen(const QString& target) {
    Opened.push_back(target);
    return ShellOpenSucceeds;
}

TProgramFolder::TProgramFolder() : dir_("window") {
    fs::copy(fs::path(V2M_OUTPUT_DIR) / "profiles", dir_.Path() / "profiles",
             fs::copy_options::recursive);
    fs::copy_file(fs::path(V2M_OUTPUT_DIR) / kDefaultSkinFile, dir_.Path() / kDefaultSkinFile);
}

void TProgramFolder::WriteProfiles(const std::map<std::string, std::string>& files,
                                   const std::vector<std::string>& listed) {
    const fs::path profiles = dir_.Path() / "profiles";
    fs::remove_all(profiles);
    fs::create_directories(profiles);
    for (const auto& [name, text] : files) {
        Write(profiles / name, text);
    }
    std::string index = "[General]\nProfileCount=" + std::to_string(listed.size()) + "\n";
    for (size_t i = 0; i < listed.size(); ++i) {
        index += "Profile" + std::to_string(i) + "=" + listed[i] + "\n";
    }
    Write(profiles / "profiles.ini", index);
}

void TProgramFolder::PutBrokenLibrary(const std::string& file_name) {
    fs::create_directories(dir_.Path() / kLibraryFolder);
    Write(dir_.Path() / kLibraryFolder / file_name, "not a shared object\n");
}

void TProgramFolder::RemoveDefaultSkin() {
    fs::remove(dir_.Path() / kDefaultSkinFile);
}

TUserFolders::TUserFolders() : dir_("user") {
    fs::create_directories(Desktop());
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_DESKTOP_DIR"}) {
        const char* value = std::getenv(name);
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", Config().c_str(), 1);
    // Each test's windows keep their list apart from every other test's.
    ::setenv("XDG_STATE_HOME", State().c_str(), 1);
    // Loudness readings of one test's files are no other test's.
    ::setenv("XDG_CACHE_HOME", (dir_.Path() / "cache").c_str(), 1);
    ::unsetenv("XDG_DESKTOP_DIR");
}

TUserFolders::~TUserFolders() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

TFreshStateFolder::TFreshStateFolder() : dir_("state") {
    if (const char* value = std::getenv("XDG_STATE_HOME")) {
        saved_ = value;
    }
    ::setenv("XDG_STATE_HOME", dir_.Path().c_str(), 1);
}

TFreshStateFolder::~TFreshStateFolder() {
    if (saved_) {
        ::setenv("XDG_STATE_HOME", saved_->c_str(), 1);
    } else {
        ::unsetenv("XDG_STATE_HOME");
    }
}

fs::path TUserFolders::SettingsFile() const {
    return fs::path(Config()) / kCompanyFolder / kProductFolder / kSettingsFileName;
}

void TUserFolders::MakeConfigUnavailable() {
    // A plain file where a folder would have to be: no folder can be made
    // below it, not even by the superuser.
    const fs::path blocker = dir_.Path() / "blocker";
    Write(blocker, "");
    ::setenv("XDG_CONFIG_HOME", (blocker / "config").c_str(), 1);
}

void UnloadMediaLibraries() {
    TFFmpegLoader& loader = FFLoader();
    if (!loader.LibrariesLoaded(ConverterLibs)) {
        return;
    }
    // Unloading the libraries reaches for the logger; one must exist then, or
    // one without an owner is made and the next window cannot have its own.
    TFFLogger logger;
    loader.UnloadLibraries(ConverterLibs);
}

std::unique_ptr<TForm1> MakeForm(const TProgramFolder& folder,
                                 std::shared_ptr<TScriptedServices> services) {
    return std::make_unique<TForm1>(TFormSurroundings{folder.Folder(), {}, std::move(services)});
}

void ServeEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WaitUntilAdded(const TForm1& form, int timeout_ms) {
    return QTest::qWaitFor([&form] { return !form.Adding(); }, timeout_ms);
}

std::vector<std::vector<std::string>> ListTexts(QWidget& form) {
    std::vector<std::vector<std::string>> rows;
    auto* view = Find<QTableView>(form, "lvFiles");
    if (view == nullptr) {
        return rows;
    }
    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < model->columnCount(); ++c) {
            row.push_back(model->index(r, c).data().toString().toStdString());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QString Path(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QRect ClientRect(QWidget& form, QWidget* widget) {
    auto* client = Find<QWidget>(form, "client");
    if (widget == nullptr || client == nullptr) {
        return {};
    }
    return QRect(widget->mapTo(client, QPoint(0, 0)), widget->size());
}

QRect ClientRect(QWidget& form, const char* name) {
    return ClientRect(form, Find<QWidget>(form, name));
}

std::string ReadSetting(const fs::path& file, const std::string& key) {
    return TIniFile(file.string()).ReadString(kGeneralSection, key, "<missing>");
}

}  // namespace v2m::test

namespace v2m::test {

namespace {

std::map<std::string, TChildRole>& ChildRoles() {
    static std::map<std::string, TChildRole> roles;
    return roles;
}

}  // namespace

bool RegisterChildRole(const std::string& name, TChildRole role) {
    ChildRoles()[name] = role;
    return true;
}

std::optional<int> RunChildRole(int argc, char** argv) {
    constexpr std::string_view kOption = "--child-role=";
    if (argc < 2 || !std::string_view(argv[1]).starts_with(kOption)) {
        return std::nullopt;
    }
    const std::string name(std::string_view(argv[1]).substr(kOption.size()));
    const auto role = ChildRoles().find(name);
    if (role == ChildRoles().end()) {
        std::fprintf(stderr, "no child role %s\n", name.c_str());
        return 2;
    }
    return role->second(std::vector<std::string>(argv + 2, argv + argc));
}

namespace {

QString Describe(const QWidget& widget, const QString& text) {
    return widget.metaObject()->className() + QStringLiteral(" ") + widget.objectName() +
           QStringLiteral(" \"") + text + QStringLiteral("\"");
}

std::optional<QString> ClippedText(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget);
        label != nullptr && !label->text().isEmpty()) {
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(label->width()) <= label->height()
                              : label->width() >= label->sizeHint().width() &&
                                    label->height() >= label->fontMetrics().height();
        return fits ? std::nullopt : std::optional(Describe(widget, label->text()));
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget);
        box != nullptr && !box->title().isEmpty()) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                         QStyle::SC_GroupBoxLabel, box);
        const bool fits = box->rect().contains(title) &&
                          title.width() >= box->fontMetrics().horizontalAdvance(box->title());
        return fits ? std::nullopt : std::optional(Describe(widget, box->title()));
    }
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    if (button == nullptr || button->text().isEmpty()) {
        return std::nullopt;
    }
    QString shown = button->text();
    shown.remove(QLatin1Char('&'));
    int needed = button->fontMetrics().horizontalAdvance(shown);
    int room = button->width();
    if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        QStyleOptionButton option;
        option.initFrom(push);
        room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width();
        needed += push->icon().isNull() ? 0 : push->iconSize().width() + 4;
    } else {
        // Check boxes, radio buttons and tool buttons ask for exactly what
        // they show.
        needed = button->sizeHint().width();
    }
    const bool fits = room >= needed && button->height() >= button->fontMetrics().height();
    return fits ? std::nullopt : std::optional(Describe(widget, button->text()));
}

// A heading is cut off when its text and the style's margins on both sides
// need more than its section; one elided with its whole text as the
// section's tool tip is not.
void AddClippedHeadings(const QHeaderView& header, std::vector<QString>& clipped) {
    const QAbstractItemModel* model = header.model();
    if (model == nullptr || header.orientation() != Qt::Horizontal) {
        return;
    }
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    for (int section = 0; section < header.count(); ++section) {
        const QString text = model->headerData(section, Qt::Horizontal).toString();
        if (header.isSectionHidden(section) || text.isEmpty()) {
            continue;
        }
        const bool elided =
            header.textElideMode() != Qt::ElideNone &&
            !model->headerData(section, Qt::Horizontal, Qt::ToolTipRole).toString().isEmpty();
        const int needed = header.fontMetrics().horizontalAdvance(text) + 2 * margin;
        if (needed > header.sectionSize(section) && !elided) {
            clipped.push_back(Describe(header, text));
        }
    }
}

}  // namespace

std::vector<QString> ClippedTexts(QWidget& root) {
    std::vector<QString> clipped;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root)) {
            continue;
        }
        if (const auto* header = qobject_cast<const QHeaderView*>(widget)) {
            AddClippedHeadings(*header, clipped);
        }
        // A text elided on purpose shows whole in its tool tip.
        if (widget->toolTip().isEmpty()) {
            if (std::optional<QString> text = ClippedText(*widget)) {
                clipped.push_back(*text);
            }
        }
    }
    return clipped;
}

}  // namespace v2m::test
