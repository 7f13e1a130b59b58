#include "FileList.h"

#include <algorithm>
#include <cinttypes>
#include <filesystem>
#include <system_error>
#include <utility>

#include "AsciiText.h"
#include "AVProbe.h"
#include "Format.h"
#include "MyUtils.h"
#include "SourceFile.h"

namespace v2m {

namespace {

namespace fs = std::filesystem;

}  // namespace

std::string DurationColumnText(int64_t duration) {
    if (duration <= 0) {
        return "N/A";
    }
    const int64_t seconds = duration / 1000000;
    return Format("%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64, seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
}

std::string SizeColumnText(int64_t file_size) {
    return Format("%.2fMB", static_cast<double>(file_size / 1024) / 1024);
}

std::string InitialOutputSizeText(TAddCommand command) {
    return command == TAddCommand::AddFiles ? "0.0MB" : "0";
}

TFileProber ProbeWith(TCustomAVProbe& probe) {
    return [&probe](const std::string& path) {
        TProbedFile probed;
        probed.Source = ProbeSource(probe, path, probed.Error);
        if (probed.Source == nullptr) {
            return probed;
        }
        const TSourceFile& source = *probed.Source;
        probed.Loaded = true;
        probed.Duration = source.Duration;
        probed.FileSize = source.FileSize;
        probed.AudioTracks = source.AudioTracks;
        // Counted now, so the list can say what a split would make of it.
        TJobRequest split;
        split.SplitChapters = true;
        split.SourceFileName = path;
        try {
            probed.ChapterPieces = PiecesOfFile(split, &source, source.Duration);
        } catch (const EJobError&) {
            // A faulty cue sheet beside it: the row's plan tells why.
        }
        return probed;
    };
}

std::vector<std::string> FileLoadErrorLines(const std::string& error) {
    return {"", "***File load error: " + error, ""};
}

bool TFileList::FileInList(const std::string& path) const {
    return std::any_of(rows_.begin(), rows_.end(),
                       [&path](const TFileRow& row) { return row.Data.FileName == path; });
}

void TFileList::Append(TFileRow row) {
    rows_.push_back(std::move(row));
}

void TFileList::Remove(std::vector<size_t> indexes) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    // From the back, so the indexes still to go keep their meaning.
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        if (*it < rows_.size()) {
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*it));
        }
    }
}

void TFileList::SetOutputExt(const std::string& ext) {
    for (TFileRow& row : rows_) {
        row.Output = ext;
    }
}

bool TFileList::AnyConverted() const {
    return std::any_of(rows_.begin(), rows_.end(),
                       [](const TFileRow& row) { return row.Data.Progress == 100; });
}

bool TFileList::AllConverted() const {
    return std::all_of(rows_.begin(), rows_.end(),
                       [](const TFileRow& row) { return row.Data.Progress == 100; });
}

TFileRow MakeFileRow(const std::string& path, const TProbedFile& probed, const std::string& ext,
                     TAddCommand command) {
    TFileRow row;
    row.Name = WideExtractFileName(path);
    row.Duration = DurationColumnText(probed.Duration);
    row.OriginalSize = SizeColumnText(probed.FileSize);
    row.Output = ext;
    row.Progress = kInitialProgressText;
    row.OutputSize = InitialOutputSizeText(command);
    row.Data.FileName = path;
    row.Data.AudioTracks = probed.AudioTracks;
    row.Data.Duration = probed.Duration;
    row.Data.ChapterPieces = probed.ChapterPieces;
    row.Data.Source = probed.Source;
    row.Audio = AudioTrackText(probed.AudioTracks, DefaultAudioTrack(probed.AudioTracks), false);
    return row;
}

TFileAdder::TFileAdder(TAddCommand command, const TFileList& list) : command_(command) {
    if (command_ == TAddCommand::AddFiles) {
        for (const TFileRow& row : list.Rows()) {
            listed_.insert(row.Data.FileName);
        }
    }
}

bool TFileAdder::Wanted(const std::string& path) const {
    return command_ != TAddCommand::AddFiles || !listed_.contains(path);
}

