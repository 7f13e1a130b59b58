#include "JobBuilding.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "AsciiText.h"
#include "AVProbe.h"
#include "CoverPicture.h"
#include "FFmpegLoader.h"
#include "FileList.h"
#include "MyUtils.h"
#include "NameTemplate.h"
#include "SafeFiles.h"
#include "SourceFile.h"
#include "TagCopying.h"

namespace v2m {

namespace {

// The keys of the VCD family are found inside this text, so any part of it
// (even a lone ".") selects a target.
constexpr std::string_view kTargetKeys = ".vcd.svcd.dvd";

// The name without its extension; a dot in a folder name does not count, and
// leading dots go too, so that no output is hidden (".mp4" gives "mp4").
std::string WithoutExtensionOrLeadingDots(const std::string& path) {
    const size_t name = path.rfind('/') + 1;  // 0 without a folder
    const size_t first = std::min(path.find_first_not_of('.', name), path.size());
    const std::string stem = path.substr(0, name) + path.substr(first);
    const size_t dot = stem.rfind('.');
    return dot == std::string::npos || dot < name ? stem : stem.substr(0, dot);
}

// The per-extension settings, in the order they are tested. Returns the suffix.
std::string ApplyExtensionSettings(const std::string& key, TOutputOptions& options) {
    if (key == ".ogg") {
        options.AudioCodec = "libvorbis";
        options.VideoCodec = "libtheora";
    } else if (key == ".psp") {
        options.FileFormat = "psp";
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "aac";
        options.AudioSampleRate = 24000;
        options.FrameRate = "15000/1001";
        return "_psp.mp4";
    } else if (key == ".ipod") {
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "aac";
        options.FrameSize = "320x240";
        return "_ipod.mp4";
    } else if (key == ".rm10") {
        options.VideoCodec = "rv10";
        return "_rv10.rm";
    } else if (key == ".rm20") {
        options.VideoCodec = "rv20";
        return "_rv20.rm";
    } else if (key == ".mp4") {
        // The container's own defaults.
    } else if (key == ".wmv") {
        options.VideoCodec = "wmv2";
        options.AudioCodec = "wmav2";
    } else if (key == ".mkv") {
        options.VideoCodec = "libx264";
        options.VideoPreset = "libx264-default";
    } else if (key == ".wma") {
        options.DisableVideo = true;
        options.AudioCodec = "wmav2";
    } else if (key == ".3gp") {
        // The container's usual AMR-NB encoder is not in the shipped
        // libraries; AAC is the other sound codec every 3GP player knows.
        options.AudioCodec = "aac";
        options.AudioChannels = 1;
        options.AudioSampleRate = 8000;
        options.AudioBitrate = 7400;
        options.FrameSize = "128x96";
    } else if (kTargetKeys.find(key) != std::string_view::npos) {
        options.TargetType = key == ".vcd" ? 1 : key == ".svcd" ? 2 : 3;
        options.TargetDefaultNorm = 1;
        const char* norm = options.TargetNorm == 1   ? "_pal.mpg"
                           : options.TargetNorm == 2 ? "_ntsc.mpg"
                                                     : "_auto.mpg";
        return "_" + key.substr(1) + norm;
    }
    return key;
}

bool NameTaken(const std::string& name, const std::set<std::string>& batch_names) {
    // A folder or a link (even a dangling one) is someone's as much as a
    // file is; a partial name in use means another run is writing it.
    for (const std::string& path : {name, PartialName(name)}) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            return true;
        }
        // Any other name in the folder would fail alike: say why at once.
        if (errno != ENOENT) {
            throw EJobError(path + ": " + SystemErrorText(errno));
        }
    }
    return batch_names.contains(name);
}

// How far before a piece's start its input is read from.
constexpr int64_t kPieceReadAhead = 3'000'000;

// The pieces of a split are named after the file, their number and title
// unless the user names them otherwise.
constexpr const char* kPieceNameTemplate = "{name} - {n:02} - {chapter}";

