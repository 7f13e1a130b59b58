#include "SourceFile.h"

#include <sys/stat.h>

#include "AVProbe.h"
#include "CoverPicture.h"
#include "FFmpegLoader.h"
#include "SafeFiles.h"

namespace v2m {

namespace {

constexpr AVRational kMicrosecondBase{1, 1000000};

// The file's chapters on its own timeline, which begins at 0.
std::vector<TChapterMark> ChaptersOf(const AVFormatContext& file) {
    const int64_t origin = file.start_time != AV_NOPTS_VALUE ? file.start_time : 0;
    std::vector<TChapterMark> marks;
    for (unsigned i = 0; i < file.nb_chapters; ++i) {
        const AVChapter* chapter = file.chapters[i];
        TChapterMark mark;
        mark.Start =
            ff::av_rescale_q(chapter->start, chapter->time_base, kMicrosecondBase) - origin;
        mark.End = ff::av_rescale_q(chapter->end, chapter->time_base, kMicrosecondBase) - origin;
        if (const AVDictionaryEntry* title =
                ff::av_dict_get(chapter->metadata, "title", nullptr, 0);
            title != nullptr && title->value != nullptr) {
            mark.Title = title->value;
        }
        marks.push_back(std::move(mark));
    }
    return marks;
}

int FirstMovingPictures(const AVFormatContext& file) {
    for (unsigned i = 0; i < file.nb_streams; ++i) {
        const AVStream* stream = file.streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TSourceFile SourceFileOf(TCustomAVProbe& probe) {
    const AVFormatContext& file = *probe.Context();
    TSourceFile source;
    source.FileName = probe.FileName();
    source.FormatName = probe.FormatName();
    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    source.Duration = info.Duration;
    source.FileSize = probe.FileSize();
    source.AudioTracks = AudioTracksOf(&file);
    source.VideoStream = FirstMovingPictures(file);
    source.Chapters = ChaptersOf(file);
    source.Tags = SourceTagInfoOf(&file);
    if (source.Tags.CoverStream >= 0) {
        // Decoded now, while the file is open: a damaged picture copied as it
        // is would fail the whole conversion.
        source.CoverProblem = AttachedPictureProblem(file, source.Tags.CoverStream);
    }
    return source;
}

}  // namespace

TFileStamp FileStampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    return {static_cast<int64_t>(st.st_size), ModifiedNanoseconds(st)};
}

TSourcePtr ProbeSource(TCustomAVProbe& probe, const std::string& path, std::string& error,
                       const std::string& format_name) {
    // Taken first: a file written to while it is read then looks changed.
    const TFileStamp stamp = FileStampOf(path);
    try {
        if (!probe.LoadFile(path, format_name)) {
            error = probe.LastError();
            return nullptr;
        }
        auto source = std::make_shared<TSourceFile>(SourceFileOf(probe));
        source->Stamp = stamp;
        probe.CloseFile();
        return source;
    } catch (const EAVProbeError& failure) {
        error = failure.what();
        probe.CloseFile();
        return nullptr;
    }
}

bool SourceStillCurrent(const TSourceFile& source) {
    return source.Stamp.Size >= 0 && FileStampOf(source.FileName) == source.Stamp;
}

}  // namespace v2m