std::optional<TFileRow> TFileAdder::Take(const std::string& path, const TProbedFile& probed,
                                         const std::string& ext) {
    if (!Wanted(path)) {
        return std::nullopt;
    }
    // A FIFO or a device is refused by the probe before it is opened, so it
    // is logged like any file that cannot be read.
    if (!probed.Loaded) {
        const std::vector<std::string> lines = FileLoadErrorLines(probed.Error);
        result_.LogLines.insert(result_.LogLines.end(), lines.begin(), lines.end());
        ++result_.Failed;
        return std::nullopt;
    }
    ++result_.Added;
    if (command_ == TAddCommand::AddFiles) {
        listed_.insert(path);
        result_.LastAddedFolder = WideExtractFilePath(path);
    }
    return MakeFileRow(path, probed, ext, command_);
}

std::vector<std::string> TFileAdder::TakeLogLines() {
    return std::exchange(result_.LogLines, {});
}

std::vector<std::string> AddFilesPlan(const TFileAdder& adder, std::span<const std::string> paths) {
    std::vector<std::string> plan;
    plan.reserve(paths.size());
    for (const std::string& given : paths) {
        std::string path = AbsoluteFileName(given);
        if (adder.Wanted(path)) {
            plan.push_back(std::move(path));
        }
    }
    return plan;
}

std::vector<std::string> AddFolderPlan(const std::string& folder) {
    return ScanVideoFolder(AbsoluteFileName(folder)).value_or(std::vector<std::string>{});
}

std::vector<std::string> AddFolderPlan(const std::string& folder, bool sub_folders) {
    if (!sub_folders) {
        return AddFolderPlan(folder);
    }
    return ScanVideoTree(AbsoluteFileName(folder)).value_or(std::vector<std::string>{});
}

void UpdateAudioText(TFileRow& row, const TJobRequest& request) {
    TJobRequest file = request;
    file.AudioStream = row.Data.AudioStream;
    const int track = ChosenAudioTrack(row.Data.AudioTracks, file);
    if (track >= 0 && row.Data.AudioTracks[static_cast<size_t>(track)].Copyable) {
        file.AudioCodecName = row.Data.AudioTracks[static_cast<size_t>(track)].Codec;
    }
    row.Audio = AudioTrackText(row.Data.AudioTracks, track, AudioCopyPossible(file));
    // Only a row that waits changes: a result of a run stays.
    if (HasNoAudio(row) && !request.KeepVideo && row.Progress == kInitialProgressText) {
        row.Progress = kNoAudioProgressText;
    } else if (request.KeepVideo && row.Progress == kNoAudioProgressText) {
        row.Progress = kInitialProgressText;
    }
    row.Parts = PartsColumnText(row.Data, request);
}

void ApplyRowChoices(const TConvertFileData& data, TJobRequest& request) {
    request.AudioStream = data.AudioStream;
    request.SplitChapters = data.SplitChapters.value_or(request.SplitChapters);
    request.SplitPointsFile = data.SplitPointsFile;
    request.CutStart = data.CutStart;
    request.CutEnd = data.CutEnd;
}

std::vector<TPiece> RowPieces(const TConvertFileData& data, const TJobRequest& request) {
    std::vector<TPiece> pieces;
    if (!data.SplitPointsFile.empty()) {
        pieces = data.PointsPieces;
    } else if (data.SplitChapters.value_or(request.SplitChapters)) {
        pieces = data.ChapterPieces;
    }
    return CutPieces(std::move(pieces), data.CutStart, data.CutEnd, data.Duration);
}

