#include "SkinFile.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace v2m {

namespace {

struct RoleName {
    const char* name;
    QPalette::ColorRole role;
};

constexpr std::array<RoleName, 20> kRoles = {{
    {"Window", QPalette::Window},
    {"WindowText", QPalette::WindowText},
    {"Base", QPalette::Base},
    {"AlternateBase", QPalette::AlternateBase},
    {"ToolTipBase", QPalette::ToolTipBase},
    {"ToolTipText", QPalette::ToolTipText},
    {"PlaceholderText", QPalette::PlaceholderText},
    {"Text", QPalette::Text},
    {"Button", QPalette::Button},
    {"ButtonText", QPalette::ButtonText},
    {"BrightText", QPalette::BrightText},
    {"Light", QPalette::Light},
    {"Midlight", QPalette::Midlight},
    {"Dark", QPalette::Dark},
    {"Mid", QPalette::Mid},
    {"Shadow", QPalette::Shadow},
    {"Highlight", QPalette::Highlight},
    {"HighlightedText", QPalette::HighlightedText},
    {"Link", QPalette::Link},
    {"LinkVisited", QPalette::LinkVisited},
}};

std::optional<QPalette::ColorRole> RoleOf(const QString& name) {
    for (const RoleName& entry : kRoles) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) {
            return entry.role;
        }
    }
    return std::nullopt;
}

// Which colour groups a section's colours go to; empty for other sections.
std::optional<std::vector<QPalette::ColorGroup>> GroupsOf(const QString& section) {
    const auto is = [&section](const char* name) {
        return section.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("Colors")) {
        return std::vector{QPalette::Active, QPalette::Inactive, QPalette::Disabled};
    }
    if (is("Colors.Active")) {
        return std::vector{QPalette::Active};
    }
    if (is("Colors.Inactive")) {
        return std::vector{QPalette::Inactive};
    }
    if (is("Colors.Disabled")) {
        return std::vector{QPalette::Disabled};
    }
    return std::nullopt;
}

struct ColorSetting {
    std::vector<QPalette::ColorGroup> groups;
    QPalette::ColorRole role;
    QColor color;
};

QString LineError(int line, const QString& text) {
    return QStringLiteral("line %1: %2").arg(line).arg(text);
}

QString OneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

QString WithoutCarriageReturn(QString line) {
    if (line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
    }
    return line;
}

// What the lines of a skin say, before the palette is made of it.
struct SkinParts {
    QString name;
    QString style_sheet;
    std::vector<ColorSetting> settings;
};

// One "name=value" line of [Skin] or a colour section.
bool ReadSetting(const QString& line, int line_number, bool in_skin,
                 const std::vector<QPalette::ColorGroup>& groups, SkinParts& parts,
                 QString& error) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) {
        error = LineError(line_number, QStringLiteral("expected name=value"));
        return false;
    }
    const QString key = line.left(equals).trimmed();
    const QString value = line.mid(equals + 1).trimmed();
    if (in_skin) {
        if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0 && parts.name.isEmpty()) {
            parts.name = value;
        }
        return true;
    }
    const auto role = RoleOf(key);
    if (!role) {
        error = LineError(line_number, QStringLiteral("unknown colour role '%1'").arg(key));
        return false;
    }
    const QColor color = QColor::fromString(value);
    if (!color.isValid()) {
        error = LineError(line_number, QStringLiteral("invalid colour '%1'").arg(value));
        return false;
    }
    parts.settings.push_back({groups, *role, color});
    return true;
}

bool ReadSkinLines(const QStringList& lines, SkinParts& parts, QString& error) {
    QString section;
    std::optional<std::vector<QPalette::ColorGroup>> groups;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line_number = static_cast<int>(i + 1);
        const QString line = WithoutCarriageReturn(lines[i]);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close < 0) {
                error = LineError(line_number, QStringLiteral("section header without ']'"));
                return false;
            }
            section = trimmed.mid(1, close - 1).trimmed();
            if (section.compare(QLatin1String("StyleSheet"), Qt::CaseInsensitive) == 0) {
                // The style sheet runs to the end of the text, as written.
                QStringList rest = lines.mid(i + 1);
                for (QString& sheet_line : rest) {
                    sheet_line = WithoutCarriageReturn(sheet_line);
                }
                parts.style_sheet = rest.join(QLatin1Char('\n')).trimmed();
                return true;
            }
            groups = GroupsOf(section);
            continue;
        }
        const bool in_skin = section.compare(QLatin1String("Skin"), Qt::CaseInsensitive) == 0;
        if ((in_skin || groups) &&
            !ReadSetting(line, line_number, in_skin,
                         groups.value_or(std::vector<QPalette::ColorGroup>{}), parts, error)) {
            return false;
        }
    }
    return true;
}

