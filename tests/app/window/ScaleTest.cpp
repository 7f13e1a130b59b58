// The window and its dialogs on a high-density screen: run once per scale
// factor (QT_SCALE_FACTOR set by the test's entry), each run checks that
// every text has the room it needs, that pictures carry as many pixels as
// the screen shows, and keeps a screenshot of the window.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QToolBar>

#include <cmath>
#include <cstdlib>
#include <functional>

#include "AuxWindows.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

using test::Find;

QString Describe(const QWidget& widget, const QString& text) {
    return widget.metaObject()->className() + QStringLiteral(" ") + widget.objectName() +
           QStringLiteral(" \"") + text + QStringLiteral("\"");
}

// The room a visible text needs against the room it has, for the kinds of
// control that show a text they cannot shorten; the controls that elide
// (lists, combo boxes) are left out.
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

std::vector<QString> ClippedTexts(QWidget& root) {
    std::vector<QString> clipped;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&root)) {
            if (std::optional<QString> text = ClippedText(*widget)) {
                clipped.push_back(*text);
            }
        }
    }
    return clipped;
}

// A pixmap drawn for fewer device pixels than it covers on this screen.
bool Blurred(const QPixmap& pixmap, qreal screen_scale) {
    return pixmap.isNull() || pixmap.devicePixelRatio() + 1e-6 < screen_scale;
}

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = test::MakeForm(program_, services_);
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        scale_ = form_->devicePixelRatioF();
    }
    void ExpectNoClippedText(QWidget& root) {
        for (const QString& text : ClippedTexts(root)) {
            ADD_FAILURE() << "clipped at scale " << scale_ << ": " << text.toStdString();
        }
    }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
    std::unique_ptr<TForm1> form_;
    qreal scale_ = 1.0;
};

TEST_F(ScaleTest, TheWindowShowsEveryTextWholeAndEveryPictureSharp) {
    const char* asked = std::getenv("QT_SCALE_FACTOR");
    ASSERT_NE(asked, nullptr) << "run by the scale entries, which set the factor";
    EXPECT_NEAR(scale_, std::atof(asked), 1e-6);
    ExpectNoClippedText(*form_);

    auto* tool_bar = form_->findChild<QToolBar*>();
    ASSERT_NE(tool_bar, nullptr);
    for (QAction* action : tool_bar->actions()) {
        if (action->icon().isNull()) {
            continue;
        }
        const QSize shown = tool_bar->iconSize();
        const QPixmap pixmap = action->icon().pixmap(shown, scale_);
        EXPECT_GE(pixmap.width(), std::floor(shown.width() * scale_))
            << action->objectName().toStdString();
    }
    for (const char* picture : {"ImgStart", "imgPreview"}) {
        auto* label = Find<QLabel>(*form_, picture);
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(Blurred(label->pixmap(), scale_)) << picture;
    }

#ifdef V2M_SCREENSHOT_DIR
    std::filesystem::create_directories(V2M_SCREENSHOT_DIR);
    const QString shot = QStringLiteral(V2M_SCREENSHOT_DIR "/window-scale-") +
                         QString::number(scale_) + QStringLiteral(".png");
    EXPECT_TRUE(form_->grab().save(shot)) << shot.toStdString();
#endif
}

TEST_F(ScaleTest, EveryDialogShowsEveryTextWhole) {
    TLogForm log({QStringLiteral("a line of the log")}, form_.get());
    TAboutForm about(
        form_->windowTitle(), [](const QString&) {}, form_.get());
    TSkinDialog skins(form_->Skins(), form_.get());
    TCutDialog cut(-1, -1, 90'000'000, {}, form_.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&log, &about, &skins, &cut}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_NEAR(dialog->devicePixelRatioF(), scale_, 1e-6);
        ExpectNoClippedText(*dialog);
        dialog->reject();
    }
}

}  // namespace
}  // namespace v2m
