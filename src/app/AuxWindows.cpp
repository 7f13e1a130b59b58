#include "AuxWindows.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "Pictures.h"
#include "SkinManager.h"

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

}  // namespace

QString ProgramVersion() {
    return QStringLiteral(V2M_VERSION);
}

TLogForm::TLogForm(const QStringList& lines, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(QStringLiteral("Log"));
    setFixedSize(437, 364);
    mmoLog = new QPlainTextEdit(this);
    mmoLog->setObjectName(QStringLiteral("mmoLog"));
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
    setWindowTitle(QStringLiteral("About"));
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

    Caption(this, "lblHome", QStringLiteral("Home:"), QRect(88, 96, 60, 20));
    const QString home = QLatin1String(kHomePage);
    auto* home_link = Caption(this, "lnkHome", Link(home, home), QRect(152, 96, 214, 20));
    Caption(this, "lblSupport", QStringLiteral("Support:"), QRect(88, 122, 60, 20));
    const QString mail = QLatin1String(kSupportMail);
    auto* mail_link = Caption(this, "lnkSupport", Link(QStringLiteral("mailto:") + mail, mail),
                              QRect(152, 122, 214, 20));
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
      previous_source_(skins.CurrentSource()) {
    setObjectName(QStringLiteral("SkinDialog"));
    setWindowTitle(QStringLiteral("Select skin"));
    auto* layout = new QVBoxLayout(this);
    lstSkins = new QListWidget(this);
    lstSkins->setObjectName(QStringLiteral("lstSkins"));
    // Listed by the names the skins give themselves, in the built-in order.
    for (const QString& name : TSkinManager::BuiltInSkinNames()) {
        lstSkins->addItem(TSkinManager::BuiltInSkinCaption(name));
    }
    layout->addWidget(lstSkins);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
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
    lstSkins->setCurrentRow(current);
    connect(lstSkins, &QListWidget::currentRowChanged, this, [this](int row) { Preview(row); });
}

void TSkinDialog::Preview(int row) {
    const QStringList& names = TSkinManager::BuiltInSkinNames();
    if (row >= 0 && row < names.size()) {
        skins_.SelectBuiltInSkin(names[row]);
    }
}

void TSkinDialog::Restore() {
    if (previous_index_ >= 0) {
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

}  // namespace v2m