std::string OutputFolderOf(const TJobRequest& request) {
    return request.SameFolderAsInput ? WideExtractFilePath(request.SourceFileName)
                                     : WideIncludeTrailingBackslash(request.OutputFolder);
}

TNameFields NameFieldsOf(const TJobRequest& request, const TSourceTagInfo* source,
                         const std::string& suffix) {
    TNameFields fields;
    fields.Name = WithoutExtensionOrLeadingDots(WideExtractFileName(request.SourceFileName));
    if (source != nullptr) {
        for (const auto& [key, value] : source->Tags) {
            fields.Tags[key] = value;
        }
    }
    if (request.Piece && !request.Piece->Title.empty()) {
        fields.Chapter = request.Piece->Title;
        fields.Piece = request.Piece->Number;
    }
    const size_t dot = suffix.rfind('.');
    fields.Profile = dot == std::string::npos ? suffix : suffix.substr(dot + 1);
    return fields;
}

// The folder and the stem of the output's name before any numbering; the
// stem is shortened where the file system would refuse it.
std::pair<std::string, std::string> PlanName(const TJobRequest& request, const std::string& suffix,
                                             const TSourceTagInfo* source) {
    std::string folder = OutputFolderOf(request);
    std::string name_template = request.NameTemplate;
    if (name_template.empty() && request.Piece && !request.Piece->Title.empty()) {
        name_template = kPieceNameTemplate;
    }
    std::string stem;
    if (name_template.empty()) {
        stem = WithoutExtensionOrLeadingDots(WideExtractFileName(request.SourceFileName));
    } else {
        try {
            stem = ExpandNameTemplate(name_template, NameFieldsOf(request, source, suffix));
        } catch (const std::invalid_argument& error) {
            throw EJobError(std::string("File name template: ") + error.what());
        }
        if (const size_t slash = stem.rfind('/'); slash != std::string::npos) {
            folder += stem.substr(0, slash + 1);
            stem.erase(0, slash + 1);
        }
    }
    if (!FitFileName(folder, stem, suffix)) {
        throw EJobError("File name too long: " + folder + stem + suffix);
    }
    return {folder, stem};
}

// A file by that name that nothing is writing any more, with something in it.
bool CompleteFileExists(const std::string& name) {
    struct stat st {};
    struct stat partial {};
    return ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
           ::lstat(PartialName(name).c_str(), &partial) != 0;
}

// The output's name: the input's (or the template's), in the output folder,
// with the suffix; shortened where the file system would refuse it, numbered
// where it is taken. With SkipExisting, a complete file of the name is
// taken for the output itself and `already_done` set.
std::string ChooseOutputName(const TJobRequest& request, const std::string& suffix,
                             std::set<std::string>& batch_names, const TSourceTagInfo* source,
                             bool* already_done = nullptr) {
    const auto [folder, stem] = PlanName(request, suffix, source);
    const std::string base = folder + stem;
    std::string name = base + suffix;
    if (request.SkipExisting && already_done != nullptr && !batch_names.contains(name) &&
        CompleteFileExists(name)) {
        *already_done = true;
        batch_names.insert(name);
        return name;
    }
    for (int n = 1; NameTaken(name, batch_names); ++n) {
        if (n == kMostAlternatives) {
            throw EJobError("No free output name: " + base + suffix + " and " +
                            std::to_string(n - 1) + " numbered names are taken");
        }
        name = base + "_(new_" + std::to_string(n) + ")" + suffix;
    }
    batch_names.insert(name);
    return name;
}

// The audio codec the output gets when the record names none: the muxer's own.
std::string DefaultAudioCodec(const std::string& file_name, const TOutputOptions& options) {
    if (!options.AudioCodec.empty()) {
        return options.AudioCodec;
    }
    const AVOutputFormat* muxer =
        ff::av_guess_format(options.FileFormat.empty() ? nullptr : options.FileFormat.c_str(),
                            file_name.c_str(), nullptr);
    if (muxer == nullptr || muxer->audio_codec == AV_CODEC_ID_NONE) {
        return "";
    }
    return ff::avcodec_get_name(muxer->audio_codec);
}

