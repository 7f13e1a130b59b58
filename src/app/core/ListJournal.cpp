#include "ListJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace v2m {

namespace {

constexpr std::string_view kHeader = "video2mp3-list-journal";
constexpr std::string_view kFilesHeader = "video2mp3-list-files";
constexpr int kFilesVersion = 1;
// An empty field; a "~" of the text itself is escaped.
constexpr std::string_view kEmptyField = "~";

// One field on a line: every byte that would end the field or the line, or
// could be taken for an escape, as "%XX". Names may hold any byte but NUL
// and "/", so nothing else is assumed of them.
std::string Field(std::string_view text) {
    if (text.empty()) {
        return std::string(kEmptyField);
    }
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '%' || c == '~') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> Unfield(std::string_view field) {
    if (field == kEmptyField) {
        return std::string();
    }
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size()) {
            return std::nullopt;
        }
        const int high = HexDigit(field[i + 1]);
        const int low = HexDigit(field[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

template <typename Number>
std::string NumberField(Number value) {
    return std::to_string(value);
}

// The fields of one line, read in order; any fault sticks.
class TFields {
public:
    explicit TFields(std::string_view line) {
        size_t start = 0;
        while (start <= line.size()) {
            const size_t space = line.find(' ', start);
            const size_t end = space == std::string_view::npos ? line.size() : space;
            fields_.push_back(line.substr(start, end - start));
            start = end + 1;
        }
    }
    std::string_view Key() const { return fields_.front(); }
    size_t Count() const { return fields_.size() - 1; }
    bool Ok() const { return ok_ && next_ == fields_.size(); }

    std::string Text() {
        if (next_ >= fields_.size()) {
            ok_ = false;
            return {};
        }
        std::optional<std::string> text = Unfield(fields_[next_++]);
        ok_ = ok_ && text.has_value();
        return text.value_or(std::string());
    }
    template <typename Number>
    Number Value() {
        Number value{};
        if (next_ >= fields_.size()) {
            ok_ = false;
            return value;
        }
        const std::string_view field = fields_[next_++];
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        ok_ = ok_ && error == std::errc() && end == field.data() + field.size();
        return value;
    }

private:
    std::vector<std::string_view> fields_;
    size_t next_ = 1;
    bool ok_ = true;
};

void AddPieceLine(std::string& text, std::string_view key, const TPiece& piece) {
    text += std::string(key) + " " + NumberField(piece.Start) + " " + NumberField(piece.Length) +
            " " + NumberField(piece.Number) + " " + NumberField(piece.Total) + " " +
            Field(piece.Title) + " " + Field(piece.Performer) + "\n";
}

TPiece ReadPiece(TFields& fields) {
    TPiece piece;
    piece.Start = fields.Value<int64_t>();
    piece.Length = fields.Value<int64_t>();
    piece.Number = fields.Value<int>();
    piece.Total = fields.Value<int>();
    piece.Title = fields.Text();
    piece.Performer = fields.Text();
    return piece;
}

std::string OwnerLine(const TProcessIdentity& owner) {
    return "owner " + NumberField(owner.Pid) + " " + NumberField(owner.StartTime) + "\n";
}

std::string FileRecord(std::string_view key, const TCreatedFile& file) {
    return std::string(key) + " " + NumberField(static_cast<uint64_t>(file.Device)) + " " +
           NumberField(static_cast<uint64_t>(file.Inode)) + " " + Field(file.Path) + "\n";
}

std::string FinishedRecord(const TFinishedRow& finished) {
    std::string record = "done " + NumberField(finished.Row) + " " + Field(finished.Source) + " " +
                         NumberField(finished.Outputs.size());
    for (const std::string& output : finished.Outputs) {
        record += " " + Field(output);
    }
    return record + "\n";
}

// A published file keeps its device and inode under its new name.
bool SameFile(const TCreatedFile& a, const TCreatedFile& b) {
    return a.Device == b.Device && a.Inode == b.Inode;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::optional<std::string> ReadWhole(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

}  // namespace

TProcessIdentity ThisProcess() {
    TProcessIdentity self{static_cast<int64_t>(::getpid()), 0};
    std::ifstream in("/proc/self/stat");
    const std::string stat{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The command name may hold spaces and parentheses: the fields count from
    // the last ")". The start time is the 22nd field, the 20th after it.
    const size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream rest(stat.substr(close + 1));
        std::string field;
        for (int i = 3; i <= 22 && rest >> field; ++i) {
            if (i == 22) {
                std::from_chars(field.data(), field.data() + field.size(), self.StartTime);
            }
        }
    }
    return self;
}

bool ProcessAlive(const TProcessIdentity& process) {
    if (process.Pid <= 0) {
        return false;
    }
    std::ifstream in("/proc/" + std::to_string(process.Pid) + "/stat");
    if (!in) {
        return false;
    }
    const std::string stat{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return false;
    }
    std::istringstream rest(stat.substr(close + 1));
    std::string field;
    std::string state;
    uint64_t start = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 3) {
            state = field;
        }
        if (i == 22) {
            std::from_chars(field.data(), field.data() + field.size(), start);
        }
    }
    // A zombie has ended; only its parent has not looked yet.
    return start == process.StartTime && state != "Z" && state != "X";
}

std::string TListJournal::Setting(const std::string& name) const {
    for (const auto& [key, value] : Settings) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

size_t TListJournal::WaitingCount() const {
    return static_cast<size_t>(
        std::count_if(Rows.begin(), Rows.end(), [](const TJournalRow& r) { return r.Waiting; }));
}

std::string JournalText(const TListJournal& journal) {
    std::string text = std::string(kHeader) + " " + NumberField(kListJournalVersion) + "\n";
    text += OwnerLine(journal.Owner);
    text += "batch " + NumberField(journal.BatchRunning ? 1 : 0) + "\n";
    for (const auto& [name, value] : journal.Settings) {
        text += "setting " + Field(name) + " " + Field(value) + "\n";
    }
    for (const TJournalRow& journal_row : journal.Rows) {
        const TFileRow& row = journal_row.Row;
        const TConvertFileData& data = row.Data;
        text += "row";
        for (const std::string* column :
             {&row.Name, &row.Duration, &row.OriginalSize, &row.Output, &row.Progress,
              &row.OutputSize, &row.Audio, &row.Parts, &row.FailureReason, &row.Warning}) {
            text += " " + Field(*column);
        }
        const int split = data.SplitChapters ? (*data.SplitChapters ? 1 : 0) : -1;
        text += "\nfile " + Field(data.FileName) + " " + Field(data.OutputFile) + " " +
                Field(data.Root) + " " + Field(data.SplitPointsFile) + " " +
                NumberField(data.Progress) + " " + NumberField(data.AudioStream) + " " +
                NumberField(data.Duration) + " " + NumberField(split) + " " +
                NumberField(data.CutStart) + " " + NumberField(data.CutEnd) + " " +
                NumberField(data.OutputCount) + " " + NumberField(journal_row.Waiting ? 1 : 0) +
                "\n";
        for (const TAudioTrack& track : data.AudioTracks) {
            text += "track " + NumberField(track.StreamIndex) + " " + Field(track.Language) + " " +
                    Field(track.Codec) + " " + Field(track.Layout) + " " +
                    NumberField(track.SampleRate) + " " + NumberField(track.Channels) + " " +
                    NumberField(track.Default ? 1 : 0) + "\n";
        }
        for (const TPiece& piece : data.ChapterPieces) {
            AddPieceLine(text, "chapter", piece);
        }
        for (const TPiece& piece : data.PointsPieces) {
            AddPieceLine(text, "point", piece);
        }
    }
    for (const auto& [key, files] :
         {std::pair{"partial", &journal.Partials}, std::pair{"published", &journal.Published}}) {
        for (const TCreatedFile& file : *files) {
            text += FileRecord(key, file);
        }
    }
    // Whatever follows the last line is not the journal's.
    text += "end\n";
    return text;
}

namespace {

// The first line: empty when it heads a journal this version reads.
std::string HeaderProblem(std::string_view key, TFields& fields) {
    const int version = key == kHeader ? fields.Value<int>() : 0;
    if (!fields.Ok() || version < 1) {
        return "not a list journal";
    }
    if (version > kListJournalVersion) {
        return "written by a newer version (" + std::to_string(version) + ")";
    }
    return {};
}

void ReadFileRecord(TFields& fields, TJournalRow& journal_row) {
    TConvertFileData& data = journal_row.Row.Data;
    data.FileName = fields.Text();
    data.OutputFile = fields.Text();
    data.Root = fields.Text();
    data.SplitPointsFile = fields.Text();
    data.Progress = fields.Value<int32_t>();
    data.AudioStream = fields.Value<int>();
    data.Duration = fields.Value<int64_t>();
    const int split = fields.Value<int>();
    if (split >= 0) {
        data.SplitChapters = split == 1;
    }
    data.CutStart = fields.Value<int64_t>();
    data.CutEnd = fields.Value<int64_t>();
    data.OutputCount = fields.Value<size_t>();
    journal_row.Waiting = fields.Value<int>() == 1;
}

TAudioTrack ReadTrack(TFields& fields) {
    TAudioTrack track;
    track.StreamIndex = fields.Value<int>();
    track.Language = fields.Text();
    track.Codec = fields.Text();
    track.Layout = fields.Text();
    track.SampleRate = fields.Value<int>();
    track.Channels = fields.Value<int>();
    track.Default = fields.Value<int>() == 1;
    return track;
}

// The records of a row: its columns, then what belongs to the row last read.
// False for a line that is none of them.
bool ReadRowRecord(std::string_view key, TFields& fields, std::vector<TJournalRow>& rows) {
    if (key == "row" && fields.Count() == 10) {
        TFileRow row;
        for (std::string* column :
             {&row.Name, &row.Duration, &row.OriginalSize, &row.Output, &row.Progress,
              &row.OutputSize, &row.Audio, &row.Parts, &row.FailureReason, &row.Warning}) {
            *column = fields.Text();
        }
        rows.push_back({std::move(row), false});
        return true;
    }
    if (rows.empty()) {
        return false;
    }
    TConvertFileData& data = rows.back().Row.Data;
    if (key == "file") {
        ReadFileRecord(fields, rows.back());
    } else if (key == "track") {
        data.AudioTracks.push_back(ReadTrack(fields));
    } else if (key == "chapter") {
        data.ChapterPieces.push_back(ReadPiece(fields));
    } else if (key == "point") {
        data.PointsPieces.push_back(ReadPiece(fields));
    } else {
        return false;
    }
    return true;
}

// One line after the header, but the end; false for a line not understood.
bool ReadRecord(std::string_view key, TFields& fields, TListJournal& journal) {
    if (key == "owner") {
        journal.Owner.Pid = fields.Value<int64_t>();
        journal.Owner.StartTime = fields.Value<uint64_t>();
    } else if (key == "batch") {
        journal.BatchRunning = fields.Value<int>() == 1;
    } else if (key == "setting") {
        std::string name = fields.Text();
        journal.Settings.emplace_back(std::move(name), fields.Text());
    } else if (key == "partial" || key == "published") {
        TCreatedFile file;
        file.Device = static_cast<dev_t>(fields.Value<uint64_t>());
        file.Inode = static_cast<ino_t>(fields.Value<uint64_t>());
        file.Path = fields.Text();
        (key == "partial" ? journal.Partials : journal.Published).push_back(std::move(file));
    } else {
        return ReadRowRecord(key, fields, journal.Rows);
    }
    return true;
}

}  // namespace

std::optional<TListJournal> ParseJournal(std::string_view text, std::string& error) {
    TListJournal journal;
    size_t line_number = 0;
    bool ended = false;
    size_t start = 0;
    const auto fail = [&](const std::string& problem) {
        error = "line " + std::to_string(line_number) + ": " + problem;
        return std::nullopt;
    };
    while (start < text.size()) {
        const size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos) {
            error = "the journal is cut short";
            return std::nullopt;
        }
        const std::string_view line = text.substr(start, feed - start);
        start = feed + 1;
        ++line_number;
        if (ended) {
            return fail("text after the end");
        }
        TFields fields(line);
        const std::string_view key = fields.Key();
        if (line_number == 1) {
            error = HeaderProblem(key, fields);
            if (!error.empty()) {
                return std::nullopt;
            }
            continue;
        }
        if (key == "end" && fields.Count() == 0) {
            ended = true;
        } else if (!ReadRecord(key, fields, journal)) {
            return fail("not understood");
        }
        if (!fields.Ok()) {
            return fail("damaged");
        }
    }
    if (line_number == 0 || !ended) {
        error = "the journal is cut short";
        return std::nullopt;
    }
    return journal;
}

void ApplyFileRecords(std::string_view text, TListJournal& journal) {
    size_t line_number = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos) {
            return;
        }
        TFields fields(text.substr(start, feed - start));
        start = feed + 1;
        const std::string_view key = fields.Key();
        if (++line_number == 1) {
            if (key != kFilesHeader || fields.Value<int>() != kFilesVersion || !fields.Ok()) {
                return;
            }
            continue;
        }
        if (line_number == 2) {
            TProcessIdentity owner;
            owner.Pid = fields.Value<int64_t>();
            owner.StartTime = fields.Value<uint64_t>();
            if (key != "owner" || !fields.Ok() || !(owner == journal.Owner)) {
                return;
            }
            continue;
        }
        if (key == "done") {
            TFinishedRow finished;
            finished.Row = fields.Value<size_t>();
            finished.Source = fields.Text();
            const size_t count = std::min(fields.Value<size_t>(), fields.Count());
            for (size_t i = 0; i < count; ++i) {
                finished.Outputs.push_back(fields.Text());
            }
            if (!fields.Ok()) {
                return;
            }
            journal.Finished.push_back(std::move(finished));
            continue;
        }
        TCreatedFile file;
        file.Device = static_cast<dev_t>(fields.Value<uint64_t>());
        file.Inode = static_cast<ino_t>(fields.Value<uint64_t>());
        file.Path = fields.Text();
        if (!fields.Ok()) {
            return;
        }
        if (key == "partial") {
            journal.Partials.push_back(std::move(file));
        } else if (key == "published") {
            std::erase_if(journal.Partials,
                          [&file](const TCreatedFile& partial) { return SameFile(partial, file); });
            journal.Published.push_back(std::move(file));
        } else if (key == "removed") {
            std::erase_if(journal.Partials, [&file](const TCreatedFile& partial) {
                return SameFile(partial, file) && partial.Path == file.Path;
            });
        } else {
            return;
        }
    }
}