// The two-colour palette is the base every role the skin leaves out comes from.
std::optional<QPalette> PaletteOf(const std::vector<ColorSetting>& settings) {
    std::optional<QColor> window;
    std::optional<QColor> button;
    for (const ColorSetting& setting : settings) {
        if (setting.groups.size() > 1 && setting.role == QPalette::Window) {
            window = setting.color;
        }
        if (setting.groups.size() > 1 && setting.role == QPalette::Button) {
            button = setting.color;
        }
    }
    if (!window) {
        return std::nullopt;
    }
    QPalette palette(button.value_or(*window), *window);
    for (const ColorSetting& setting : settings) {
        for (QPalette::ColorGroup group : setting.groups) {
            palette.setColor(group, setting.role, setting.color);
        }
    }
    return palette;
}

}  // namespace

bool ParseSkinText(const QByteArray& text, TSkin& skin, QString& error) {
    SkinParts parts;
    if (!ReadSkinLines(QString::fromUtf8(text).split(QLatin1Char('\n')), parts, error)) {
        return false;
    }
    if (parts.name.isEmpty()) {
        error = QStringLiteral("the skin has no name ([Skin] Name=...)");
        return false;
    }
    const std::optional<QPalette> palette = PaletteOf(parts.settings);
    if (!palette) {
        error = QStringLiteral("the skin has no Window colour in [Colors]");
        return false;
    }
    skin.Name = OneLine(parts.name);
    skin.Palette = *palette;
    skin.StyleSheet = parts.style_sheet;
    return true;
}

QByteArray PackSkinText(const QByteArray& text) {
    return qCompress(text, 9);
}

bool UnpackSkinData(const QByteArray& data, QByteArray& text, QString& error) {
    // Checked before qUncompress, which would otherwise try to allocate
    // whatever a damaged header claims.
    if (data.size() < 6) {
        error = QStringLiteral("not a compressed skin (too short)");
        return false;
    }
    const auto byte = [&data](int i) { return static_cast<quint32>(static_cast<uchar>(data[i])); };
    const quint32 length = (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
    // A zlib stream starts with a header whose 16-bit value is a multiple of 31.
    const quint32 zlib_header = (byte(4) << 8) | byte(5);
    if (length == 0 || length > kMaxSkinTextSize || (byte(4) & 0x0f) != 8 ||
        zlib_header % 31 != 0) {
        error = QStringLiteral("not a compressed skin");
        return false;
    }
    QByteArray unpacked = qUncompress(data);
    if (unpacked.isEmpty() || static_cast<quint32>(unpacked.size()) != length) {
        error = QStringLiteral("compressed skin data is damaged");
        return false;
    }
    text = std::move(unpacked);
    return true;
}

bool ReadSkinFile(const QString& file_name, TSkin& skin, QString& error) {
    const QString suffix = QFileInfo(file_name).suffix();
    const bool packed = suffix.compare(QLatin1String("skn"), Qt::CaseInsensitive) == 0;
    const bool plain = suffix.compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0;
    if (!packed && !plain) {
        error = QStringLiteral("unknown skin file type (expected .skn or .ini)");
        return false;
    }
    QFile file(file_name);
    if (!file.exists()) {
        error = QStringLiteral("file not found");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = OneLine(file.errorString());
        return false;
    }
    if (file.size() > kMaxSkinFileSize) {
        error = QStringLiteral("file too large for a skin");
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = OneLine(file.errorString());
        return false;
    }
    QByteArray text;
    if (packed) {
        if (!UnpackSkinData(data, text, error)) {
            return false;
        }
    } else {
        text = data;
    }
    return ParseSkinText(text, skin, error);
}

}  // namespace v2m