// Encoder names stand for their codec: "libvorbis" writes "vorbis".
std::string CodecOfEncoderName(const std::string& name) {
    if (name == "libvorbis") {
        return "vorbis";
    }
    if (name == "libmp3lame") {
        return "mp3";
    }
    if (name == "libopus") {
        return "opus";
    }
    return name;
}

bool IsMp4Family(const std::string& file_name) {
    const AVOutputFormat* muxer = ff::av_guess_format(nullptr, file_name.c_str(), nullptr);
    if (muxer == nullptr) {
        return false;
    }
    const std::string_view format = muxer->name;
    return format == "mp4" || format == "ipod" || format == "mov" || format == "3gp" ||
           format == "psp";
}

bool ListsAllAuto(const TJobRequest& request) {
    return request.Channel.Index == 0 && request.SampleRate.Index == 0 &&
           request.Volume.Index == 0 && request.BitRate.Index == 0;
}

}  // namespace

std::string OutputStreamMaps(const TJobRequest& request) {
    if (request.AudioStream < 0) {
        return "";
    }
    // The engine makes the video stream before the audio one.
    std::string maps;
    if (request.KeepVideo && request.VideoStream >= 0) {
        maps += "map=0:" + std::to_string(request.VideoStream) + "\n";
    }
    maps += "map=0:" + std::to_string(request.AudioStream) + "\n";
    return maps;
}

bool AudioCopyPossible(const TJobRequest& request) {
    if (!request.CopyAudioWhenPossible || request.KeepVideo || request.NormalizeLoudness ||
        request.FixedGain || request.Piece || request.AudioCodecName.empty() ||
        !ListsAllAuto(request)) {
        return false;
    }
    TOutputOptions fixed;
    const std::string key = ExtensionKey(request.ProfileExt);
    const std::string suffix = ApplyExtensionSettings(key, fixed);
    if (fixed.AudioChannels > 0 || fixed.AudioSampleRate > 0 || fixed.AudioBitrate > 0 ||
        fixed.TargetType != 0) {
        return false;
    }
    return CodecOfEncoderName(DefaultAudioCodec("x" + suffix, fixed)) == request.AudioCodecName;
}

TProfileNeeds ProfileNeeds(const std::string& profile_ext, bool keep_video) {
    TOutputOptions options;
    const std::string suffix = ApplyExtensionSettings(ExtensionKey(profile_ext), options);
    TProfileNeeds needs;
    // The disc targets choose their own container and codecs.
    static constexpr const char* kTargets[][3] = {
        {"vcd", "mpeg1video", "mp2"}, {"svcd", "mpeg2video", "mp2"}, {"dvd", "mpeg2video", "ac3"}};
    std::string audio = options.AudioCodec;
    std::string video = options.VideoCodec;
    std::string format = options.FileFormat;
    if (options.TargetType >= 1 && options.TargetType <= 3) {
        const auto& target = kTargets[options.TargetType - 1];
        format = target[0];
        video = target[1];
        audio = target[2];
    }
    const AVOutputFormat* muxer = ff::av_guess_format(format.empty() ? nullptr : format.c_str(),
                                                      ("x" + suffix).c_str(), nullptr);
    if (muxer == nullptr) {
        needs.Missing.push_back("no muxer for " + (format.empty() ? suffix : format));
        return needs;
    }
    needs.Muxer = muxer->name;
    auto encoder = [&](const std::string& name, AVCodecID fallback, const char* kind) {
        if (name.empty() && fallback == AV_CODEC_ID_NONE) {
            return std::string();  // the container takes none of that kind
        }
        const AVCodec* codec = !name.empty() ? ff::avcodec_find_encoder_by_name(name.c_str())
                               : fallback != AV_CODEC_ID_NONE ? ff::avcodec_find_encoder(fallback)
                                                              : nullptr;
        if (codec == nullptr) {
            needs.Missing.push_back(std::string("no ") + kind + " encoder " +
                                    (!name.empty() ? name : ff::avcodec_get_name(fallback)));
            return std::string();
        }
        return std::string(codec->name);
    };
    needs.AudioEncoder = encoder(audio, muxer->audio_codec, "audio");
    if (keep_video) {
        needs.VideoEncoder = encoder(video, muxer->video_codec, "video");
    }
    return needs;
}

