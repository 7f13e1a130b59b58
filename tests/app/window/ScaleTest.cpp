// The window and its dialogs on a high-density screen: run once per scale
// factor (QT_SCALE_FACTOR set by the test's entry), each run checks that
// every text has the room it needs, that pictures carry as many pixels as
// the screen shows, and keeps a screenshot of the window.

#include <QAction>
#include <QLabel>
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
        for (const QString& text : test::ClippedTexts(root)) {
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
