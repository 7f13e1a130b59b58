#include "Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>
#include <optional>

// Notes for the translators, one per context: where its texts are seen.

/* TRANSLATOR v2m::TForm1

   The main window: its menus, tool bar, the preview, the Profile and Profile
   Settings groups, the status line below them, and its message boxes. Keep the
   accelerators (&) unique within each menu; tool bar texts (Add Files, Help,
   Visit Home) sit under 32-pixel icons, so keep them short.
*/

/* TRANSLATOR v2m::TCoreTexts

   Words the conversion logic names and the main window shows: the file list's
   column titles, a row's state in its Progress column, the labels and items of
   the four lists in Profile Settings, the names of the file dialogs'
   filters, why a failed row failed (its tool tip and the list of files
   that could not be converted), and why a row's cover picture is left out
   (the row's tool tip; %1, %2 and %3 are numbers). The log keeps them in
   English.
*/

/* TRANSLATOR v2m::TFileListModel

   The file list in the main window: tool tips, the spoken description of
   a row, and the Parts and Output columns' counts ("3 pieces, cut 3:25",
   "song.mp3 + 2 more"); times stay as they are.
*/

/* TRANSLATOR v2m::TLogForm

   The log window (File > View Log): a read-only copy of the conversion log,
   which itself stays in English for whoever gives support.
*/

/* TRANSLATOR v2m::TAboutForm

   The About box (About > About): the program's name and version, its home
   page and support address.
*/

/* TRANSLATOR v2m::TSkinDialog

   The skin choice (File > Skin): a list of looks for the window, with OK and
   Cancel.
*/

/* TRANSLATOR v2m::TCutDialog

   The Cut dialog, from a row's context menu in the file list: the start and
   end of the stretch of the file to convert, typed as times or taken from the
   preview's position.
*/

/* TRANSLATOR v2m::TQtUiServices

   Dialogs the main window shares: the list of files that could not be
   converted, and the extra check box of the "Add Folder" dialog.
*/

namespace v2m {

namespace {

// The core's texts that reach the screen. Listed here so that the translation
// tools find them; the core keeps them in English for the log and the journal.
constexpr const char* kCoreTextContext = "v2m::TCoreTexts";
[[maybe_unused]] constexpr const char* kCoreTexts[] = {
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Name"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Duration"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Original Size"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Output"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Progress"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Output Size"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Audio"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Parts"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Waiting"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Failed"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Completed"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Skipped"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Stopped"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "No audio"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "N/A"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Quality"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Channels"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Bit Rates (Kbps)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Volume (%)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Auto"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Mono"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Stereo"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Video Files"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "All Files"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Cue Sheets"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Text Files"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "cut does not fit"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "has no audio track"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "is not a media file the libraries can read"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "no such file"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "a track of it cannot be decoded"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the encoder does not start with these settings"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the libraries here have no encoder for this profile"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "encoding failed"),
    // The system's words for a full disk or a refused folder, as the C
    // library says them in English; a library that speaks the user's
    // language already passes through.
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "No space left on device"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Disk quota exceeded"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Read-only file system"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Permission denied"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "File too large"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "Input/output error"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "not a folder"),
    // A row's warning, the reason with its numbers taken out.
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "The cover picture is left out: %1"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the file has no such picture"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "it is larger than %1 MiB"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "it is not a picture we can read"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "it does not decode as a picture"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "it is %1x%2 pixels, more than %3 a side"),
    // Parts of the reasons a list of split points, a cue sheet or the file
    // name template cannot be used; "file: part: part" shows each part so.
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "cannot be read"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "it is not a file"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "is too large for a list of split points"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "is not a cue sheet that can be read"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the cue sheet holds no track"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the cue sheet's tracks lie in more than one audio file"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the list holds no time stamps"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "there are no points to split at"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "File name template"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the name template is empty"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "only {track} and {n} can be padded"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "write the width as :01 to :09"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "unmatched } (write }} for a brace)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "unclosed { (write {{ for a brace)"),
    // Why the saved file list cannot be read.
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "the journal is cut short"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "not understood"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "damaged"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "text after the end"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "not a list journal"),
};

// Reasons the core words around values of its own, each value a place
// marker in the order the English names them.
constexpr const char* kReasonPatterns[] = {
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "The cut ends at %1, not after its start at %2"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "The cut starts at %1, past the end of the file (%2)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "No piece of the file lies within the cut from %1 to %2"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "File name too long: %1"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "No free output name: %1 and %2 numbered names are taken"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "track %1 has no INDEX 01"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "%1 is before the start of the file"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "%1 comes before the point above it (%2)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "%1 repeats the point above it"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "%1 is at the end of the file (%2)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "%1 is past the end of the file (%2)"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "unknown placeholder {%1}"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "written by a newer version (%1)"),
};

// Where a split point stands, its value a count: a file named "line up" is
// no line.
constexpr const char* kCountedPatterns[] = {
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "line %1"),
    QT_TRANSLATE_NOOP("v2m::TCoreTexts", "point %1"),
};

// The pattern's words matched literally, each marker as a greedy capture: a
// file name holding the words that follow it still ends at their last match.
// A marker that opens the pattern takes no ": ", so that "file: line 3: 0:05
// comes before..." leaves its file and line to be shown part by part.
QRegularExpression ReasonExpression(const QString& pattern, const QString& capture) {
    static const QRegularExpression kMarker(QStringLiteral("%[12]"));
    QString expression = QStringLiteral("^");
    qsizetype from = 0;
    for (const QRegularExpressionMatch& marker : kMarker.globalMatch(pattern)) {
        expression += QRegularExpression::escape(pattern.mid(from, marker.capturedStart() - from)) +
                      (marker.capturedStart() == 0 ? QStringLiteral("((?:(?!: ).)+)") : capture);
        from = marker.capturedEnd();
    }
    return QRegularExpression(expression + QRegularExpression::escape(pattern.mid(from)) +
                              QStringLiteral("$"));
}

QString window_language;

QString LanguageOf(QString value) {
    // "de_DE.UTF-8@euro": the codeset and the modifier say nothing of the language.
    value = value.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0);
    if (value == QLatin1String("C") || value == QLatin1String("POSIX")) {
        return {};
    }
    return value;
}

}  // namespace

QStringList MessageLanguages(const std::function<const char*(const char*)>& variable) {
    const auto value = [&variable](const char* name) {
        const char* text = variable(name);
        return text != nullptr ? QString::fromLocal8Bit(text) : QString();
    };
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = value(name);
        if (!locale.isEmpty()) {
            break;
        }
    }
    const QString messages = LanguageOf(locale);
    QStringList languages;
    // A C locale means untranslated messages, whatever LANGUAGE lists.
    if (!messages.isEmpty()) {
        for (const QString& listed :
             value("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            if (const QString language = LanguageOf(listed); !language.isEmpty()) {
                languages.append(language);
            }
        }
        languages.append(messages);
    }
    languages.removeDuplicates();
    return languages;
}