std::string ExtensionKey(const std::string& ext) {
    return "." + LowerCaseAscii(ext);
}

int32_t OptionItemValue(const std::string& item, int32_t fallback) {
    std::string_view text = item;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return fallback;
    }
    return value;
}

int32_t VolumeOfPercent(int32_t percent) {
    // 256 per 100 keeps "100" at the source's level, as the list promises.
    return static_cast<int32_t>(static_cast<int64_t>(percent) * 256 / 100);
}

int32_t VolumeOfGain(double gain) {
    const double volume = 256.0 * std::pow(10.0, std::clamp(gain, -60.0, 60.0) / 20.0);
    return std::max(1, static_cast<int32_t>(std::floor(volume)));
}

TInputOptions BuildInputOptions(const TJobRequest& request) {
    TInputOptions options;
    options.FileName = request.SourceFileName;
    options.FileFormat = request.SourceFormatName;
    // An audio job never decodes the input's pictures.
    if (!request.KeepVideo) {
        options.ExtOptions = "vn=1";
    }
    // A piece is read from a little before its start: the decoders need the
    // blocks before to give the first of the piece right.
    if (request.Piece && request.Piece->Start > kPieceReadAhead) {
        options.StartTime = request.Piece->Start - kPieceReadAhead;
    }
    return options;
}

TOutputOptions BuildOutputOptions(const TJobRequest& request, std::set<std::string>& batch_names,
                                  const TSourceTagInfo* source, bool* already_done) {
    TOutputOptions options;
    const std::string key = ExtensionKey(request.ProfileExt);
    if (request.Channel.Index > 0) {
        options.AudioChannels = request.Channel.Index;
    }
    // PCM containers take the source's rate.
    if (request.SampleRate.Index > 0 && key != ".au" && key != ".wav") {
        options.AudioSampleRate = OptionItemValue(request.SampleRate.Item, 22050);
    }
    if (request.FixedGain) {
        options.AudioVolume = VolumeOfGain(*request.FixedGain);
    } else if (request.Volume.Index > 0 && !request.NormalizeLoudness) {
        options.AudioVolume = VolumeOfPercent(OptionItemValue(request.Volume.Item, 100));
    }
    if (request.BitRate.Index > 0) {
        options.AudioBitrate = OptionItemValue(request.BitRate.Item, 64) * 1000;
    }
    // Normalising sets the volume itself, from what its first pass measures.
    if (request.NormalizeLoudness && !request.FixedGain) {
        char target[32] = {};
        const auto written = std::to_chars(target, target + sizeof target, request.LoudnessTarget);
        options.ExtOptions += (options.ExtOptions.empty() ? "" : "\n") +
                              std::string("loudness_target=") + std::string(target, written.ptr);
    }
    // After the lists, so that a container's fixed settings win.
    const std::string suffix = ApplyExtensionSettings(key, options);

    options.FileName = ChooseOutputName(request, suffix, batch_names, source, already_done);
    options.DisableSubtitle = true;
    if (request.Piece) {
        // Counted from where the input is read, to the sample.
        const int64_t read_from = BuildInputOptions(request).StartTime;
        const int64_t skip = request.Piece->Start - (read_from == kNoTime ? 0 : read_from);
        if (skip > 0) {
            options.StartTime = skip;
        }
        if (request.Piece->Length >= 0) {
            options.RecordingTime = request.Piece->Length;
        }
    }

    if (AudioCopyPossible(request)) {
        options.AudioCodec = "copy";
        // ADTS headers (raw AAC, MPEG-TS) have no place in an MP4 family file;
        // the filter passes packets without them through.
        if (request.AudioCodecName == "aac" && IsMp4Family(options.FileName)) {
            options.ExtOptions += "absf=aac_adtstoasc\n";
        }
    }
    return options;
}

