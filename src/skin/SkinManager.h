#pragma once
// The look of the whole application: one skin at a time, applied to every
// window through the application's style, palette and style sheet.
//
// Five skins are built into the program; the first is selected when the
// manager is made. A skin file that cannot be used leaves the current look
// alone and leaves a one-line reason in LastError for the log.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "SkinFile.h"

namespace v2m {

class TSkinManager {
public:
    // Needs the QApplication to exist; selects and applies the first built-in skin.
    TSkinManager();
    TSkinManager(const TSkinManager&) = delete;
    TSkinManager& operator=(const TSkinManager&) = delete;

    // The file names of the built-in skins, the default first.
    static const QStringList& BuiltInSkinNames();
    // What the built-in skin calls itself ("Vantel Aero"); the file name
    // when it cannot be read.
    static QString BuiltInSkinCaption(const QString& name);
    // The resource path of a built-in skin (":/skins/<name>").
    static QString BuiltInSkinPath(const QString& name);

    // Applies the built-in skin of that name (letter case ignored).
    bool SelectBuiltInSkin(const QString& name);
    // Applies a ".skn" or ".ini" skin file.
    bool LoadSkinFile(const QString& file_name);
    // The desktop's own look: the style the program started with, no style
    // sheet, and the platform's palette, which Qt then keeps following when
    // the desktop switches between light and dark.
    void SelectSystemSkin();
    bool SystemSkinSelected() const { return system_; }
    // What the skin list calls it.
    static QString SystemSkinCaption();

    const TSkin& CurrentSkin() const { return current_; }
    // The file or resource the current skin came from; empty before any.
    const QString& CurrentSource() const { return source_; }
    // The built-in skin's index in BuiltInSkinNames, or -1 for a skin from a
    // file or the system's.
    int CurrentBuiltInIndex() const;
    // "Cannot load skin "<file>": <reason>", one line; empty after a success.
    const QString& LastError() const { return last_error_; }

private:
    bool Load(const QString& file_name);
    void Apply(const TSkin& skin);

    TSkin current_;
    QString source_;
    QString last_error_;
    QString system_style_;  // the style the desktop gave the program
    bool system_ = false;
    // Keeps open windows in the application's colours (see SkinManager.cpp).
    std::unique_ptr<QObject> palette_follower_;
};

}  // namespace v2m