QString InstallTranslations(QCoreApplication& application, const QStringList& languages,
                            const QString& data_folder) {
    const QString folder = data_folder + QLatin1String("translations");
    window_language.clear();
    for (const QString& language : languages) {
        // English is the source language: nothing to load, and what comes
        // after it in the list is not wanted more.
        if (language == QLatin1String("en") || language.startsWith(QLatin1String("en_"))) {
            break;
        }
        const QLocale locale(language);
        auto own = std::make_unique<QTranslator>(&application);
        if (!own->load(locale, QStringLiteral("video2mp3"), QStringLiteral("_"), folder)) {
            continue;
        }
        QCoreApplication::installTranslator(own.release());
        // Qt's own buttons and file dialogs: beside ours when shipped with
        // the program, else where the system keeps them.
        auto qt = std::make_unique<QTranslator>(&application);
        if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
            qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.release());
        }
        QLocale::setDefault(locale);
        window_language = language;
        return language;
    }
    return {};
}

QString WindowLanguage() {
    return window_language;
}

QString ShownText(std::string_view english) {
    const std::string text(english);
    return QCoreApplication::translate(kCoreTextContext, text.c_str());
}

namespace {

// One reason whole, or nothing when none of its forms is known.
std::optional<QString> ShownWhole(const QString& text) {
    const std::string english = text.toStdString();
    if (const QString shown = ShownText(english); shown != text) {
        return shown;
    }
    const auto match_any = [&text](const auto& patterns,
                                   const QString& capture) -> std::optional<QString> {
        for (const char* pattern : patterns) {
            const QRegularExpressionMatch match =
                ReasonExpression(QLatin1String(pattern), capture).match(text);
            if (match.hasMatch()) {
                // Both values at once: a file name may hold a place marker itself.
                const QString shown = QCoreApplication::translate(kCoreTextContext, pattern);
                return match.lastCapturedIndex() == 1
                           ? shown.arg(match.captured(1))
                           : shown.arg(match.captured(1), match.captured(2));
            }
        }
        return std::nullopt;
    };
    if (auto shown = match_any(kReasonPatterns, QStringLiteral("(.+)"))) {
        return shown;
    }
    return match_any(kCountedPatterns, QStringLiteral("(\\d+)"));
}

}  // namespace

QString ShownReason(std::string_view english) {
    const QString text = QString::fromUtf8(english.data(), static_cast<qsizetype>(english.size()));
    if (std::optional<QString> shown = ShownWhole(text)) {
        return *shown;
    }
    // "/path/points.txt: line 3: 0:05 comes before the point above it (0:10)":
    // each part shown as it would be alone, a file's name as it is.
    if (const qsizetype colon = text.indexOf(QLatin1String(": ")); colon > 0) {
        const QString head = text.left(colon);
        return ShownWhole(head).value_or(head) + QLatin1String(": ") +
               ShownReason(text.mid(colon + 2).toStdString());
    }
    return text;
}

}  // namespace v2m
