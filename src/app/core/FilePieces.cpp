// Where a file is cut into pieces: its chapters, a cue sheet beside it, a
// list of points the user gave, a cut.
#include <sys/stat.h>

#include <algorithm>

#include "JobBuilding.h"
#include "MyUtils.h"
#include "SourceFile.h"

namespace v2m {

namespace {

std::string WithoutExtension(const std::string& path) {
    const size_t name = path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    return dot == std::string::npos || dot <= name ? path : path.substr(0, dot);
}

std::string ReplaceName(std::string text, const std::string& name) {
    static constexpr std::string_view kName = "{name}";
    for (size_t at = text.find(kName); at != std::string::npos;
         at = text.find(kName, at + name.size())) {
        text.replace(at, kName.size(), name);
    }
    return text;
}

bool RegularFileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<TPiece> SplitPieces(const TJobRequest& request, const TSourceFile* file,
                                int64_t duration) {
    std::string points_file;
    if (!request.SplitPointsFile.empty()) {
        points_file = ReplaceName(request.SplitPointsFile,
                                  WideExtractFileName(WithoutExtension(request.SourceFileName)));
    } else if (request.SplitChapters) {
        if (file != nullptr && !file->Chapters.empty()) {
            return PiecesFromChapters(file->Chapters, duration);
        }
        const std::string cue = WithoutExtension(request.SourceFileName) + ".cue";
        if (!RegularFileExists(cue)) {
            return {};
        }
        points_file = cue;
    } else {
        return {};
    }
    try {
        return PiecesFromPoints(ReadSplitPointsFile(points_file), duration);
    } catch (const ESplitPointsError& error) {
        throw EJobError(points_file + ": " + error.what());
    }
}

// The pieces within the cut: those outside it go, those across its ends are
// shortened to it.
std::vector<TPiece> WithinCut(std::vector<TPiece> pieces, int64_t from, int64_t to) {
    std::vector<TPiece> kept;
    for (TPiece& piece : pieces) {
        const int64_t end = piece.Length < 0 ? -1 : piece.Start + piece.Length;
        const int64_t start = std::max(piece.Start, from);
        const int64_t stop = to < 0 ? end : end < 0 ? to : std::min(end, to);
        if (stop >= 0 && stop <= start) {
            continue;
        }
        piece.Start = start;
        piece.Length = stop < 0 ? -1 : stop - start;
        kept.push_back(std::move(piece));
    }
    return kept;
}

}  // namespace

std::vector<TPiece> PiecesOfFile(const TJobRequest& request, const TSourceFile* file,
                                 int64_t duration) {
    return CutPieces(SplitPieces(request, file, duration), request.CutStart, request.CutEnd,
                     duration);
}

int64_t PieceLength(const TPiece& piece, int64_t duration) {
    if (piece.Length >= 0) {
        return piece.Length;
    }
    return duration > 0 ? std::max<int64_t>(duration - piece.Start, 0) : -1;
}

std::vector<TPiece> CutPieces(std::vector<TPiece> pieces, int64_t cut_start, int64_t cut_end,
                              int64_t duration) {
    const bool cut = cut_start > 0 || cut_end >= 0;
    if (!cut) {
        return pieces;
    }
    const int64_t from = std::max<int64_t>(cut_start, 0);
    int64_t to = cut_end;
    if (to >= 0 && to <= from) {
        throw EJobError("The cut ends at " + TimeText(to) + ", not after its start at " +
                        TimeText(from));
    }
    if (duration > 0 && from >= duration) {
        throw EJobError("The cut starts at " + TimeText(from) + ", past the end of the file (" +
                        TimeText(duration) + ")");
    }
    // A cut that ends past the file's end takes the rest of the file.
    if (duration > 0 && to > duration) {
        to = -1;
    }
    if (pieces.empty()) {
        TPiece whole;
        whole.Start = from;
        whole.Length = to < 0 ? -1 : to - from;
        return {whole};
    }
    pieces = WithinCut(std::move(pieces), from, to);
    if (pieces.empty()) {
        throw EJobError("No piece of the file lies within the cut from " + TimeText(from) + " to " +
                        (to < 0 ? TimeText(duration) : TimeText(to)));
    }
    return pieces;
}

}  // namespace v2m
