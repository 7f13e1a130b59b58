#include "Converter.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include "DesktopManners.h"
#include "FileListModel.h"
#include "MyUtils.h"
#include "Pictures.h"
#include "PreviewPanel.h"
#include "Translations.h"

namespace v2m {

namespace {

// How the player reports that no sound device could be opened.
constexpr std::string_view kNoSoundDeviceMessage = "SDL_OpenAudio() failed";

}  // namespace

TForm1::TForm1(TFormSurroundings surroundings, QWidget* parent)
    : QMainWindow(parent),
      program_folder_(WideIncludeTrailingBackslash(
          surroundings.ProgramFolder.empty() ? DataFolder() : surroundings.ProgramFolder)),
      environment_(surroundings.Environment ? std::move(surroundings.Environment)
                                            : ProcessEnvironment()),
      services_(surroundings.Services ? std::move(surroundings.Services) : QtUiServices()),
      profile_needs_(surroundings.ProfileNeeds
                         ? std::move(surroundings.ProfileNeeds)
                         : [](const TConvertProfile& profile) {
                               return v2m::ProfileNeeds(profile.Ext, IsVideoProfile(profile));
                           }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QLatin1String(kMainWindowCaption));
    setWindowIcon(PictureIcon(TPicture::Application));
    CreateActions();
    CreateControls();
    CreateMenusAndToolbar();
    resize(kClientWidth, kClientHeight);
    FitMinimumSize();
    manners_ = new TDesktopManners(
        QLatin1String(kApplicationTitle), [this](const std::string& line) { AppendLog(line); },
        this);

    FFLogger.SetOnLog(
        [this](TFFBaseComponent* sender, uint32_t thread, TLogLevel level,
               const std::string& message) { FFLoggerLog(sender, thread, level, message); });
    // The handler only adds the line to the log: a conversion need not stand
    // still until it has. With many short files those waits, three a file,
    // left the processors idle.
    FFLogger.SetComponentMessagesWait(false);
    FormCreate();
    ConnectHandlers();
    ActionList1Update();
    ShowPausePicture(pause_picture_);
}

TForm1::~TForm1() {
    // Its workers may be waiting to log through this window: they stop while
    // every control is still here.
    EndAdding();
    ClosePlayer();
    CloseListJournal();
    // The controls the handlers write to go with this window.
    FFLogger.SetOnLog(nullptr);
    FFConverter.SetOnCustomHook(nullptr);
    FFConverter.SetOnProgress(nullptr);
    FFConverter.SetOnTerminate(nullptr);
}