std::vector<std::string> RemoveLeftPartials(const std::vector<TCreatedFile>& partials) {
    std::vector<std::string> removed;
    for (const TCreatedFile& partial : partials) {
        // RemoveCreatedFile checks the name still holds that very file.
        if (RemoveCreatedFile(partial)) {
            removed.push_back(partial.Path);
        }
    }
    return removed;
}

TListJournalFile::~TListJournalFile() {
    if (files_fd_ >= 0) {
        ::close(files_fd_);
    }
    if (lock_fd_ >= 0) {
        ::close(lock_fd_);
    }
}

TListJournalFile::TOpenResult TListJournalFile::Open(const std::string& folder,
                                                     std::string& problem) {
    if (folder.empty()) {
        problem = "no state folder";
        return TOpenResult::Unavailable;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string lock_path = folder + kListJournalName + ".lock";
    const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem = lock_path + ": " + SystemErrorText(errno);
        return TOpenResult::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lock_error = errno;
        ::close(fd);
        problem = lock_path + ": " + SystemErrorText(lock_error);
        return lock_error == EWOULDBLOCK ? TOpenResult::Held : TOpenResult::Unavailable;
    }
    lock_fd_ = fd;
    folder_ = folder;
    std::lock_guard lock(mutex_);
    current_.Owner = ThisProcess();
    // Whatever an earlier session left there goes at the first save.
    files_stale_ = true;
    return TOpenResult::Opened;
}

