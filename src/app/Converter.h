#pragma once
// The main window: start-up, settings and profiles, the file list and the log.
//
// Handlers keep the names the rest of the program knows them by
// (actAddFilesExecute, btnBrowseClick, ...). Controls carry their names as
// object names, so anything that needs a control finds it by name.

#include <QCoreApplication>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "BatchRunner.h"
#include "FFConverter.h"
#include "FFPlay.h"
#include "FFmpegLogger.h"
#include "FileList.h"
#include "IniFile.h"
#include "JobBuilding.h"
#include "ListJournal.h"
#include "LoudnessPlan.h"
#include "ProbePool.h"
#include "Profiles.h"
#include "Settings.h"
#include "SkinManager.h"
#include "UiServices.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QEvent;
class QKeyEvent;
class QShowEvent;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QTableView;
class QTimer;
class QToolBar;
class QTimer;
class QToolButton;
class QPushButton;

namespace v2m {

class TDesktopManners;
class TFileListModel;
class TPreviewPanel;

// The core's strings are UTF-8; the window's parts show them as QStrings.
inline QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The window's title and the application's.
inline constexpr const char* kMainWindowCaption = "Tolvex Video to MP3 Converter Free";
inline constexpr const char* kApplicationTitle = "Tolvex Video to Audio Converter";
inline constexpr int kClientWidth = 812;
// The status line below the groups adds 20 to the classic 541.
inline constexpr int kClientHeight = 561;
// The window grows from the classic size; on a screen too small for it, it
// may shrink to this before its controls would overlap.
inline constexpr int kSmallestClientWidth = 712;
inline constexpr int kSmallestClientHeight = 444;

// "0:42 / 3:15": the preview's position and length (microseconds); the
// position alone when the length is unknown.
std::string PlayTimeText(int64_t position, int64_t duration);

// The window's smallest size on a screen with this much room for it.
QSize MinimumClientSize(QSize available);

// The folder of the libraries beside the program, and the default skin file.
inline constexpr const char* kLibraryFolder = "LibAV";
inline constexpr const char* kDefaultSkinFile = "Vantel_Aero.skn";

// What the window takes from its surroundings. The program leaves every field
// empty; the tests give their own folder and answer the dialogs themselves.
struct TFormSurroundings {
    // Where "profiles/", "LibAV" and the default skin are; empty: the program's folder.
    std::string ProgramFolder;
    // Where HOME and the XDG folders come from; empty: the process's environment.
    TEnvironment Environment;
    // Dialogs, message boxes and the desktop's "open"; null: the real ones.
    std::shared_ptr<TUiServices> Services;
    // What a profile needs of the loaded libraries and what of it is
    // missing; null: asks the libraries.
    std::function<TProfileNeeds(const TConvertProfile&)> ProfileNeeds;
};

enum TConvertState : int { cvIdle = 0, cvConverting = 1, cvPaused = 2 };
enum TPreviewState : int { pvNone = 0, pvPlaying = 1, pvPaused = 2 };

class TForm1 final : public QMainWindow {
    Q_DECLARE_TR_FUNCTIONS(v2m::TForm1)

public:
    explicit TForm1(TFormSurroundings surroundings = {}, QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Commands of the file list.
    // The adding commands return at once; the files are probed on worker
    // threads and their rows come in the order they were chosen.
    void actAddFilesExecute();
    void actAddFolderExecute();
    // Stops the adding under way; the rows already there stay (Esc).
    void actCancelAddingExecute();
    void actRemoveExecute();
    void actClearExecute();
    void actExitExecute();
    // Adds files and folders as "Add Files" and "Add Folder" add them, in
    // the order given: what is dropped onto the list or named on the
    // command line.
    void AddPaths(const QStringList& paths);
    // The auxiliary windows and commands.
    void actViewLogExecute();
    void actAboutExecute();
    void actHelpExecute();
    void actVisitWebsiteExecute();
    void actSelectSkinExecute();
    // The output folder.
    void btnBrowseClick();
    void btnOpenFolderClick();
    // The profile.
    void cmbProfileChange();
    // Enables and disables the commands and controls for the present state.
    void ActionList1Update();

    // Conversion control.
    // Converts the rows that are not converted yet.
    void actStartConvertExecute();
    // Converts every row, those converted already too.
    void actConvertAllAgainExecute();
    void actPauseConvertExecute();
    void actStopConvertExecute();
    // The output folder exists; warns the user when it does not.
    bool CheckOutputFolder();
    // Some row / every row (true for none) has been converted.
    bool AnyConverted() const;
    bool AllConverted() const;
    // The component's events.
    void FFConverterProgress(TFFBaseComponent* Sender, PProgressInfo AProgressInfo);

    // The preview.
    void lvFilesSelectItem(int row, bool selected);
    void actPlayExecute();
    void pnlPreviewClick() { actPlayExecute(); }
    void actStopExecute();
    void trkPlayChange();
    void trkVolumeChange();
    void chkMuteClick();
    // The player's events.
    void FFPlayerFileOpen(TFFBaseComponent* Sender, int64_t ADuration, int AFrameWidth,
                          int AFrameHeight, int& AScreenWidth, int& AScreenHeight);
    void FFPlayerPosition(TFFBaseComponent* Sender, int64_t APTS);
    void FFPlayerState(TFFBaseComponent* Sender, TPlayState AState);
    // How many conversions run at once: the "Simultaneous Conversions" choice
    // (0 is one per processor), as stored in the settings.
    int SimultaneousConversions() const { return jobs_setting_; }
    void SetSimultaneousConversions(int setting);
    // "Normalize Loudness" and its target, as stored in the settings.
    const TLoudnessSetting& Loudness() const { return loudness_; }
    void SetLoudness(const TLoudnessSetting& setting);
    // "Analyze Loudness": the rows are measured in the background, their
    // "Loudness" and "Peak" filled as readings come; Stop cancels it.
    void AnalyzeLoudness(const std::vector<size_t>& rows);
    bool Measuring() const { return measuring_ != nullptr; }

    // Audio tracks, copying and folder trees.
    // The row's menu: its audio tracks, and "Audio Track for All" by the
    // languages the list holds. Empty while a conversion runs.
    std::unique_ptr<QMenu> FileListMenu(int row);
    // The row converts its `track`-th audio track (0-based).
    void SetRowAudioTrack(size_t row, int track);
    // Every row that has a track in the language converts it; the others
    // keep theirs. The number of rows that have it.
    size_t SetAudioTrackForAll(const std::string& language);
    bool CopyAudioWhenPossible() const;
    void SetCopyAudioWhenPossible(bool on);
    // Pieces, cuts and names. A row's own choices go to the rows the menu
    // was opened on: the selection when it holds that row, else the row alone.
    // The row splits at its chapters or not, whatever the Convert menu says.
    void SetRowSplitChapters(const std::vector<size_t>& rows, bool on);
    // Reads the cue sheet or timestamp list at once: a faulty one is told,
    // naming its line, and the rows keep what they had. False then.
    bool SetRowSplitPoints(const std::vector<size_t>& rows, const std::string& path);
    void ClearRowSplitPoints(const std::vector<size_t>& rows);
    // -1: the file's start, its end; both -1 remove the cut.
    void SetRowCut(const std::vector<size_t>& rows, int64_t start, int64_t end);
    // "Cut...": the dialog for the rows, opened on the first one's cut.
    void EditRowCut(const std::vector<size_t>& rows);
    // What converting the row would write now, a line an output; nothing is
    // created; in the window's language. Empty while a batch runs.
    QString PlanText(size_t row);
    // The "File Name" template is sound; tells the user the fault otherwise.
    bool CheckNameTemplate();

    // "Include Sub-folders" of Add Folder, as stored in the settings.
    bool IncludeSubFolders() const { return include_sub_folders_; }
    void SetIncludeSubFolders(bool on);

    // What the window holds, for whoever shows or tests it.
    const TFileList& FileList() const;
    // The log's lines, oldest first.
    QStringList LogLines() const;
    // The settings file; absent when the settings folder is unavailable.
    const std::optional<TIniFile>& Settings() const { return FSettings; }
    const std::vector<TConvertProfile>& Profiles() const { return FProfiles; }
    // Why the profile cannot work with the libraries loaded ("no audio
    // encoder libfoo", ...); empty when it can.
    std::string ProfileFault(size_t index) const;
    // Start-up ran to its end (the libraries were loaded).
    bool StartupComplete() const { return startup_complete_; }
    TConvertState ConvertState() const { return FConvertState; }
    // An adding command has files still to list.
    bool Adding() const { return adding_ != nullptr; }
    // What the status line below the groups says.
    QString StatusText() const;
    TPreviewState PreviewState() const { return FPreviewState; }
    const std::string& PreviewFile() const { return FPreviewFile; }
    const TFFPlayer& Player() const { return FFPlayer; }
    const std::string& AddFilesFolder() const { return FAddFilesFolder; }
    TSkinManager& Skins() { return skins_; }
    // A logout or a shutdown: the window closes as after "Stop" and "Yes",
    // without asking.
    void CloseBySignal();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Drops onto the file list (or the picture in its place).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The parts of eventFilter: keys in the list, files dragged onto it.
    bool ListKeyPress(const QKeyEvent& key);
    bool DragAndDropEvent(QObject* watched, QEvent* event);
    // The parts of ActionList1Update.
    void UpdateRunActions();
    // The parts of UpdateRunActions: adding and removing rows, then running.
    void UpdateListActions(bool rows, bool idle);
    void UpdateConvertActions(bool rows);
    void UpdatePreviewActions();
    void UpdateChoiceControls();
    // Start-up and shutdown.
    void CreateControls();
    void CreateActions();
    void CreateMenusAndToolbar();
    void ConnectHandlers();
    void FormCreate();
    void LoadProfiles();
    void ReadSettings();
    void FormCloseQuery();
    // The window's size, place, state, columns and order: as they were left,
    // and as they are now.
    void RestoreWindowSetting(const TWindowSetting& setting);
    TWindowSetting CurrentWindowSetting() const;
    // The controls' places for the window's present size.
    void LayOutControls();
    void FitMinimumSize();
    void FitNameColumn();
    void FitColumnHeadings();
    // Places the Profile group's and the preview's controls by their texts:
    // a translation longer than the English text widens its control, and what
    // cannot fit is elided, the whole text in its tool tip.
    void FitTextControls(int dw, int preview_top);
    void SetTabOrder();
    // Accessible names and descriptions for screen readers.
    void DescribeControls();
    // Sorts the list by the heading the user chose, when nothing depends on
    // the rows' order.
    void SortFileList();

    // Profiles and the file list.
    const TConvertProfile* SelectedProfile() const;
    // Greys out the profiles the libraries cannot serve, saying why.
    void MarkUnusableProfiles();
    // The stored profile when it can work, else the first that can.
    void SelectStartProfile(const std::string& stored_caption);
    // Files of the running batch not over yet.
    int64_t FilesLeft() const;
    std::string SelectedProfileExt() const;
    void ApplyProfile();
    void ShowFileList();
    // The status line's text; empty clears it.
    void ShowStatus(const QString& text);
    // Adding files: the commands can run, one starts, its results are listed
    // a slice at a time, and it ends (finished, cancelled or closed).
    bool CanAdd() const;
    void CreateAddingPace();
    void StartAdding(TFileAdder adder, std::function<std::vector<std::string>()> plan);
    // The two commands once their dialogs have answered.
    void AddChosenFiles(const QStringList& chosen);
    void AddChosenFolder(const std::string& folder);
    // Starts the next of the additions waiting for the one under way.
    void StartPendingAdding();
    void ServeAdding();
    void EndAdding();
    std::vector<int> SelectedRows() const;
    // The rows a command of the row's menu acts on.
    std::vector<size_t> MenuRows(int row) const;
    void AddRowChoices(QMenu& menu, int row);
    void ConnectPieceChoices();

    // The preview.
    void ConnectPreview();
    void OpenPreview(const std::string& path, bool paused);
    // The one selected row, which Play and the preview take; -1 for none.
    int PreviewRow() const;
    // Opens the row's file in the preview, paused on its first picture or playing.
    void PreviewFileOf(int row, bool paused);
    void ShowPreviewPanel();
    // 0 shows "play", 1 "pause".
    void ShowPausePicture(int picture);
    // "0:42 / 3:15" beside the bar.
    void ShowPlayTime(int64_t position);
    // A line over the picture when the preview cannot do all it should;
    // empty hides it.
    void ShowPreviewNote(const QString& text);
    // The player lets go of the window for good: no handler runs any more, and
    // its threads have ended before the panel's window goes.
    void ClosePlayer();

    // Conversion control.
    void ConnectConversion();
    void ConnectAudioChoice();
    // The "Audio" column follows the profile, the lists and the switches.
    void RefreshAudioColumn();
    // What the controls say about the job for the probe's current file.
    TJobRequest JobRequest();
    // The batch's events, on the window's thread.
    void BuildFailed(size_t row, TBuildFailure kind, const std::string& error);
    void TaskAdded(size_t row, const std::string& output);
    void TaskEnded(size_t item, const TTerminateInfo& info);
    void TaskAlreadyDone(size_t item, const std::vector<std::string>& outputs);
    void RunOver();
    // `only_rows`: the rows to convert, of those Start would; null: all of them.
    void StartConversion(bool every_row, const std::vector<size_t>* only_rows = nullptr);
    // The parts of StartConversion. ConfirmConvertingAgain: false when the
    // user would not convert again what is converted (else `every_row` may
    // become true); TakeRunRows: the files of the run, their rows reset.
    bool ConfirmConvertingAgain(bool& every_row);
    // ResumeConversion: a paused run goes on; CanStartConversion: false when
    // a new run cannot start now (the user may have been told why, and
    // `every_row` may become true); MarkedRows: the rows marked in the list;
    // ShowOutputFolderSeparator: the typed output folder ends in its separator.
    void ResumeConversion();
    bool CanStartConversion(bool& every_row);
    std::vector<size_t> MarkedRows() const;
    void ShowOutputFolderSeparator();
    std::vector<TBatchInput> TakeRunRows(bool every_row, const std::vector<size_t>* only_rows);
    TBatchEvents RunEvents();
    void RunStarted(TStartResult started);
    // The row of a file of the running batch; Count() of the list when none.
    size_t RowOfItem(size_t item) const;
    // Each row of the batch that is over shows how it ended.
    void ShowRunResults();
    void ShowFailureSummary();
    // Tells the desktop how a batch ended when the window is not in front.
    void NotifyRunEnd();
    void ShowRunStatus();
    void SetTotalProgress(int value);
    void ResetRow(size_t row);

    // The list kept between sessions.
    void OpenListJournal();
    void RestoreList(const TListJournal& journal);
    // Says what start-up found wrong with the kept list, and offers to go on
    // with a batch the last session left half done.
    void OfferResume();
    void ScheduleListSave();
    // `closing`: the batch ends with the window, and its rows say so.
    void SaveList(bool closing);
    void CloseListJournal();

    // The log.
    void FFLoggerLog(TFFBaseComponent* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                     const std::string& ALogMsg);
    void AppendLog(const std::string& line);
    void AppendLog(const std::vector<std::string>& lines);
    // The desktop's "open"; a failure leaves a line in the log and shows
    // the user the target to open by hand.
    bool OpenWithShell(const QString& target);

    std::vector<std::string> OutputFolderItems() const;
    void SetOutputFolderItems(const std::vector<std::string>& items);

    const std::string program_folder_;
    const TEnvironment environment_;
    const std::shared_ptr<TUiServices> services_;
    const std::function<TProfileNeeds(const TConvertProfile&)> profile_needs_;

    // The look comes first: every control is made under it.
    TSkinManager skins_;
    // The logger exists before anything that could log, and goes last.
    TFFLogger FFLogger;
    TFFConverter FFConverter;
    // The running batch; goes before the component it drives.
    TBatchRunner runner_{FFConverter};
    // A member, so that it ends while the panel it draws into, a child of
    // the window, still exists.
    TFFPlayer FFPlayer;
    int jobs_setting_ = 1;
    TLoudnessSetting loudness_;
    QTimer* status_timer_ = nullptr;

    std::vector<TConvertProfile> FProfiles;
    // Each profile's fault, by index; empty text for one that works.
    std::vector<std::string> profile_faults_;
    // The profile chosen last that works: a greyed one chosen anyway goes back to it.
    int usable_profile_index_ = -1;
    // The sleep lock and the taskbar progress of a running batch.
    TDesktopManners* manners_ = nullptr;
    std::optional<TIniFile> FSettings;
    std::string FAddFilesFolder;
    std::string FAddFolderPath;
    // The "Add Folder" dialog's current folder: where it opens, and what is saved.
    std::string add_folder_dialog_folder_;
    // The "Add Files" dialog's filter.
    QList<TFileFilter> add_files_filter_;
    TConvertState FConvertState = cvIdle;
    TPreviewState FPreviewState = pvNone;
    std::string FPreviewFile;
    TPreviewPanel* FPreviewControl = nullptr;
    // The program moves trkPlay: no seek follows.
    bool FUpdatingTrack = false;
    int64_t FPreviewDuration = 0;
    // The state the player reported last.
    TPlayState FPlayerState = psStop;
    // The file was opened paused on its first picture, rather than playing.
    bool preview_opened_paused_ = true;
    int pause_picture_ = 0;
    bool startup_complete_ = false;
    bool closed_ = false;
    bool closing_by_signal_ = false;
    // The rows of the running (or last) batch, by the batch's file number.
    std::vector<size_t> run_rows_;
    bool run_stopped_ = false;
    // "Start"'s own caption: it reads "Resume" while the batch is paused.
    QString start_caption_;
    // A menu text as a tool bar button shows it.
    static QString ToolBarCaption(const QString& text);
    std::string log_text_;  // every line, oldest first, each after a line feed
    size_t log_line_count_ = 0;
    // The adding under way; none when the list is not being added to.
    struct TAdding {
        TFileAdder Adder;
        std::unique_ptr<TProbePool> Pool;
        // Its workers are being stopped.
        bool Ending = false;
        // The folder whose sub-folders are added too; its rows remember it.
        std::string Root;
    };
    std::unique_ptr<TAdding> adding_;
    // Loudness measured on workers: for "Analyze Loudness", or before a
    // batch that needs every reading first (album gain, tags). Readings are
    // kept between sessions in the cache; the pool goes before the meter.
    struct TMeasuring {
        std::unique_ptr<TLoudnessPool> Pool;
        std::vector<size_t> Left;  // by row: its outputs' stretches still measured
        bool Convert = false;      // the batch of Files starts once all are in
        std::vector<TBatchInput> Files;
        size_t Done = 0;  // rows with every stretch measured
    };
    TLoudnessMeter& Meter();
    void SaveLoudnessCache();
    void StartMeasuring(const std::vector<size_t>& rows, bool convert,
                        std::vector<TBatchInput> files = {});
    void ServeMeasuring();
    // Ends the measuring; a batch waiting for it does not start.
    void StopMeasuring();
    void ShowLoudness(const std::string& path, const TLoudnessReading& reading);
    // A row being listed shows what the cache knows of its file.
    void ShowKnownLoudness(TFileRow& row);
    std::unique_ptr<TLoudnessCache> loudness_cache_;
    std::unique_ptr<TLoudnessMeter> loudness_meter_;
    std::unique_ptr<TMeasuring> measuring_;
    TBatchLoudness batch_loudness_{TLoudnessChoice{}};
    // Additions asked for while another runs (a drop of files and folders):
    // each is a folder or a group of files.
    struct TPendingAdding {
        bool Folder = false;
        QStringList Paths;
    };
    std::vector<TPendingAdding> pending_adding_;
    // Files of the additions in a row so far that could not be added.
    size_t adding_failures_ = 0;
    // Created at start-up and reused.
    QDialog* about_form_ = nullptr;
    // Starts the next slice of the adding.
    QTimer* adding_pace_ = nullptr;

    TFileListModel* file_list_ = nullptr;
    // The list's journal; none when another window keeps it or it cannot be
    // written. Shared with the conversions, which record their partial files.
    std::shared_ptr<TListJournalFile> journal_;
    QTimer* journal_timer_ = nullptr;
    bool journal_failed_ = false;
    QString journal_notice_;
    // What a killed session left to convert, and how.
    std::vector<size_t> resume_rows_;
    std::vector<std::pair<std::string, std::string>> resume_settings_;

    // Controls (owned by the window, as its children).
    QWidget* client_ = nullptr;
    QMenuBar* menu_bar_ = nullptr;
    QToolBar* tool_bar_ = nullptr;
    QTableView* lvFiles = nullptr;
    QLabel* ImgStart = nullptr;
    QLabel* lblStatus = nullptr;
    QGroupBox* grpPreview = nullptr;
    QLabel* lblVideoName = nullptr;
    TPreviewPanel* pnlPreview = nullptr;
    QLabel* imgPreview = nullptr;
    QSlider* trkPlay = nullptr;
    QLabel* lblPlayTime = nullptr;
    QLabel* lblPreviewNote = nullptr;
    QToolButton* btnPause = nullptr;
    QToolButton* btnStop = nullptr;
    QCheckBox* chkMute = nullptr;
    QSlider* trkVolume = nullptr;
    QGroupBox* grpProfile = nullptr;
    QComboBox* cmbProfile = nullptr;
    QComboBox* edtOutPath = nullptr;
    QPushButton* btnBrowse = nullptr;
    QPushButton* btnOpenFolder = nullptr;
    QCheckBox* chkSameInput = nullptr;
    QComboBox* cmbNameTemplate = nullptr;
    QProgressBar* prgTotalProgress = nullptr;
    QGroupBox* grpProfileSettings = nullptr;
    QComboBox* cmbQuality = nullptr;
    QComboBox* cmbChannel = nullptr;
    QComboBox* cmbBitRates = nullptr;
    QComboBox* cmbVolume = nullptr;
    QPlainTextEdit* mmoLog = nullptr;

    // Actions.
    QAction* actAddFiles = nullptr;
    QAction* actAddFolder = nullptr;
    QAction* actCancelAdding = nullptr;
    QAction* actSelectSkin = nullptr;
    QAction* mnuExit = nullptr;
    QAction* actRemove = nullptr;
    QAction* actClear = nullptr;
    QAction* actStartConvert = nullptr;
    QAction* actPauseConvert = nullptr;
    QAction* actResumeKeys = nullptr;  // Ctrl+P while paused, in no menu
    QAction* actStopConvert = nullptr;
    QAction* actConvertAllAgain = nullptr;
    // "Simultaneous Conversions": 1, 2, 4 and one per processor (0).
    std::vector<std::pair<QAction*, int>> jobs_actions_;
    QAction* actCopyTags = nullptr;        // "Copy tags", kept in Settings.ini
    QAction* actCoverFromVideo = nullptr;  // "Use a video frame as cover", likewise
    QAction* actCopyAudio = nullptr;
    QAction* actSplitChapters = nullptr;  // "Split by Chapters", kept in Settings.ini
    QAction* actSkipExisting = nullptr;   // "Skip Files Already Converted", likewise
    bool include_sub_folders_ = false;
    // "Normalize Loudness" and its targets (LUFS).
    QAction* actNormalizeLoudness = nullptr;
    QAction* actNormalizeAlbum = nullptr;
    QAction* actLoudnessTagsOnly = nullptr;
    std::vector<std::pair<QAction*, double>> loudness_actions_;
    QAction* actHelp = nullptr;
    QAction* actAbout = nullptr;
    QAction* actVisitWebsite = nullptr;
    QAction* actPlay = nullptr;
    QAction* actStop = nullptr;
    QAction* actViewLog = nullptr;
    QAction* actExit = nullptr;
};

}  // namespace v2m