void TForm1::ConnectHandlers() {
    const auto on = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    on(actAddFiles, &TForm1::actAddFilesExecute);
    on(actAddFolder, &TForm1::actAddFolderExecute);
    on(actCancelAdding, &TForm1::actCancelAddingExecute);
    CreateAddingPace();
    on(actRemove, &TForm1::actRemoveExecute);
    on(actClear, &TForm1::actClearExecute);
    on(mnuExit, &TForm1::actExitExecute);
    on(actExit, &TForm1::actExitExecute);
    on(actViewLog, &TForm1::actViewLogExecute);
    on(actAbout, &TForm1::actAboutExecute);
    on(actHelp, &TForm1::actHelpExecute);
    on(actVisitWebsite, &TForm1::actVisitWebsiteExecute);
    on(actSelectSkin, &TForm1::actSelectSkinExecute);
    // Files and folders dropped onto the list are added as the commands add them.
    for (QWidget* target :
         {static_cast<QWidget*>(lvFiles->viewport()), static_cast<QWidget*>(ImgStart)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    ConnectConversion();
    ConnectAudioChoice();
    ConnectPieceChoices();
    connect(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
    connect(btnOpenFolder, &QPushButton::clicked, this, [this] { btnOpenFolderClick(); });
    connect(cmbProfile, &QComboBox::currentIndexChanged, this, [this] { cmbProfileChange(); });
    connect(chkSameInput, &QCheckBox::toggled, this, [this] { ActionList1Update(); });
    connect(lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ActionList1Update(); });
    // The preview's buttons stand for its two commands.
    connect(btnPause, &QToolButton::clicked, actPlay, &QAction::trigger);
    connect(btnStop, &QToolButton::clicked, actStop, &QAction::trigger);
    connect(actPlay, &QAction::enabledChanged, btnPause, &QWidget::setEnabled);
    connect(actStop, &QAction::enabledChanged, btnStop, &QWidget::setEnabled);
    btnPause->setEnabled(actPlay->isEnabled());
    // A new skin: the preview's glyphs take its colours.
    btnPause->installEventFilter(this);
    btnStop->setEnabled(actStop->isEnabled());
    ConnectPreview();
    if (startup_complete_) {
        OpenListJournal();
        // Asked once the window is up, not before it.
        QTimer::singleShot(0, this, [this] { OfferResume(); });
    }
}

void TForm1::FormCreate() {
    LoadProfiles();
    if (!FFConverter.AVLibLoaded() && !FFConverter.LoadAVLib(program_folder_ + kLibraryFolder)) {
        // Without the libraries nothing here can work: the log says why, and
        // the lists, folders and skin stay as they are.
        AppendLog(FFConverter.LastError());
        ShowStatus(tr("The conversion libraries could not be loaded - see the log"));
        return;
    }

    FConvertState = cvIdle;
    FPreviewState = pvNone;
    FPreviewFile.clear();
    chkSameInput->setChecked(false);
    ShowPausePicture(0);
    trkVolume->setRange(0, 128);
    trkVolume->setValue(128);
    add_files_filter_ = FileFiltersOf(kAddFilesFilter);

    QComboBox* const lists[kOptionListCount] = {cmbQuality, cmbChannel, cmbBitRates, cmbVolume};
    for (int i = 0; i < kOptionListCount; ++i) {
        lists[i]->clear();
        for (std::string_view item : OptionListInfo(static_cast<TOptionList>(i)).Items) {
            // Shown in the user's language; the data keeps the item as settings
            // and the journal name it.
            lists[i]->addItem(ShownText(item),
                              QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
        }
        lists[i]->setCurrentIndex(0);
    }
    cmbProfile->clear();
    for (const TConvertProfile& profile : FProfiles) {
        cmbProfile->addItem(Text(profile.Caption));
    }
    MarkUnusableProfiles();

    ImgStart->show();
    lvFiles->hide();
    imgPreview->show();
    pnlPreview->hide();
    prgTotalProgress->setValue(0);
    ReadSettings();
    if (!skins_.LoadSkinFile(Text(program_folder_ + kDefaultSkinFile))) {
        AppendLog(skins_.LastError().toStdString());
    }
    // The headings in the window's language and the skin's font, over the
    // remembered widths.
    FitColumnHeadings();
    startup_complete_ = true;
}

void TForm1::LoadProfiles() {
    FProfiles = v2m::LoadProfiles(program_folder_);
}

void TForm1::ReadSettings() {
    // An unavailable folder means no settings at all: nothing is read now and
    // nothing is written at close.
    FSettings = OpenSettings(environment_);
    SelectStartProfile(FSettings ? ReadProfileSetting(*FSettings) : std::string());
    if (!FSettings) {
        return;
    }
    const TStartupFolders folders = ReadStartupSettings(*FSettings, environment_);
    FAddFilesFolder = folders.AddFilesFolder;
    FAddFolderPath = folders.AddFolderPath;
    add_folder_dialog_folder_ = FAddFolderPath;
    SetOutputFolderItems(folders.OutputFolders);
    RestoreWindowSetting(ReadWindowSetting(*FSettings));
}

void TForm1::MarkUnusableProfiles() {
    profile_faults_.assign(FProfiles.size(), {});
    auto* items = qobject_cast<QStandardItemModel*>(cmbProfile->model());
    for (size_t i = 0; i < FProfiles.size(); ++i) {
        const TProfileNeeds needs = profile_needs_(FProfiles[i]);
        std::string fault;
        for (const std::string& missing : needs.Missing) {
            fault += (fault.empty() ? "" : "; ") + missing;
        }
        profile_faults_[i] = fault;
        if (fault.empty()) {
            continue;
        }
        // Listed still, so that the user sees the profile exists and why it
        // does not work here.
        if (QStandardItem* item = items ? items->item(static_cast<int>(i)) : nullptr) {
            item->setEnabled(false);
            item->setToolTip(Text(fault));
        }
    }
}

std::string TForm1::ProfileFault(size_t index) const {
    return index < profile_faults_.size() ? profile_faults_[index] : std::string();
}

void TForm1::SelectStartProfile(const std::string& stored_caption) {
    int wanted = FProfiles.empty() ? -1 : 0;
    for (size_t i = 0; i < FProfiles.size(); ++i) {
        if (!stored_caption.empty() && FProfiles[i].Caption == stored_caption) {
            wanted = static_cast<int>(i);
            break;
        }
    }
    int chosen = wanted;
    if (wanted >= 0 && !ProfileFault(static_cast<size_t>(wanted)).empty()) {
        chosen = -1;
        for (size_t i = 0; i < FProfiles.size(); ++i) {
            if (ProfileFault(i).empty()) {
                chosen = static_cast<int>(i);
                break;
            }
        }
        const TConvertProfile& broken = FProfiles[static_cast<size_t>(wanted)];
        AppendLog("Profile \"" + broken.Caption + "\" cannot work here (" +
                  ProfileFault(static_cast<size_t>(wanted)) + ")" +
                  (chosen >= 0 ? ", \"" + FProfiles[static_cast<size_t>(chosen)].Caption +
                                     "\" is selected instead"
                               : std::string()));
    }
    usable_profile_index_ = chosen;
    cmbProfile->setCurrentIndex(chosen);
    ApplyProfile();
}

void TForm1::RestoreWindowSetting(const TWindowSetting& setting) {
    QHeaderView* header = lvFiles->horizontalHeader();
    // The name column is fitted to the list; the others are as the user left them.
    // Widths saved before a column was added leave the new ones at their default.
    if (setting.ColumnWidths.size() <= static_cast<size_t>(header->count())) {
        for (int column = 1; column < static_cast<int>(setting.ColumnWidths.size()); ++column) {
            header->resizeSection(column, setting.ColumnWidths[static_cast<size_t>(column)]);
        }
    }
    if (setting.SortColumn < header->count()) {
        header->setSortIndicator(setting.SortColumn,
                                 setting.SortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    if (setting.Width > 0) {
        QRect place(QPoint(0, 0), QSize(setting.Width, setting.Height).expandedTo(minimumSize()));
        const QScreen* target = screen();
        if (setting.Position) {
            place.moveTo(setting.Position->first, setting.Position->second);
            // A window left on a screen that is gone would open out of reach.
            if (const QScreen* there = QGuiApplication::screenAt(place.center())) {
                target = there;
            } else {
                place.moveTo(0, 0);
            }
        }
        if (target != nullptr) {
            const QRect room = target->availableGeometry();
            place.setSize(place.size().boundedTo(room.size()).expandedTo(minimumSize()));
            if (!setting.Position || !room.contains(place.center())) {
                place.moveCenter(room.center());
            }
        }
        if (setting.Position || target != nullptr) {
            setGeometry(place);
        } else {
            resize(place.size());
        }
    }
    if (setting.Maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

TWindowSetting TForm1::CurrentWindowSetting() const {
    TWindowSetting setting;
    // Maximised, the size to come back to is the normal one.
    const QRect place = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    setting.Position = std::pair{place.x(), place.y()};
    setting.Width = place.width();
    setting.Height = place.height();
    setting.Maximized = isMaximized();
    const QHeaderView* header = lvFiles->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        setting.ColumnWidths.push_back(header->sectionSize(column));
    }
    if (header->isSortIndicatorShown() && header->sortIndicatorSection() >= 0 &&
        header->sortIndicatorSection() < header->count()) {
        setting.SortColumn = header->sortIndicatorSection();
        setting.SortDescending = header->sortIndicatorOrder() == Qt::DescendingOrder;
    }
    return setting;
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Only now is the screen, and the frame around the window, known.
    FitMinimumSize();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A running batch is not given up by a slip of the hand; a logout or a
    // shutdown stops it without asking.
    if (!closed_ && FConvertState != cvIdle && !closing_by_signal_ &&
        services_->MessageBox(this, QLatin1String(kApplicationTitle),
                              tr("A conversion is running. Stop it and quit?"),
                              TMessageButtons::YesNo,
                              TMessageIcon::Exclamation) != TMessageResult::Yes) {
        event->ignore();
        return;
    }
    FormCloseQuery();
    event->accept();
}

void TForm1::CloseBySignal() {
    closing_by_signal_ = true;
    close();
}

void TForm1::FormCloseQuery() {
    if (closed_) {
        return;
    }
    closed_ = true;
    // Before the settings are written: the files added so far decide where
    // "Add Files" opens next time.
    EndAdding();
    // Its workers must not outlive the readings' cache.
    StopMeasuring();
    // The player draws into the panel's window, which goes with this one.
    ClosePlayer();
    if (FSettings) {
        // A failed write cannot be reported anywhere the user would see it
        // any more; the other keys are still written.
        WriteClosingSettings(*FSettings, FAddFilesFolder, add_folder_dialog_folder_,
                             OutputFolderItems());
        WriteWindowSetting(*FSettings, CurrentWindowSetting());
        if (const TConvertProfile* profile = SelectedProfile()) {
            WriteProfileSetting(*FSettings, profile->Caption);
        }
    }
    FFConverter.SetOnCustomHook(nullptr);
    FFConverter.SetOnProgress(nullptr);
    FFConverter.SetOnTerminate(nullptr);
    // The waiting stop serves window events, and those may read the selected
    // profile: the profiles go only after it.
    // Stopped as "Stop" stops: the unfinished outputs of this run go. No
    // further round may start.
    manners_->Over();
    runner_.Stop(true);
    FFConverter.Stop(true);
    // After the stop, which took the unfinished outputs along.
    CloseListJournal();
    FFLogger.SetOnLog(nullptr);
    FProfiles.clear();
    ActionList1Update();
}

const TConvertProfile* TForm1::SelectedProfile() const {
    const int index = cmbProfile->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= FProfiles.size() ||
        !ProfileFault(static_cast<size_t>(index)).empty()) {
        return nullptr;
    }
    return &FProfiles[static_cast<size_t>(index)];
}

std::string TForm1::SelectedProfileExt() const {
    const TConvertProfile* profile = SelectedProfile();
    return profile ? profile->Ext : std::string();
}

void TForm1::cmbProfileChange() {
    const int index = cmbProfile->currentIndex();
    if (index >= 0 && !ProfileFault(static_cast<size_t>(index)).empty()) {
        // A greyed profile cannot be chosen, however it was reached.
        cmbProfile->setCurrentIndex(usable_profile_index_);
        return;
    }
    usable_profile_index_ = index;
    ApplyProfile();
}

void TForm1::ApplyProfile() {
    const TConvertProfile* profile = SelectedProfile();
    if (profile == nullptr) {
        ActionList1Update();
        return;
    }
    file_list_->SetOutputExt(profile->Ext);
    const TProfileOptions options = ProfileOptions(*profile);
    QComboBox* const lists[kOptionListCount] = {cmbQuality, cmbChannel, cmbBitRates, cmbVolume};
    for (int i = 0; i < kOptionListCount; ++i) {
        if (lists[i]->count() > 0) {
            lists[i]->setCurrentIndex(options[static_cast<size_t>(i)].ItemIndex);
        }
    }
    // The switches act through the update: a locked list keeps the item the
    // profile chose.
    ActionList1Update();
}

void TForm1::ActionList1Update() {
    UpdateRunActions();
    UpdatePreviewActions();
    UpdateChoiceControls();
}

void TForm1::UpdateRunActions() {
    const bool idle = FConvertState == cvIdle;
    const bool rows = !FileList().Empty();
    UpdateListActions(rows, idle);
    UpdateConvertActions(rows);
}

void TForm1::UpdateListActions(bool rows, bool idle) {
    const bool selected = lvFiles->selectionModel()->hasSelection();
    // The adding commands need the probe, which needs the libraries; one
    // adding runs at a time.
    const bool can_add = CanAdd();
    actAddFiles->setEnabled(can_add);
    actAddFolder->setEnabled(can_add);
    actCancelAdding->setEnabled(Adding());
    // Rows still coming in are listed after the ones there: the list is not
    // to change under them.
    actClear->setEnabled(rows && idle && !Adding());
    actRemove->setEnabled(rows && selected && idle && !Adding());
}

void TForm1::UpdateConvertActions(bool rows) {
    // Without a profile a start would build jobs for no format at all;
    // resuming a paused run needs none.
    // A start while rows are still coming in would leave them out of the batch.
    actStartConvert->setEnabled(
        rows && !closed_ && !Adding() &&
        ((FConvertState == cvIdle && SelectedProfile() != nullptr) || FConvertState == cvPaused));
    if (!start_caption_.isEmpty()) {
        const QString caption = FConvertState == cvPaused ? tr("&Resume") : start_caption_;
        if (actStartConvert->text() != caption) {
            actStartConvert->setText(caption);
            actStartConvert->setIconText(ToolBarCaption(caption));
        }
    }
    actConvertAllAgain->setEnabled(rows && !closed_ && !Adding() && FConvertState == cvIdle &&
                                   SelectedProfile() != nullptr);
    actPauseConvert->setEnabled(rows && FConvertState == cvConverting && !Measuring());
    actResumeKeys->setEnabled(actStartConvert->isEnabled() && FConvertState == cvPaused);
    actStopConvert->setEnabled(rows && (FConvertState != cvIdle || Measuring()));
}

void TForm1::UpdatePreviewActions() {
    const bool idle = FConvertState == cvIdle;
    const bool rows = !FileList().Empty();
    // A file just opened shows its first picture and pauses: until it has,
    // a toggle would find nothing settled to pause or resume.
    // A file opened playing has settled once it plays.
    const bool preview_settled = FPlayerState == psPause || FPlayerState == psResume ||
                                 (FPlayerState == psPlay && !preview_opened_paused_);
    // After Stop, Play opens the selected row again.
    actPlay->setEnabled(rows &&
                        (preview_settled || (FPreviewState == pvNone && PreviewRow() >= 0)));
    actStop->setEnabled(rows && preview_settled);
    // The rows' order matters to a running batch and to an adding under way.
    lvFiles->horizontalHeader()->setSectionsClickable(idle && !Adding());
}

void TForm1::UpdateChoiceControls() {
    const bool idle = FConvertState == cvIdle;
    const TConvertProfile* profile = SelectedProfile();
    const TProfileOptions options = profile ? ProfileOptions(*profile) : TProfileOptions{};
    QComboBox* const lists[kOptionListCount] = {cmbQuality, cmbChannel, cmbBitRates, cmbVolume};
    for (int i = 0; i < kOptionListCount; ++i) {
        lists[i]->setEnabled(profile != nullptr && options[static_cast<size_t>(i)].Switch && idle);
    }
    // Normalising sets the level itself.
    if (loudness_.Normalize) {
        cmbVolume->setEnabled(false);
    }
    cmbVolume->setToolTip(
        loudness_.Normalize ? tr("Normalize Loudness sets the volume (Convert menu)") : QString());
    cmbProfile->setEnabled(idle);
    chkSameInput->setEnabled(idle);
    const bool own_folder = !chkSameInput->isChecked() && idle;
    btnBrowse->setEnabled(own_folder);
    btnOpenFolder->setEnabled(own_folder);
    edtOutPath->setEnabled(own_folder);
}

const TFileList& TForm1::FileList() const {
    return file_list_->List();
}

void TForm1::ShowFileList() {
    const bool rows = !FileList().Empty();
    lvFiles->setVisible(rows);
    ImgStart->setVisible(!rows);
}

std::vector<int> TForm1::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lvFiles->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    return rows;
}

void TForm1::actRemoveExecute() {
    if (FConvertState != cvIdle || Adding()) {
        return;
    }
    file_list_->RemoveRows(SelectedRows());
    ShowFileList();
    actStopExecute();
    ActionList1Update();
}

void TForm1::actClearExecute() {
    if (FConvertState != cvIdle || Adding()) {
        return;
    }
    // Rows not converted yet would have to be found and added again.
    if (!AllConverted() &&
        services_->MessageBox(
            this, tr("Clear"),
            tr("Some files of the list have not been converted yet. Clear the list?"),
            TMessageButtons::YesNo, TMessageIcon::Exclamation) != TMessageResult::Yes) {
        return;
    }
    file_list_->Clear();
    // Emptied at once: the list must not come back after a crash.
    SaveList(false);
    ShowFileList();
    actStopExecute();
    ActionList1Update();
}

void TForm1::actExitExecute() {
    close();
}

void TForm1::btnBrowseClick() {
    const std::string text = edtOutPath->currentText().toStdString();
    const std::string start = BrowseStartFolder(text);
    if (start != text) {
        edtOutPath->setEditText(Text(start));
    }
    const std::optional<QString> chosen =
        services_->ChooseFolder(this, tr("Select folder"), Text(start));
    if (!chosen) {
        return;
    }
    std::vector<std::string> items = OutputFolderItems();
    AddChosenOutputFolder(items, chosen->toStdString());
    SetOutputFolderItems(items);
}

void TForm1::btnOpenFolderClick() {
    if (!chkSameInput->isChecked()) {
        OpenWithShell(edtOutPath->currentText());
    }
}

std::vector<std::string> TForm1::OutputFolderItems() const {
    std::vector<std::string> items;
    for (int i = 0; i < edtOutPath->count(); ++i) {
        items.push_back(edtOutPath->itemText(i).toStdString());
    }
    return items;
}

void TForm1::SetOutputFolderItems(const std::vector<std::string>& items) {
    edtOutPath->clear();
    for (const std::string& item : items) {
        edtOutPath->addItem(Text(item));
    }
    // Item 0 is selected, and so becomes the text.
    if (!items.empty()) {
        edtOutPath->setCurrentIndex(0);
        // A long folder is read from its start.
        edtOutPath->lineEdit()->setCursorPosition(0);
    }
}

void TForm1::FFLoggerLog(TFFBaseComponent* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                         const std::string& ALogMsg) {
    // The player goes on without sound; the user would otherwise see only
    // a silent picture and wonder why.
    if (Sender == &FFPlayer && ALogMsg.starts_with(kNoSoundDeviceMessage)) {
        ShowPreviewNote(tr("No sound device - picture only"));
    }
    AppendLog("#" + std::to_string(AThreadID) + "." + std::to_string(static_cast<int>(ALogLevel)) +
              ": " + ALogMsg);
}

void TForm1::AppendLog(const std::string& line) {
    // A batch of thousands of files logs hundreds of thousands of lines: they
    // are kept as plain text, and the control, hidden in this window, only
    // shows them while it is shown.
    // One block of text rather than a string per line: a long batch's lines
    // would otherwise be scattered between the tasks' short-lived memory.
    if (log_line_count_ > 0) {
        log_text_ += '\n';
    }
    log_text_ += line;
    ++log_line_count_;
    if (mmoLog->isVisible()) {
        mmoLog->appendPlainText(Text(line));
    }
}

void TForm1::AppendLog(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        AppendLog(line);
    }
}

QStringList TForm1::LogLines() const {
    if (log_line_count_ == 0) {
        return {};
    }
    return Text(log_text_).split(QLatin1Char('\n'));
}

}  // namespace v2m

namespace v2m {

void TForm1::ShowStatus(const QString& text) {
    lblStatus->setText(text);
}

QString TForm1::StatusText() const {
    return lblStatus->text();
}

}  // namespace v2m