std::string PartsColumnText(const TConvertFileData& data, const TJobRequest& request) {
    const bool cut = data.CutStart > 0 || data.CutEnd >= 0;
    std::vector<TPiece> pieces;
    try {
        pieces = RowPieces(data, request);
    } catch (const EJobError&) {
        return "cut does not fit";
    }
    std::string text;
    if (pieces.empty() || (cut && pieces.size() == 1 && pieces.front().Title.empty())) {
        // Whole, or one stretch of it.
    } else {
        text = pieces.size() == 1 ? "1 piece" : std::to_string(pieces.size()) + " pieces";
    }
    if (cut) {
        const int64_t from = std::max<int64_t>(data.CutStart, 0);
        int64_t to = data.CutEnd;
        if (to < 0 || (data.Duration > 0 && to > data.Duration)) {
            to = data.Duration;
        }
        text += (text.empty() ? "cut " : ", cut ") +
                (to > from ? TimeText(to - from) : "from " + TimeText(from));
    }
    return text;
}

bool HasNoAudio(const TFileRow& row) {
    return row.Data.AudioTracks.empty();
}

void TFileList::UpdateAudioTexts(const TJobRequest& request) {
    for (TFileRow& row : rows_) {
        UpdateAudioText(row, request);
    }
}

size_t TFileList::ChooseAudioLanguage(const std::string& language) {
    size_t found = 0;
    for (TFileRow& row : rows_) {
        const int track = TrackOfLanguage(row.Data.AudioTracks, language);
        if (track >= 0) {
            row.Data.AudioStream = row.Data.AudioTracks[static_cast<size_t>(track)].StreamIndex;
            ++found;
        }
    }
    return found;
}

namespace {

// Probes and takes the planned files one after the other.
TAddResult AddPlanned(TFileList& list, TFileAdder& adder, const std::vector<std::string>& plan,
                      const TFileProber& prober, const std::string& ext) {
    for (const std::string& path : plan) {
        // A path given twice is probed again only when its first turn added nothing.
        if (!adder.Wanted(path)) {
            continue;
        }
        if (std::optional<TFileRow> row = adder.Take(path, prober(path), ext)) {
            list.Append(std::move(*row));
        }
    }
    return adder.Result();
}

}  // namespace

TAddResult AddFiles(TFileList& list, std::span<const std::string> paths, const TFileProber& prober,
                    const std::string& ext) {
    TFileAdder adder(TAddCommand::AddFiles, list);
    return AddPlanned(list, adder, AddFilesPlan(adder, paths), prober, ext);
}

TAddResult AddFolder(TFileList& list, const std::string& folder, const TFileProber& prober,
                     const std::string& ext) {
    TFileAdder adder(TAddCommand::AddFolder, list);
    return AddPlanned(list, adder, AddFolderPlan(folder), prober, ext);
}

std::vector<std::string> SplitMasks(std::string_view patterns) {
    std::vector<std::string> masks;
    while (!patterns.empty()) {
        const size_t end = std::min(patterns.find(';'), patterns.size());
        if (end > 0) {
            masks.emplace_back(patterns.substr(0, end));
        }
        patterns.remove_prefix(std::min(end + 1, patterns.size()));
    }
    return masks;
}

const std::vector<std::string>& VideoFileMasks() {
    static const std::vector<std::string> kMasks = SplitMasks(kVideoFilePatterns);
    return kMasks;
}

