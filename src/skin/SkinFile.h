#pragma once
// The skin file format.
//
// A skin is UTF-8 INI text:
//
//     ; Comment lines start with ";" or "#".
//     [Skin]
//     Name=Vantel Aero
//
//     ; The colour of each palette role, for every colour group.
//     [Colors]
//     Window=#eaf1fa
//     Button=#f4f8fd
//     Highlight=#3a8ee6
//
//     ; Overrides for one group: Colors.Active, Colors.Inactive, Colors.Disabled.
//     [Colors.Disabled]
//     WindowText=#8a97a8
//
//     ; Optional, and always the last section.
//     [StyleSheet]
//     QPushButton { border-radius: 4px; }
//
// [Skin] needs a Name (other keys there are skipped) and [Colors] a Window
// colour. Values run from after the "=" to the end of the line, trimmed of blanks.
// Role names are those of QPalette::ColorRole (Window, WindowText, Base,
// AlternateBase, ToolTipBase, ToolTipText, PlaceholderText, Text, Button,
// ButtonText, BrightText, Light, Midlight, Dark, Mid, Shadow, Highlight,
// HighlightedText, Link, LinkVisited); section and role names ignore letter
// case. A colour is any text QColor reads: "#rgb", "#rrggbb", "#aarrggbb" or an
// SVG colour name. Roles a skin leaves out are derived from its Button and
// Window colours the way Qt derives a palette from two colours. Every line after
// the [StyleSheet] header, up to the end of the text, is the Qt style sheet,
// kept as written. Unknown sections are skipped; an unknown role or a colour
// that cannot be read makes the whole skin invalid.
//
// A ".ini" skin file is that text as it is. A ".skn" skin file is the same text
// compressed: a 4-byte big-endian count of the text's bytes followed by a zlib
// (RFC 1950) stream of the text, which is what qCompress writes and qUncompress
// reads; any zlib tool can read it after skipping the first four bytes.

#include <QByteArray>
#include <QPalette>
#include <QString>

namespace v2m {

struct TSkin {
    QString Name;
    QPalette Palette;
    QString StyleSheet;

    bool operator==(const TSkin& other) const {
        return Name == other.Name && Palette == other.Palette && StyleSheet == other.StyleSheet;
    }
    bool operator!=(const TSkin& other) const { return !(*this == other); }
};

// Skin files larger than this are not read.
inline constexpr qint64 kMaxSkinFileSize = 4 * 1024 * 1024;
// A compressed skin may not claim a text larger than this.
inline constexpr quint32 kMaxSkinTextSize = 16 * 1024 * 1024;

// Parses skin text. False with a one-line reason ("line 7: unknown colour role
// 'Windw'") when the text is not a valid skin; `skin` is then unchanged.
bool ParseSkinText(const QByteArray& text, TSkin& skin, QString& error);

// The ".skn" form of skin text, and back. UnpackSkinData is false with a reason
// when the data is not a compressed skin.
QByteArray PackSkinText(const QByteArray& text);
bool UnpackSkinData(const QByteArray& data, QByteArray& text, QString& error);

// Reads a skin file: ".skn" compressed, ".ini" plain (the extension in any
// letter case). Also reads the program's resources (":/..." names). False with
// a reason when the file is missing, unreadable, of another type or invalid.
bool ReadSkinFile(const QString& file_name, TSkin& skin, QString& error);

}  // namespace v2m