namespace {

void AppendOptionLines(std::string& options, const std::string& lines) {
    if (!lines.empty()) {
        options += options.empty() ? lines : "\n" + lines;
    }
}

// A frame of the video as a picture file of the job's own, opened as the
// task's second input; false when there is none.
bool AddVideoFrameCover(const TJobRequest& request, const TSourceTagInfo& source, TJob& job) {
    const std::string maps = SecondInputCoverMapLines(request, source);
    if (maps.empty()) {
        return false;
    }
    const std::optional<TCoverImage> frame =
        GrabVideoFrame(request.SourceFileName, request.SourceFormatName);
    std::shared_ptr<TCoverFolder> folder =
        frame ? std::shared_ptr<TCoverFolder>(TCoverFolder::Create()) : nullptr;
    const std::string file = folder ? folder->Write("cover.jpg", frame->Data) : std::string();
    if (file.empty()) {
        return false;
    }
    TInputOptions picture;
    picture.FileName = file;
    // Read as a single picture: a file name is never taken as a pattern.
    picture.FileFormat = "jpeg_pipe";
    // The engine hands the size of the input before to the next one's
    // demuxer; a JPEG decoder given a taller frame than its own takes the
    // picture for one field of an interlaced frame.
    picture.ExtOptions = "s=" + std::to_string(frame->Width) + "x" + std::to_string(frame->Height) +
                         "\npix_fmt=yuvj420p";
    job.MoreInputs.push_back(picture);
    job.MadeFiles = std::move(folder);
    job.Input.ExtOptions.clear();
    AppendOptionLines(job.Output.ExtOptions, maps);
    return true;
}

// Ogg keeps no picture stream: the cover goes into its comments.
void AddCoverComment(const TJobRequest& request, const TSourceFile* file,
                     const TSourceTagInfo& source, TJob& job) {
    std::optional<TCoverImage> cover;
    if (source.CoverStream >= 0 && file != nullptr) {
        // The picture's bytes are not kept with the file's row (a list of
        // thousands would hold thousands of pictures): read when needed.
        cover = ReadAttachedPicture(file->FileName, file->FormatName, source.CoverStream);
    } else if (request.CoverFromVideo) {
        cover = GrabVideoFrame(request.SourceFileName, request.SourceFormatName);
    }
    if (cover) {
        AppendOptionLines(job.Output.ExtOptions,
                          "metadata=METADATA_BLOCK_PICTURE=" + PictureBlockBase64(*cover));
    }
}

// The input's tags and cover picture, as far as the output can keep them.
// True when a cover took its place among the output's streams, with maps for
// every stream.
bool AddTagsAndCover(const TJobRequest& request, const TSourceFile* file, TSourceTagInfo source,
                     TJob& job) {
    const bool comment = OutputTakesCoverComment(request);
    if (!request.CopyTags && !OutputKeepsCover(request) && !comment) {
        return false;
    }
    if (source.CoverStream >= 0 && (comment || OutputKeepsCover(request))) {
        // Copied as it is, a damaged picture would fail the whole file.
        const std::string& problem = file->CoverProblem;
        if (!problem.empty()) {
            job.Warning = std::string(kCoverLeftOutWarning) + problem;
            source.CoverStream = -1;
        }
    }
    AppendOptionLines(job.Output.ExtOptions, TagOptionLines(request, source));
    if (comment) {
        AddCoverComment(request, file, source, job);
        return false;
    }
    const std::string cover = CoverMapLines(request, source);
    if (!cover.empty()) {
        // The picture stream is read from the input, so the input's pictures
        // stay on; the maps leave its moving pictures unread.
        job.Input.ExtOptions.clear();
        AppendOptionLines(job.Output.ExtOptions, cover);
        return true;
    }
    if (request.CoverFromVideo && source.CoverStream < 0) {
        return AddVideoFrameCover(request, source, job);
    }
    return false;
}

// A piece's audio is not the file's: the file's loudness would mislead a
// player about every piece.
const std::vector<std::pair<std::string, std::string>>& GainTagsOf(const TJobRequest& request) {
    static const std::vector<std::pair<std::string, std::string>> kNone;
    if (!request.Piece) {
        return request.GainTags;
    }
    const auto own =
        std::find_if(request.PieceGainTags.begin(), request.PieceGainTags.end(),
                     [&piece = *request.Piece](const TStretchGainTags& stretch) {
                         return stretch.Start == piece.Start && stretch.Length == piece.Length;
                     });
    return own != request.PieceGainTags.end() ? own->Tags : kNone;
}

// The MP4 family's muxer drops tags it has no atom for: those go in after.
void AddGainTags(const TJobRequest& request, TJob& job) {
    const std::vector<std::pair<std::string, std::string>>& tags = GainTagsOf(request);
    if (tags.empty()) {
        return;
    }
    if (IsMp4Family(job.Output.FileName)) {
        job.FreeformTags = tags;
        return;
    }
    for (const auto& [key, value] : tags) {
        AppendOptionLines(job.Output.ExtOptions, "metadata=" + key + "=" + value);
    }
}

bool ReadsSourceFile(const TJobRequest& request) {
    return request.CopyTags || OutputKeepsCover(request) || OutputTakesCoverComment(request) ||
           !request.NameTemplate.empty() || (request.Piece && !request.Piece->Title.empty());
}

// The folders a name template adds below the output folder.
void MakeNamedFolders(const TJobRequest& request, const std::string& output) {
    const std::string base = OutputFolderOf(request);
    const std::string folder = WideExtractFilePath(output);
    if (folder != base) {
        if (const std::string error = MakeTreeFolder(base, folder); !error.empty()) {
            throw EJobError(error);
        }
    }
}

}  // namespace

