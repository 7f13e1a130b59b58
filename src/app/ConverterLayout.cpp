// The main window's controls, actions, menus and toolbar. At the classic size
// every control is where it always was (client coordinates, in pixels); a
// larger window gives its extra width and height to the file list, a smaller
// one (on a small screen) takes it from the list and the preview.

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "Converter.h"
#include "FileListModel.h"
#include "Pictures.h"
#include "PreviewPanel.h"
#include "Translations.h"

#include <algorithm>

namespace v2m {

namespace {

template <typename Widget>
Widget* Place(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    return Place(new QLabel(caption, parent), name, geometry);
}

QComboBox* FixedList(QWidget* parent, const char* name, QRect geometry) {
    auto* combo = Place(new QComboBox(parent), name, geometry);
    combo->setEditable(false);
    return combo;
}

// What Qt makes of a menu text for a tool bar: without the mnemonic marks
// and a closing ellipsis.
QString StrippedCaption(QString text) {
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QStringLiteral("..."))) {
        text.chop(3);
    }
    return text.trimmed();
}

QAction* Action(QObject* parent, const char* name, const QString& caption) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

}  // namespace

void TForm1::CreateControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setMinimumSize(kSmallestClientWidth, kSmallestClientHeight);
    setCentralWidget(client_);

    // The file list, and the picture that takes its place while it is empty.
    ImgStart = Place(new QLabel(client_), "ImgStart", QRect(12, 96, 521, 273));
    ImgStart->setPixmap(StartPicture(ImgStart->size(), ImgStart->devicePixelRatioF()));
    file_list_ = new TFileListModel(this);
    lvFiles = Place(new QTableView(client_), "lvFiles", QRect(12, 96, 521, 273));
    lvFiles->setModel(file_list_);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setShowGrid(true);
    lvFiles->setWordWrap(false);
    // Tab leaves the list for the next control instead of walking its cells.
    lvFiles->setTabKeyNavigation(false);
    lvFiles->installEventFilter(this);
    lvFiles->setTextElideMode(Qt::ElideRight);
    lvFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lvFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lvFiles->verticalHeader()->hide();
    lvFiles->verticalHeader()->setDefaultSectionSize(20);
    lvFiles->horizontalHeader()->setStretchLastSection(false);
    lvFiles->horizontalHeader()->setHighlightSections(false);
    lvFiles->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (size_t column = 0; column < kFileListColumnWidths.size(); ++column) {
        lvFiles->setColumnWidth(static_cast<int>(column), kFileListColumnWidths[column]);
    }
    // No order until the user clicks a heading (or one is remembered).
    lvFiles->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    lvFiles->setSortingEnabled(true);
    lvFiles->viewport()->installEventFilter(this);
    lvFiles->hide();

    // The preview.
    grpPreview =
        Place(new QGroupBox(tr("Preview"), client_), "grpPreview", QRect(544, 96, 257, 281));
    lblVideoName = Label(grpPreview, "lblVideoName", QString(), QRect(8, 20, 241, 16));
    pnlPreview = Place(new TPreviewPanel(grpPreview), "pnlPreview", QRect(0, 40, 257, 177));
    pnlPreview->hide();
    imgPreview = Place(new QLabel(grpPreview), "imgPreview", QRect(0, 40, 257, 177));
    imgPreview->setPixmap(PreviewStillPicture(imgPreview->size(), imgPreview->devicePixelRatioF()));
    trkPlay = Place(new QSlider(Qt::Horizontal, grpPreview), "trkPlay", QRect(6, 222, 165, 22));
    trkPlay->setRange(0, 100);
    lblPlayTime = Label(grpPreview, "lblPlayTime", QString(), QRect(173, 222, 78, 22));
    lblPlayTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Said over the picture when the preview cannot do all it should.
    lblPreviewNote = Label(grpPreview, "lblPreviewNote", QString(), QRect(8, 44, 241, 18));
    lblPreviewNote->setAlignment(Qt::AlignCenter);
    lblPreviewNote->setAutoFillBackground(true);
    lblPreviewNote->hide();
    btnPause = Place(new QToolButton(grpPreview), "btnPause", QRect(8, 249, 26, 26));
    btnStop = Place(new QToolButton(grpPreview), "btnStop", QRect(38, 249, 26, 26));
    for (QToolButton* button : {btnPause, btnStop}) {
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(false);
    }
    chkMute = Place(new QCheckBox(tr("Mute"), grpPreview), "chkMute", QRect(74, 252, 60, 20));
    chkMute->setAccessibleName(chkMute->text());
    trkVolume =
        Place(new QSlider(Qt::Horizontal, grpPreview), "trkVolume", QRect(138, 252, 110, 20));
    // Space plays and pauses from the bars, which have no use for it.
    for (QSlider* bar : {trkPlay, trkVolume}) {
        auto* space = new QShortcut(QKeySequence(Qt::Key_Space), bar);
        space->setContext(Qt::WidgetShortcut);
        connect(space, &QShortcut::activated, this, [this] {
            if (actPlay->isEnabled()) {
                actPlay->trigger();
            }
        });
    }

    // The profile, the output folder and the total progress.
    grpProfile =
        Place(new QGroupBox(tr("Profile"), client_), "grpProfile", QRect(12, 384, 521, 153));
    Label(grpProfile, "lblProfile", tr("Profile"), QRect(12, 28, 84, 20));
    cmbProfile = FixedList(grpProfile, "cmbProfile", QRect(100, 26, 260, 24));
    Label(grpProfile, "lblOutputFolder", tr("Output Folder"), QRect(12, 60, 84, 20));
    edtOutPath = Place(new QComboBox(grpProfile), "edtOutPath", QRect(100, 58, 244, 24));
    edtOutPath->setEditable(true);
    // A typed folder is not an item: only "Browse" adds to the history.
    edtOutPath->setInsertPolicy(QComboBox::NoInsert);
    edtOutPath->setDuplicatesEnabled(true);
    btnBrowse =
        Place(new QPushButton(tr("Browse"), grpProfile), "btnBrowse", QRect(350, 58, 78, 24));
    btnOpenFolder =
        Place(new QPushButton(tr("Open"), grpProfile), "btnOpenFolder", QRect(434, 58, 78, 24));
    chkSameInput = Place(new QCheckBox(tr("Same folder as input "), grpProfile), "chkSameInput",
                         QRect(100, 88, 150, 22));
    chkSameInput->setAccessibleName(chkSameInput->text().trimmed());
    // How the outputs are named, beside where they go.
    Label(grpProfile, "lblNameTemplate", tr("File Name"), QRect(256, 90, 62, 20));
    cmbNameTemplate = Place(new QComboBox(grpProfile), "cmbNameTemplate", QRect(322, 87, 190, 24));
    cmbNameTemplate->setEditable(true);
    cmbNameTemplate->setInsertPolicy(QComboBox::NoInsert);
    cmbNameTemplate->addItems({QStringLiteral("{name}"), QStringLiteral("{artist} - {title}"),
                               QStringLiteral("{artist}/{album}/{n:02} - {chapter}"),
                               QStringLiteral("{n:02} - {chapter}")});
    cmbNameTemplate->setToolTip(
        tr("{name} {title} {artist} {album} {albumartist} {track} {date} {year} "
           "{genre} {chapter} {n} {n:02} {profile}; \"/\" makes sub-folders"));
    Label(grpProfile, "lblProgress", tr("Progress"), QRect(12, 120, 84, 20));
    prgTotalProgress =
        Place(new QProgressBar(grpProfile), "prgTotalProgress", QRect(100, 118, 412, 22));
    prgTotalProgress->setRange(0, 100);

    // One line for what the program is doing: adding files, converting.
    lblStatus = Label(client_, "lblStatus", QString(), QRect(12, 540, 789, 18));

    // The four option lists, each under the one before.
    grpProfileSettings = Place(new QGroupBox(tr("Profile Settings"), client_), "grpProfileSettings",
                               QRect(544, 384, 257, 153));
    QComboBox** lists[kOptionListCount] = {&cmbQuality, &cmbChannel, &cmbBitRates, &cmbVolume};
    const char* labels[kOptionListCount] = {"lblQuality", "lblChannel", "lblBitRates", "lblVolume"};
    for (int i = 0; i < kOptionListCount; ++i) {
        const TOptionListInfo& info = OptionListInfo(static_cast<TOptionList>(i));
        const int top = 26 + 30 * i;
        Label(grpProfileSettings, labels[i], ShownText(info.Label), QRect(12, top + 2, 112, 20));
        *lists[i] =
            FixedList(grpProfileSettings, std::string(info.Name).c_str(), QRect(128, top, 117, 24));
    }

    // The log is kept, not shown.
    mmoLog = Place(new QPlainTextEdit(client_), "mmoLog", QRect(12, 96, 521, 273));
    mmoLog->setReadOnly(true);
    mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoLog->hide();
}