TListJournalFile::TLoadResult TListJournalFile::Load() {
    TLoadResult result;
    if (!IsOpen()) {
        return result;
    }
    const std::string path = Path();
    int error = 0;
    const std::optional<std::string> text = ReadWhole(path, error);
    if (!text && error == ENOENT) {
        return result;
    }
    std::string fault;
    if (text) {
        result.Journal = ParseJournal(*text, fault);
        if (result.Journal) {
            int files_error = 0;
            if (const auto records = ReadWhole(FilesPath(), files_error)) {
                ApplyFileRecords(*records, *result.Journal);
            }
            return result;
        }
    } else {
        fault = SystemErrorText(error);
    }
    result.Fault = fault;
    // Set aside, not removed: it may be all the user has of a long list.
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = path + ".damaged-" + std::to_string(n);
        if (::link(path.c_str(), aside.c_str()) == 0) {
            ::unlink(path.c_str());
            result.SetAsidePath = aside;
            result.Problem = "The saved file list " + path + " cannot be read (" + fault +
                             "); it was kept as " + aside + " and the list starts empty.";
            return result;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    result.Problem = "The saved file list " + path + " cannot be read (" + fault +
                     ") nor set aside; the list starts empty and is not saved.";
    // Nothing is written over it.
    ::close(lock_fd_);
    lock_fd_ = -1;
    return result;
}

bool TListJournalFile::SaveList(TListJournal list, std::string& problem) {
    // One save at a time: an older list never lands after a newer one.
    std::lock_guard saving(save_mutex_);
    {
        std::lock_guard lock(mutex_);
        if (!IsOpen()) {
            return false;
        }
        list.Owner = current_.Owner;
    }
    // Those are recorded as they happen, in the records beside the list.
    list.Partials.clear();
    list.Published.clear();
    list.Finished.clear();
    const bool running = list.BatchRunning;
    // Made and written without the records' lock: a long list takes a while,
    // and the batch's outputs go on being created and published meanwhile.
    const std::string text = JournalText(list);
    if (text != written_) {
        if (!WriteFileAtomically(Path(), text, problem)) {
            return false;
        }
        written_ = text;
    }
    std::lock_guard lock(mutex_);
    current_ = std::move(list);
    // Only after the list says the batch is over: the records of its
    // finished files were all a kill before now would have had.
    if (!running) {
        published_.clear();
        finished_.clear();
        if (files_stale_) {
            CompactRecordsLocked();
        }
    }
    return true;
}

void TListJournalFile::PartialCreated(const TCreatedFile& file) {
    std::lock_guard lock(mutex_);
    if (!IsOpen()) {
        return;
    }
    partials_.push_back(file);
    AppendRecordLocked(FileRecord("partial", file));
}

void TListJournalFile::PartialRemoved(const TCreatedFile& file) {
    std::lock_guard lock(mutex_);
    if (!IsOpen()) {
        return;
    }
    std::erase_if(partials_, [&file](const TCreatedFile& partial) {
        return SameFile(partial, file) && partial.Path == file.Path;
    });
    AppendRecordLocked(FileRecord("removed", file));
}

void TListJournalFile::PartialPublished(const TCreatedFile& file) {
    std::lock_guard lock(mutex_);
    if (!IsOpen()) {
        return;
    }
    std::erase_if(partials_,
                  [&file](const TCreatedFile& partial) { return SameFile(partial, file); });
    published_.push_back(file);
    AppendRecordLocked(FileRecord("published", file));
}

void TListJournalFile::RowFinished(const TFinishedRow& finished) {
    std::lock_guard lock(mutex_);
    if (!IsOpen()) {
        return;
    }
    finished_.push_back(finished);
    AppendRecordLocked(FinishedRecord(finished));
}

void TListJournalFile::AppendRecordLocked(const std::string& record) {
    files_stale_ = true;
    if (files_fd_ >= 0) {
        if (WriteAll(files_fd_, record)) {
            return;
        }
        // Written whole again, so no record is missing after a short write.
        ::close(files_fd_);
        files_fd_ = -1;
    }
    RewriteRecordsLocked();
}

void TListJournalFile::RewriteRecordsLocked() {
    std::string text = std::string(kFilesHeader) + " " + NumberField(kFilesVersion) + "\n" +
                       OwnerLine(current_.Owner);
    for (const TCreatedFile& partial : partials_) {
        text += FileRecord("partial", partial);
    }
    for (const TCreatedFile& published : published_) {
        text += FileRecord("published", published);
    }
    for (const TFinishedRow& finished : finished_) {
        text += FinishedRecord(finished);
    }
    std::string ignored;
    if (!WriteFileAtomically(FilesPath(), text, ignored)) {
        return;
    }
    files_fd_ = ::open(FilesPath().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
}

void TListJournalFile::CompactRecordsLocked() {
    if (files_fd_ >= 0) {
        ::close(files_fd_);
        files_fd_ = -1;
    }
    if (partials_.empty()) {
        ::unlink(FilesPath().c_str());
        files_stale_ = false;
        return;
    }
    // Outputs still being written while no batch runs (a stop cleaning up).
    RewriteRecordsLocked();
}

}  // namespace v2m
