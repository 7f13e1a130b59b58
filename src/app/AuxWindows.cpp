#include "AuxWindows.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

#include "Pictures.h"
#include "SkinManager.h"
#include "SplitPoints.h"

#ifndef V2M_VERSION
#define V2M_VERSION "0"
#endif

namespace v2m {

namespace {

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QString Link(const QString& href, const QString& text) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href.toHtmlEscaped(), text.toHtmlEscaped());
}

// A link label showing its address in the room it has: without the scheme,
// and shortened in the middle when that is still too long; the whole address
// is its tool tip.
void ShowAddress(QLabel& label, const QString& href, QString address) {
    address.remove(QRegularExpression(QStringLiteral("^[a-z]+://")));
    if (address.endsWith(QLatin1Char('/'))) {
        address.chop(1);
    }
    label.setText(
        Link(href, label.fontMetrics().elidedText(address, Qt::ElideMiddle, label.width())));
    label.setToolTip(href);
}

}  // namespace

QString ProgramVersion() {
    return QStringLiteral(V2M_VERSION);
}

TLogForm::TLogForm(const QStringList& lines, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(tr("Log"));
    setFixedSize(437, 364);
    mmoLog = new QPlainTextEdit(this);
    mmoLog->setObjectName(QStringLiteral("mmoLog"));
    mmoLog->setAccessibleName(tr("Log"));
    mmoLog->setGeometry(10, 10, 417, 329);
    mmoLog->setReadOnly(true);
    // Long library lines are read by scrolling, not broken where the width ends.
    mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoLog->setPlainText(lines.join(QLatin1Char('\n')));
}

TAboutForm::TAboutForm(const QString& title, std::function<void(const QString&)> open,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(tr("About"));
    setFixedSize(382, 200);
    auto* icon = Caption(this, "imgIcon", QString(), QRect(16, 16, 64, 64));
    icon->setPixmap(PictureIcon(TPicture::Application).pixmap(64, 64));
    auto* heading = Caption(this, "lblTitle", title + QLatin1Char(' ') + ProgramVersion(),
                            QRect(88, 24, 278, 40));
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    Caption(this, "lblHome", tr("Home:"), QRect(88, 96, 60, 20));
    auto* home_link = Caption(this, "lnkHome", QString(), QRect(152, 96, 214, 20));
    ShowAddress(*home_link, QLatin1String(kHomePage), QLatin1String(kHomePage));
    Caption(this, "lblSupport", tr("Support:"), QRect(88, 122, 60, 20));
    auto* mail_link = Caption(this, "lnkSupport", QString(), QRect(152, 122, 214, 20));
    ShowAddress(*mail_link, QStringLiteral("mailto:") + QLatin1String(kSupportMail),
                QLatin1String(kSupportMail));
    for (QLabel* link : {home_link, mail_link}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setOpenExternalLinks(false);
        connect(link, &QLabel::linkActivated, this, [open](const QString& href) { open(href); });
    }
    auto* rights = Caption(this, "lblRights", QLatin1String(kRightsLine), QRect(16, 160, 350, 20));
    rights->setAlignment(Qt::AlignCenter);
}

TSkinDialog::TSkinDialog(TSkinManager& skins, QWidget* parent)
    : QDialog(parent),
      skins_(skins),
      previous_index_(skins.CurrentBuiltInIndex()),
      previous_source_(skins.CurrentSource()),
      previous_system_(skins.SystemSkinSelected()) {
    setObjectName(QStringLiteral("SkinDialog"));
    setWindowTitle(tr("Select skin"));
    auto* layout = new QVBoxLayout(this);
    lstSkins = new QListWidget(this);
    lstSkins->setObjectName(QStringLiteral("lstSkins"));
    lstSkins->setAccessibleName(tr("Skins"));
    // Listed by the names the skins give themselves, in the built-in order.
    for (const QString& name : TSkinManager::BuiltInSkinNames()) {
        lstSkins->addItem(TSkinManager::BuiltInSkinCaption(name));
    }
    // Last, so that the built-in skins keep their places in the list.
    lstSkins->addItem(TSkinManager::SystemSkinCaption());
    layout->addWidget(lstSkins);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->setAccessibleName(tr("Dialog Buttons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The default skin is loaded from its file beside the program; a file
    // named like a built-in skin still marks that one as current.
    int current = previous_index_;
    if (current < 0 && !previous_source_.isEmpty()) {
        const QString file = previous_source_.section(QLatin1Char('/'), -1);
        const QStringList& names = TSkinManager::BuiltInSkinNames();
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names[i].compare(file, Qt::CaseInsensitive) == 0) {
                current = static_cast<int>(i);
            }
        }
    }
    if (previous_system_) {
        current = static_cast<int>(TSkinManager::BuiltInSkinNames().size());
    }
    lstSkins->setCurrentRow(current);
    connect(lstSkins, &QListWidget::currentRowChanged, this, [this](int row) { Preview(row); });
}

