#pragma once
// The window's language. Everything the window shows goes through Qt's
// translations; the log, the settings files and the command-line program stay
// in English, since people giving support and scripts read them.

#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>

class QCoreApplication;

namespace v2m {

// The languages the user asks for, most wanted first, from the environment
// as gettext reads it: LANGUAGE (a colon-separated list) unless the messages'
// locale is C or POSIX, then LC_ALL, LC_MESSAGES, LANG. Codesets and
// modifiers are dropped ("de_DE.UTF-8@euro" gives "de_DE"); empty: English.
QStringList MessageLanguages(const std::function<const char*(const char*)>& variable);

// Loads the window's translations and Qt's own for the first of `languages`
// that the window is translated into, from "translations/" of the data folder
// (Qt's own from Qt's folder when not there), and makes that language's
// locale the default for numbers, sizes and times. The chosen language;
// empty for English, the numbers then following the system's locale.
QString InstallTranslations(QCoreApplication& application, const QStringList& languages,
                            const QString& data_folder);

// The language the last InstallTranslations chose; empty for English.
QString WindowLanguage();

// A text the Qt-free layers name and the window shows: column titles, row
// states, the option lists' labels and items. Unknown texts (data such as
// numbers and file names) come back as they are.
QString ShownText(std::string_view english);

// Why a file cannot be converted, as the core words it: the words in the
// user's language, the values it names (times, file names, counts) as they
// are; "file: reason" keeps the file and shows the reason so.
QString ShownReason(std::string_view english);

}  // namespace v2m