std::vector<TDialogFilter> ParseDialogFilter(std::string_view filter) {
    std::vector<TDialogFilter> entries;
    while (!filter.empty()) {
        const size_t caption_end = std::min(filter.find('|'), filter.size());
        TDialogFilter entry;
        entry.Caption = std::string(filter.substr(0, caption_end));
        filter.remove_prefix(std::min(caption_end + 1, filter.size()));
        const size_t masks_end = std::min(filter.find('|'), filter.size());
        entry.Masks = SplitMasks(filter.substr(0, masks_end));
        filter.remove_prefix(std::min(masks_end + 1, filter.size()));
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Greedy matching with one backtrack point: the last "*" seen.
    size_t n = 0;
    size_t m = 0;
    size_t star = std::string_view::npos;
    size_t star_name = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            star_name = n;
        } else if (m < mask.size() &&
                   (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
            ++m;
            ++n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

bool MatchesAnyMask(std::string_view name, std::span<const std::string> masks) {
    return std::any_of(masks.begin(), masks.end(),
                       [name](const std::string& mask) { return MatchesMask(name, mask); });
}

std::string CaseFoldedMask(std::string_view mask) {
    std::string folded;
    for (char c : mask) {
        const char lower = LowerAscii(c);
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (lower == upper) {
            folded += c;
        } else {
            folded += {'[', lower, upper, ']'};
        }
    }
    return folded;
}

std::optional<std::vector<std::string>> ListFolderFiles(const std::string& folder,
                                                        std::string_view mask) {
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) {
        return std::nullopt;
    }
    const std::string prefix = WideIncludeTrailingBackslash(folder);
    const bool every_name = mask == "*" || mask == "*.*";
    std::vector<std::string> names;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code status_error;
        // Follows links: a link to a video is a video; a link to a folder is a folder.
        if (!it->is_regular_file(status_error)) {
            continue;
        }
        std::string name = it->path().filename().string();
        if (every_name || MatchesMask(name, mask)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        paths.push_back(prefix + name);
    }
    return paths;
}

std::string AbsoluteFileName(const std::string& path) {
    // A relative name could begin like a URL ("data:clip.mp4"); from the
    // root it never does. Only the current folder is put in front: nothing
    // else of the name changes.
    if (path.empty() || path.front() == '/') {
        return path;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.string();
}

std::optional<std::vector<std::string>> ScanVideoFolder(const std::string& folder) {
    auto files = ListFolderFiles(folder, "*.*");
    if (!files) {
        return files;
    }
    std::erase_if(*files, [](const std::string& path) {
        return !MatchesAnyMask(WideExtractFileName(path), VideoFileMasks());
    });
    return files;
}

std::optional<std::vector<std::string>> ScanVideoTree(const std::string& folder) {
    auto files = ScanVideoFolder(folder);
    if (!files) {
        return files;
    }
    std::vector<std::string> folders;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code status_error;
        if (it->is_directory(status_error) && !it->is_symlink(status_error)) {
            folders.push_back(it->path().string());
        }
    }
    std::sort(folders.begin(), folders.end());
    for (const std::string& sub : folders) {
        if (auto found = ScanVideoTree(sub)) {
            files->insert(files->end(), found->begin(), found->end());
        }
    }
    return files;
}

std::string PrepareTreeOutput(TJobRequest& request, const std::string& root,
                              const std::string& file) {
    if (root.empty() || request.SameFolderAsInput) {
        return "";
    }
    const std::string base = WideIncludeTrailingBackslash(request.OutputFolder);
    const std::string folder = TreeOutputFolder(base, root, file);
    if (std::string error = MakeTreeFolder(base, folder); !error.empty()) {
        return error;
    }
    request.OutputFolder = folder;
    return "";
}

std::string TreeOutputFolder(const std::string& output_folder, const std::string& root,
                             const std::string& file) {
    const std::string prefix = WideIncludeTrailingBackslash(root);
    if (root.empty() || !file.starts_with(prefix)) {
        return output_folder;
    }
    const std::string relative = fs::path(file.substr(prefix.size())).parent_path().string();
    if (relative.empty()) {
        return output_folder;
    }
    return WideIncludeTrailingBackslash(output_folder) + relative;
}

std::string MakeTreeFolder(const std::string& base, const std::string& folder) {
    const std::string prefix = WideIncludeTrailingBackslash(base);
    if (!folder.starts_with(prefix)) {
        return "";
    }
    fs::path path(WideIncludeTrailingBackslash(base));
    for (const fs::path& part : fs::path(folder.substr(prefix.size()))) {
        if (part.empty()) {
            continue;
        }
        path /= part;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (fs::is_symlink(status)) {
            return path.string() + " is a link, not a folder of the output tree";
        }
        if (fs::exists(status)) {
            if (!fs::is_directory(status)) {
                return path.string() + " exists and is not a folder";
            }
            continue;
        }
        if (!fs::create_directory(path, error) && error) {
            return "cannot create folder " + path.string() + ": " + error.message();
        }
    }
    return "";
}

}  // namespace v2m