void TSkinDialog::Preview(int row) {
    const QStringList& names = TSkinManager::BuiltInSkinNames();
    if (row >= 0 && row < names.size()) {
        skins_.SelectBuiltInSkin(names[row]);
    } else if (row == names.size()) {
        skins_.SelectSystemSkin();
    }
}

void TSkinDialog::Restore() {
    if (previous_system_) {
        skins_.SelectSystemSkin();
    } else if (previous_index_ >= 0) {
        skins_.SelectBuiltInSkin(TSkinManager::BuiltInSkinNames()[previous_index_]);
    } else if (!previous_source_.isEmpty()) {
        skins_.LoadSkinFile(previous_source_);
    }
}

void TSkinDialog::done(int result) {
    if (result != QDialog::Accepted) {
        Restore();
    }
    QDialog::done(result);
}

TCutDialog::TCutDialog(int64_t start, int64_t end, int64_t duration,
                       std::function<std::optional<int64_t>()> preview_position, QWidget* parent)
    : QDialog(parent), start_(start), end_(end), duration_(duration) {
    setObjectName(QStringLiteral("CutDialog"));
    setWindowTitle(tr("Cut"));
    auto* layout = new QGridLayout(this);
    const bool previewed = preview_position && preview_position().has_value();
    int line = 0;
    for (auto [field, caption, name, button_name, value] :
         {std::tuple{&edtCutStart, QT_TR_NOOP("&Start"), "edtCutStart", "btnCutStartFromPreview",
                     start},
          std::tuple{&edtCutEnd, QT_TR_NOOP("&End"), "edtCutEnd", "btnCutEndFromPreview", end}}) {
        auto* label = new QLabel(tr(caption), this);
        *field =
            new QLineEdit(value >= 0 ? QString::fromStdString(TimeText(value)) : QString(), this);
        (*field)->setObjectName(QLatin1String(name));
        (*field)->setPlaceholderText(line == 0 ? tr("file start") : tr("file end"));
        label->setBuddy(*field);
        auto* button = new QPushButton(tr("Use Preview Position"), this);
        button->setObjectName(QLatin1String(button_name));
        button->setEnabled(previewed);
        button->setAutoDefault(false);
        // Both buttons read alike; the name says which field each one sets.
        button->setAccessibleName(line == 0 ? tr("Start at the Preview Position")
                                            : tr("End at the Preview Position"));
        QLineEdit* target = *field;
        connect(button, &QPushButton::clicked, this, [target, preview_position] {
            if (const std::optional<int64_t> at = preview_position()) {
                target->setText(QString::fromStdString(TimeText(*at)));
            }
        });
        layout->addWidget(label, line, 0);
        layout->addWidget(*field, line, 1);
        layout->addWidget(button, line, 2);
        ++line;
    }
    auto* hint = new QLabel(tr("h:mm:ss.xxx, mm:ss or seconds"), this);
    layout->addWidget(hint, line++, 1, 1, 2);
    lblCutProblem = new QLabel(this);
    lblCutProblem->setObjectName(QStringLiteral("lblCutProblem"));
    lblCutProblem->setWordWrap(true);
    lblCutProblem->hide();
    layout->addWidget(lblCutProblem, line++, 0, 1, 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->setAccessibleName(tr("Dialog Buttons"));
    layout->addWidget(buttons, line, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &TCutDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<int64_t> TCutDialog::FieldTime(const QLineEdit* field) {
    const std::string text = field->text().trimmed().toStdString();
    if (text.empty()) {
        return -1;
    }
    return ParseTimeText(text);
}

void TCutDialog::accept() {
    const std::optional<int64_t> start = FieldTime(edtCutStart);
    const std::optional<int64_t> end = FieldTime(edtCutEnd);
    QString problem;
    if (!start || !end) {
        problem = tr("%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds")
                      .arg(!start ? tr("The start") : tr("The end"));
    } else if (*end >= 0 && *end <= std::max<int64_t>(*start, 0)) {
        problem = tr("The end must come after the start");
    } else if (duration_ > 0 && *start >= duration_) {
        problem = tr("The start lies past the end of the file (%1)")
                      .arg(QString::fromStdString(TimeText(duration_)));
    }
    lblCutProblem->setText(problem);
    lblCutProblem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty()) {
        return;
    }
    start_ = *start;
    end_ = *end;
    QDialog::accept();
}

}  // namespace v2m