void TForm1::CreateActions() {
    actAddFiles = Action(this, "actAddFiles", tr("&Add Files..."));
    actAddFiles->setIconText(tr("Add Files"));
    actAddFiles->setIcon(PictureIcon(TPicture::AddFiles));
    actAddFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    actAddFolder = Action(this, "actAddFolder", tr("Add F&older..."));
    actAddFolder->setIcon(PictureIcon(TPicture::AddFolder));
    actAddFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    actCancelAdding = Action(this, "actCancelAdding", tr("Cancel Adding"));
    actCancelAdding->setShortcut(QKeySequence(Qt::Key_Escape));
    actSelectSkin = Action(this, "actSelectSkin", tr("&Skin"));
    actSelectSkin->setIcon(PictureIcon(TPicture::Skin));
    mnuExit = Action(this, "mnuExit", tr("E&xit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actRemove = Action(this, "actRemove", tr("&Remove"));
    actRemove->setIcon(PictureIcon(TPicture::Remove));
    actRemove->setShortcut(QKeySequence(Qt::Key_Delete));
    actClear = Action(this, "actClear", tr("&Clear"));
    actClear->setIcon(PictureIcon(TPicture::Clear));
    actStartConvert = Action(this, "actStartConvert", tr("&Start"));
    actStartConvert->setIcon(PictureIcon(TPicture::Start));
    actStartConvert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    actPauseConvert = Action(this, "actPauseConvert", tr("&Pause"));
    actPauseConvert->setIcon(PictureIcon(TPicture::Pause));
    actPauseConvert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // The same keys resume a paused run; only one of the two is ever enabled.
    actResumeKeys = Action(this, "actResumeKeys", tr("Resume"));
    actResumeKeys->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    actStopConvert = Action(this, "actStopConvert", tr("St&op"));
    actStopConvert->setIcon(PictureIcon(TPicture::Stop));
    actStopConvert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    actConvertAllAgain = Action(this, "actConvertAllAgain", tr("Convert All A&gain"));
    actHelp = Action(this, "actHelp", tr("&Help Content"));
    actHelp->setIconText(tr("Help"));
    actHelp->setIcon(PictureIcon(TPicture::Help));
    actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    actAbout = Action(this, "actAbout", tr("&About"));
    actAbout->setIcon(PictureIcon(TPicture::About));
    actVisitWebsite = Action(this, "actVisitWebsite", tr("&Visit Website"));
    actVisitWebsite->setIconText(tr("Visit Home"));
    actVisitWebsite->setIcon(PictureIcon(TPicture::VisitHome));
    actPlay = Action(this, "actPlay", tr("Play"));
    actStop = Action(this, "actStop", tr("Stop Preview"));
    actViewLog = Action(this, "actViewLog", tr("View &Log"));
    actViewLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    actExit = Action(this, "actExit", tr("Exit"));

    // The commands work wherever the focus is in the window.
    addActions({actAddFiles, actAddFolder, actCancelAdding, actSelectSkin, mnuExit, actRemove,
                actClear, actStartConvert, actPauseConvert, actResumeKeys, actStopConvert, actHelp,
                actAbout, actVisitWebsite, actPlay, actStop, actViewLog, actExit});
}

void TForm1::CreateMenusAndToolbar() {
    menu_bar_ = Place(new QMenuBar(client_), "MainMenu", QRect(0, 0, kClientWidth, 25));
    menu_bar_->setNativeMenuBar(false);
    // A menu bar outside a main window's layout sizes itself to its parent's
    // width and its own height; the height is kept to the layout's.
    menu_bar_->setFixedHeight(25);
    QMenu* file = menu_bar_->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(actAddFiles);
    file->addAction(actAddFolder);
    file->addSeparator();
    file->addAction(actSelectSkin);
    file->addAction(actViewLog);
    file->addSeparator();
    file->addAction(mnuExit);
    QMenu* edit = menu_bar_->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    edit->addAction(actRemove);
    edit->addAction(actClear);
    QMenu* convert = menu_bar_->addMenu(tr("&Convert"));
    convert->setObjectName(QStringLiteral("mnuConvert"));
    convert->addAction(actStartConvert);
    convert->addAction(actPauseConvert);
    convert->addAction(actStopConvert);
    convert->addAction(actConvertAllAgain);
    convert->addSeparator();
    QMenu* jobs = convert->addMenu(tr("Si&multaneous Conversions"));
    jobs->setObjectName(QStringLiteral("mnuJobs"));
    auto* jobs_group = new QActionGroup(this);
    for (const auto& [caption, setting] : {std::pair{"1", 1}, std::pair{"2", 2}, std::pair{"4", 4},
                                           std::pair{QT_TR_NOOP("One per Processor"), 0}}) {
        QAction* action = jobs->addAction(tr(caption));
        action->setCheckable(true);
        action->setObjectName(QStringLiteral("actJobs%1").arg(setting));
        jobs_group->addAction(action);
        jobs_actions_.emplace_back(action, setting);
    }
    actCopyTags = convert->addAction(tr("Copy &Tags"));
    actCopyTags->setObjectName(QStringLiteral("actCopyTags"));
    actCopyTags->setCheckable(true);
    actCopyTags->setChecked(true);
    actCoverFromVideo = convert->addAction(tr("Use a &Video Frame as Cover"));
    actCoverFromVideo->setObjectName(QStringLiteral("actCoverFromVideo"));
    actCoverFromVideo->setCheckable(true);
    actCopyAudio = convert->addAction(tr("&Copy Audio When Possible"));
    actCopyAudio->setObjectName(QStringLiteral("actCopyAudio"));
    actCopyAudio->setCheckable(true);
    actCopyAudio->setChecked(true);
    convert->addSeparator();
    actNormalizeLoudness = convert->addAction(tr("&Normalize Loudness"));
    actNormalizeLoudness->setObjectName(QStringLiteral("actNormalizeLoudness"));
    actNormalizeLoudness->setCheckable(true);
    QMenu* targets = convert->addMenu(tr("Loudness T&arget"));
    targets->setObjectName(QStringLiteral("mnuLoudnessTarget"));
    auto* targets_group = new QActionGroup(this);
    for (const double target : kLoudnessTargets) {
        const int lufs = static_cast<int>(target);
        QAction* action = targets->addAction(tr("%1 LUFS").arg(lufs));
        action->setCheckable(true);
        action->setObjectName(QStringLiteral("actLoudness%1").arg(-lufs));
        targets_group->addAction(action);
        loudness_actions_.emplace_back(action, target);
    }
    QMenu* loudness = convert->addMenu(tr("&Loudness"));
    loudness->setObjectName(QStringLiteral("mnuLoudness"));
    loudness->setAccessibleName(tr("Loudness"));
    actNormalizeAlbum = loudness->addAction(tr("Normalize as &Album"));
    actNormalizeAlbum->setObjectName(QStringLiteral("actNormalizeAlbum"));
    actNormalizeAlbum->setCheckable(true);
    actNormalizeAlbum->setToolTip(tr("The files sharing a folder take one gain"));
    actLoudnessTagsOnly = loudness->addAction(tr("Loudness: &Tag Only"));
    actLoudnessTagsOnly->setObjectName(QStringLiteral("actLoudnessTagsOnly"));
    actLoudnessTagsOnly->setCheckable(true);
    actLoudnessTagsOnly->setToolTip(tr("The gain goes into tags that players apply"));
    convert->addSeparator();
    actSplitChapters = convert->addAction(tr("Split by C&hapters"));
    actSplitChapters->setObjectName(QStringLiteral("actSplitChapters"));
    actSplitChapters->setCheckable(true);
    actSkipExisting = convert->addAction(tr("S&kip Files Already Converted"));
    actSkipExisting->setObjectName(QStringLiteral("actSkipExisting"));
    actSkipExisting->setCheckable(true);
    QMenu* about = menu_bar_->addMenu(tr("&About"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    about->addAction(actHelp);
    about->addSeparator();
    about->addAction(actAbout);
    about->addAction(actVisitWebsite);

    tool_bar_ = Place(new QToolBar(client_), "ToolBar1", QRect(0, 24, kClientWidth, 65));
    tool_bar_->setMovable(false);
    tool_bar_->setFloatable(false);
    tool_bar_->setIconSize(QSize(32, 32));
    tool_bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const std::initializer_list<QAction*> groups[] = {
        {actAddFiles, actRemove, actClear},
        {actStartConvert, actPauseConvert, actStopConvert},
        {actHelp, actVisitWebsite},
    };
    bool first = true;
    for (const auto& group : groups) {
        if (!first) {
            tool_bar_->addSeparator();
        }
        first = false;
        for (QAction* action : group) {
            if (action->iconText() == StrippedCaption(action->text())) {
                action->setIconText(ToolBarCaption(action->text()));
            }
            tool_bar_->addAction(action);
            QWidget* button = tool_bar_->widgetForAction(action);
            button->setObjectName(QStringLiteral("tb") + action->objectName().mid(3));
            button->setMinimumWidth(64);
            // Reachable with Tab like every other control.
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
    // The menu bar is drawn over the toolbar's first line, as a window's menu is.
    menu_bar_->raise();
    SetTabOrder();
    DescribeControls();
    // Every control exists: the window's size may place them from now on.
    client_->installEventFilter(this);
    chkMute->installEventFilter(this);
    chkSameInput->installEventFilter(this);
    lvFiles->horizontalHeader()->installEventFilter(this);
    connect(lvFiles->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column != 0) {
            FitNameColumn();
        }
    });
}

void TForm1::SetTabOrder() {
    // As the eye reads the window: the toolbar, the list, the profile and its
    // folder, the settings beside them, then the preview.
    std::vector<QWidget*> order;
    for (QAction* action : tool_bar_->actions()) {
        if (QWidget* button = tool_bar_->widgetForAction(action);
            button != nullptr && !action->isSeparator()) {
            order.push_back(button);
        }
    }
    order.insert(order.end(), {lvFiles, cmbProfile, edtOutPath, btnBrowse, btnOpenFolder,
                               chkSameInput, cmbNameTemplate, cmbQuality, cmbChannel, cmbBitRates,
                               cmbVolume, trkPlay, btnPause, btnStop, chkMute, trkVolume});
    for (size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void TForm1::DescribeControls() {
    // What a screen reader says of each control whose own text does not say
    // it: fields named by the label beside them, buttons that show a picture.
    const std::pair<QWidget*, QString> names[] = {
        {lvFiles, tr("Files to Convert")},
        {ImgStart, tr("Add video files to extract their audio")},
        {pnlPreview, tr("Preview Picture")},
        {imgPreview, tr("Preview Picture")},
        {trkPlay, tr("Preview Position")},
        {btnPause, tr("Play or Pause Preview")},
        {btnStop, tr("Stop Preview")},
        {trkVolume, tr("Preview Volume")},
        {cmbProfile, tr("Profile")},
        {edtOutPath, tr("Output Folder")},
        {cmbNameTemplate, tr("File Name")},
        {prgTotalProgress, tr("Total Progress")},
        {lblStatus, tr("Status")},
        {cmbQuality, ShownText(OptionListInfo(olQuality).Label)},
        {cmbChannel, ShownText(OptionListInfo(olChannels).Label)},
        {cmbBitRates, ShownText(OptionListInfo(olBitRates).Label)},
        {cmbVolume, ShownText(OptionListInfo(olVolume).Label)},
    };
    for (const auto& [widget, name] : names) {
        widget->setAccessibleName(name);
    }
    // A typed folder or template is read in the combo box's own field.
    edtOutPath->lineEdit()->setAccessibleName(tr("Output Folder"));
    cmbNameTemplate->lineEdit()->setAccessibleName(tr("File Name"));
    const std::pair<QWidget*, QString> descriptions[] = {
        {lvFiles, tr("Each row reads: file name, duration, state, progress")},
        {pnlPreview, tr("Click to play or pause the selected file")},
        {trkPlay, tr("Where the preview stands in the selected file")},
        {btnBrowse, tr("Choose the folder the converted files go to")},
        {btnOpenFolder, tr("Show the output folder in the file manager")},
        {cmbNameTemplate, cmbNameTemplate->toolTip()},
        {cmbProfile, tr("The format the files are converted to")},
    };
    for (const auto& [widget, description] : descriptions) {
        widget->setAccessibleDescription(description);
    }
}

QSize MinimumClientSize(QSize available) {
    // The classic size, or what the screen has room for; never below the
    // size at which the controls would overlap.
    return {std::clamp(available.width(), kSmallestClientWidth, kClientWidth),
            std::clamp(available.height(), kSmallestClientHeight, kClientHeight)};
}

void TForm1::FitMinimumSize() {
    QSize available(kClientWidth, kClientHeight);
    if (const QScreen* shown_on =
            screen() != nullptr ? screen() : QGuiApplication::primaryScreen()) {
        // The frame the desktop draws around the window takes its share.
        const QSize frame = frameGeometry().size() - geometry().size();
        available = shown_on->availableGeometry().size() - frame;
    }
    const QSize smallest = MinimumClientSize(available);
    setMinimumSize(smallest);
    if (!isMaximized() && (width() < smallest.width() || height() < smallest.height())) {
        resize(size().expandedTo(smallest));
    }
}

void TForm1::LayOutControls() {
    // Differences from the classic size: the list takes the extra space and
    // gives it back first; the preview shrinks only below the classic height.
    const int dw = client_->width() - kClientWidth;
    const int dh = client_->height() - kClientHeight;
    const int shrink = std::min(dh, 0);
    const int width = client_->width();
    menu_bar_->setGeometry(0, 0, width, 25);
    tool_bar_->setGeometry(0, 24, width, 65);
    const QRect list(12, 96, 521 + dw, 273 + dh);
    for (QWidget* widget : {static_cast<QWidget*>(lvFiles), static_cast<QWidget*>(ImgStart),
                            static_cast<QWidget*>(mmoLog)}) {
        widget->setGeometry(list);
    }
    if (ImgStart->pixmap().deviceIndependentSize().toSize() != list.size()) {
        ImgStart->setPixmap(StartPicture(list.size(), ImgStart->devicePixelRatioF()));
    }

    const int right = 544 + dw;
    grpPreview->setGeometry(right, 96, 257, 281 + shrink);
    const QRect picture(0, 40, 257, 177 + shrink);
    pnlPreview->setGeometry(picture);
    if (imgPreview->geometry() != picture) {
        imgPreview->setGeometry(picture);
        imgPreview->setPixmap(PreviewStillPicture(picture.size(), imgPreview->devicePixelRatioF()));
    }
    trkPlay->move(6, 222 + shrink);
    lblPlayTime->move(173, 222 + shrink);
    btnPause->move(8, 249 + shrink);
    btnStop->move(38, 249 + shrink);

    const int groups_top = 384 + dh;
    grpProfile->setGeometry(12, groups_top, 521 + dw, 153);
    FitTextControls(dw, 252 + shrink);
    grpProfileSettings->setGeometry(right, groups_top, 257, 153);
    lblStatus->setGeometry(12, 540 + dh, 789 + dw, 18);
    FitNameColumn();
}

namespace {

int TextWidth(const QWidget* widget) {
    return widget->sizeHint().width();
}

// The text cut to the width with "...", the whole of it in the tool tip; the
// accessible name keeps the whole text for screen readers.
template <typename Widget>
void ElideText(Widget* widget, int width, const QString& whole) {
    widget->setText(whole);
    widget->setToolTip(QString());
    if (TextWidth(widget) <= width) {
        return;
    }
    const QFontMetrics metrics = widget->fontMetrics();
    const int room = width - (TextWidth(widget) - metrics.horizontalAdvance(whole));
    widget->setText(metrics.elidedText(whole, Qt::ElideRight, room));
    widget->setToolTip(whole);
}

}  // namespace

void TForm1::FitTextControls(int dw, int preview_top) {
    // The Profile group: the labels' column as wide as its longest label, the
    // buttons as wide as their texts; the fields give up what they take. At
    // the classic size English texts leave every control where it always was.
    const int right = 512 + dw;
    int label_width = 84;
    QLabel* const labels[] = {grpProfile->findChild<QLabel*>(QStringLiteral("lblProfile")),
                              grpProfile->findChild<QLabel*>(QStringLiteral("lblOutputFolder")),
                              grpProfile->findChild<QLabel*>(QStringLiteral("lblProgress"))};
    for (const QLabel* label : labels) {
        label_width = std::max(label_width, TextWidth(label));
    }
    label_width = std::min(label_width, 160);
    for (QLabel* label : labels) {
        label->resize(label_width, label->height());
    }
    const int left = 12 + label_width + 4;
    cmbProfile->setGeometry(left, 26, std::min(260, right - left), 24);
    const int open_width = std::max(78, TextWidth(btnOpenFolder));
    const int browse_width = std::max(78, TextWidth(btnBrowse));
    btnOpenFolder->setGeometry(right - open_width, 58, open_width, 24);
    btnBrowse->setGeometry(btnOpenFolder->x() - 6 - browse_width, 58, browse_width, 24);
    edtOutPath->setGeometry(left, 58, btnBrowse->x() - 6 - left, 24);
    // The name template keeps room for a short template; the check box
    // beside it gives way first.
    auto* name_label = grpProfile->findChild<QLabel*>(QStringLiteral("lblNameTemplate"));
    const int name_label_width = std::max(62, TextWidth(name_label));
    const QString same_text = tr("Same folder as input ");
    chkSameInput->setText(same_text);
    const int same_width = std::min(std::max(150, TextWidth(chkSameInput)),
                                    right - left - name_label_width - 10 - 130);
    chkSameInput->setGeometry(left, 88, same_width, 22);
    ElideText(chkSameInput, same_width, same_text);
    name_label->setGeometry(left + same_width + 6, 90, name_label_width, 20);
    cmbNameTemplate->setGeometry(name_label->geometry().right() + 5, 87,
                                 right - name_label->geometry().right() - 5, 24);
    prgTotalProgress->setGeometry(left, 118, right - left, 22);

    // The preview's mute box pushes the volume bar, which keeps at least half
    // its width.
    const QString mute_text = tr("Mute");
    chkMute->setText(mute_text);
    const int mute_width = std::min(std::max(60, TextWidth(chkMute)), 119);
    chkMute->setGeometry(74, preview_top, mute_width, 20);
    ElideText(chkMute, mute_width, mute_text);
    trkVolume->setGeometry(74 + mute_width + 4, preview_top, 248 - 74 - mute_width - 4, 20);
}

void TForm1::FitNameColumn() {
    // The name takes what the other columns leave of the list's width, and
    // never less than it had at the classic size.
    QHeaderView* header = lvFiles->horizontalHeader();
    int others = 0;
    for (int column = 1; column < header->count(); ++column) {
        others += header->sectionSize(column);
    }
    const int fitted = std::max(kFileListColumnWidths[0], lvFiles->viewport()->width() - others);
    if (header->sectionSize(0) != fitted) {
        header->resizeSection(0, fitted);
    }
}

void TForm1::FitColumnHeadings() {
    // A heading wider than its column's width (a longer word in another
    // language, a larger font) widens the column: the list scrolls sideways
    // rather than cut a heading off. Narrower is left to the user.
    QHeaderView* header = lvFiles->horizontalHeader();
    for (int column = 1; column < header->count(); ++column) {
        if (const int wanted = header->sectionSizeHint(column);
            header->sectionSize(column) < wanted) {
            header->resizeSection(column, wanted);
        }
    }
}

// Languages whose words have no letter to mark give the key in brackets,
// "削除(&R)"; under an icon that bracket is noise.
QString TForm1::ToolBarCaption(const QString& text) {
    // Asked at every change of the conversion's state: compiled once.
    static const QRegularExpression accelerator(QStringLiteral("\\s*\\(&[^)]\\)"));
    QString caption = text;
    caption.remove(accelerator);
    return StrippedCaption(caption);
}

}  // namespace v2m
