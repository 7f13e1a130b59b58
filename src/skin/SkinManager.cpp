#include "SkinManager.h"

#include <QApplication>
#include <QEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace v2m {

namespace {

// A style that draws with the palette, so that the skin's colours reach every
// control whatever the desktop's own theme is.
constexpr const char* kBaseStyle = "Fusion";

QString OneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

// Qt (6.4) tells the application of a new application palette, and the widgets
// inside windows, but not the windows themselves: they keep the colours they
// had, and their children with them. The System skin's window would stay in
// the last skin's colours and miss the desktop's switch between light and dark.
class TWindowPaletteFollower final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() &&
            event->type() == QEvent::ApplicationPaletteChange) {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                QEvent change(QEvent::ApplicationPaletteChange);
                QCoreApplication::sendEvent(window, &change);
            }
        }
        return false;
    }
};

}  // namespace

TSkinManager::TSkinManager() : palette_follower_(std::make_unique<TWindowPaletteFollower>()) {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(palette_follower_.get());
    }
    if (QApplication::style() != nullptr) {
        system_style_ = QApplication::style()->name();
    }
    SelectBuiltInSkin(BuiltInSkinNames().first());
}

QString TSkinManager::SystemSkinCaption() {
    // Unlike the built-in skins' names, which are names, this one is a word.
    return QCoreApplication::translate("v2m::TSkinDialog", "System");
}

void TSkinManager::SelectSystemSkin() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return;
    }
    if (!system_style_.isEmpty() &&
        QApplication::style()->name().compare(system_style_, Qt::CaseInsensitive) != 0) {
        if (QStyle* style = QStyleFactory::create(system_style_)) {
            QApplication::setStyle(style);
        }
    }
    app->setStyleSheet(QString());
    // A palette with nothing set gives the application back the platform's.
    QApplication::setPalette(QPalette());
    current_ = TSkin{};
    current_.Name = SystemSkinCaption();
    source_.clear();
    last_error_.clear();
    system_ = true;
}

const QStringList& TSkinManager::BuiltInSkinNames() {
    static const QStringList kNames = {
        QStringLiteral("Vantel_Aero.skn"), QStringLiteral("Silver_Ext.skn"),
        QStringLiteral("Blue_Ext.skn"),    QStringLiteral("black_Ext.skn"),
        QStringLiteral("Black_Aero.skn"),
    };
    return kNames;
}

QString TSkinManager::BuiltInSkinPath(const QString& name) {
    return QStringLiteral(":/skins/") + name;
}

QString TSkinManager::BuiltInSkinCaption(const QString& name) {
    TSkin skin;
    QString error;
    return ReadSkinFile(BuiltInSkinPath(name), skin, error) ? skin.Name : name;
}

bool TSkinManager::SelectBuiltInSkin(const QString& name) {
    for (const QString& built_in : BuiltInSkinNames()) {
        if (built_in.compare(name, Qt::CaseInsensitive) == 0) {
            return Load(BuiltInSkinPath(built_in));
        }
    }
    last_error_ =
        QStringLiteral("Cannot load skin \"%1\": no built-in skin of that name").arg(OneLine(name));
    return false;
}

bool TSkinManager::LoadSkinFile(const QString& file_name) {
    return Load(file_name);
}

int TSkinManager::CurrentBuiltInIndex() const {
    for (qsizetype i = 0; i < BuiltInSkinNames().size(); ++i) {
        if (source_ == BuiltInSkinPath(BuiltInSkinNames()[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool TSkinManager::Load(const QString& file_name) {
    TSkin skin;
    QString error;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        error = QStringLiteral("no application to apply it to");
    } else if (ReadSkinFile(file_name, skin, error)) {
        Apply(skin);
        current_ = std::move(skin);
        source_ = file_name;
        last_error_.clear();
        system_ = false;
        return true;
    }
    last_error_ = QStringLiteral("Cannot load skin \"%1\": %2").arg(OneLine(file_name), error);
    return false;
}

void TSkinManager::Apply(const TSkin& skin) {
    if (QApplication::style()->name().compare(QLatin1String(kBaseStyle), Qt::CaseInsensitive) !=
        0) {
        if (QStyle* style = QStyleFactory::create(QLatin1String(kBaseStyle))) {
            QApplication::setStyle(style);
        }
    }
    QApplication::setPalette(skin.Palette);
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    app->setStyleSheet(skin.StyleSheet);
}

}  // namespace v2m