TJob BuildJob(const TJobRequest& request, std::set<std::string>& batch_names,
              const TSourceFile* read) {
    // What the caller read of the file, else the file read here once for all
    // that is taken of it. An unreadable file gives nothing to copy.
    TSourcePtr probed;
    const TSourceFile* file = read;
    if (file == nullptr && ReadsSourceFile(request)) {
        TAVProbe probe;
        std::string error;
        probed = ProbeSource(probe, request.SourceFileName, error, request.SourceFormatName);
        file = probed.get();
    }
    const TSourceTagInfo source =
        TagsOfPiece(request, file != nullptr ? file->Tags : TSourceTagInfo{});
    TJob job;
    job.OutputFolder = request.SameFolderAsInput
                           ? request.OutputFolder
                           : WideIncludeTrailingBackslash(request.OutputFolder);
    job.Input = BuildInputOptions(request);
    job.Output = BuildOutputOptions(request, batch_names, &source, &job.AlreadyDone);
    if (job.AlreadyDone) {
        return job;
    }
    MakeNamedFolders(request, job.Output.FileName);
    AddGainTags(request, job);
    // A cover maps the chosen track itself, after the picture.
    if (!AddTagsAndCover(request, file, source, job)) {
        AppendOptionLines(job.Output.ExtOptions, OutputStreamMaps(request));
    }
    return job;
}

std::vector<TPlannedOutput> PlanOutputs(const TJobRequest& request, const TSourceFile* file,
                                        int64_t duration, std::set<std::string>& batch_names) {
    std::vector<TPiece> pieces = PiecesOfFile(request, file, duration);
    std::vector<std::optional<TPiece>> stretches(pieces.begin(), pieces.end());
    if (stretches.empty()) {
        stretches.emplace_back();
    }
    const TSourceTagInfo tags = file != nullptr ? file->Tags : TSourceTagInfo{};
    std::vector<TPlannedOutput> plan;
    for (std::optional<TPiece>& piece : stretches) {
        TJobRequest one = request;
        one.Piece = std::move(piece);
        const TSourceTagInfo source = TagsOfPiece(one, tags);
        TPlannedOutput output;
        output.FileName =
            BuildOutputOptions(one, batch_names, &source, &output.AlreadyDone).FileName;
        output.Copied = AudioCopyPossible(one);
        output.Piece = std::move(one.Piece);
        plan.push_back(std::move(output));
    }
    return plan;
}

}  // namespace v2m
