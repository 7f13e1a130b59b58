#include "AVProbe.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "FFmpegLoader.h"
#include "Format.h"
#include "MyUtils.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {

namespace {

constexpr const char* kFileNotLoaded = "file not loaded.";
constexpr const char* kLineBreak = "\r\n";
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};
// avcodec_string never writes more than this for one stream.
constexpr int kCodecTextSize = 256;
constexpr int64_t kAspectLimit = 1024 * 1024;

struct TagName {
    const char* key;
    const char* shown;
};

// Tag keys some containers hand over raw, shown under their readable names.
// Searched in this order; the first entry that matches wins.
constexpr TagName kTagNames[] = {
    {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
    {"TCO", "genre"},      {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
    {"TEN", "encoder"},    {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
    {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},      {"TPUB", "publisher"},
    {"TRCK", "track"},     {"TRK", "track"},      {"TSOA", "albumsort"}, {"TSOP", "authorsort"},
    {"TSOT", "titlesort"}, {"TYER", "year"},
};

const char* ShownTagName(const char* key) {
    for (const TagName& name : kTagNames) {
        if (std::strcmp(name.key, key) == 0) {
            return name.shown;
        }
    }
    return key;
}

struct Tag {
    std::string key;
    std::string value;
};

std::vector<Tag> Tags(const AVDictionary* metadata) {
    std::vector<Tag> tags;
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = ff::av_dict_get(metadata, "", tag, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        tags.push_back({tag->key, tag->value != nullptr ? tag->value : ""});
    }
    return tags;
}

void AddTagBlock(std::vector<std::string>& lines, const AVDictionary* metadata,
                 const char* prefix) {
    const std::vector<Tag> tags = Tags(metadata);
    // A language alone is already part of the stream line.
    if (tags.empty() || (tags.size() == 1 && tags.front().key == "language")) {
        return;
    }
    lines.push_back(Format("%sMetadata:", prefix));
    for (const Tag& tag : tags) {
        if (tag.key != "language") {
            lines.push_back(
                Format("%s  %-16s: %s", prefix, ShownTagName(tag.key.c_str()), tag.value.c_str()));
        }
    }
}

// "seconds.microseconds", with the sign in front for times before zero.
std::string SecondsText(int64_t microseconds) {
    const char* sign = microseconds < 0 ? "-" : "";
    const uint64_t magnitude = microseconds < 0 ? 0 - static_cast<uint64_t>(microseconds)
                                                : static_cast<uint64_t>(microseconds);
    return Format("%s%" PRIu64 ".%.6" PRIu64, sign, magnitude / AV_TIME_BASE,
                  magnitude % AV_TIME_BASE);
}

std::string RateText(AVRational rate, const char* unit) {
    const double value = av_q2d(rate);
    const int64_t hundredths = std::llround(value * 100);
    if (hundredths % 100 != 0) {
        return Format(", %3.2f %s", value, unit);
    }
    if (hundredths % 100000 != 0) {
        return Format(", %1.0f %s", value, unit);
    }
    return Format(", %1.0fk %s", value / 1000, unit);
}

bool RatePresent(AVRational rate) {
    return rate.num != 0 && rate.den != 0;
}

// avcodec_string wants a codec context; one filled from the stream's parameters
// and never opened describes the same codec.
std::string CodecText(const AVCodecParameters* parameters) {
    CodecContextPtr context(ff::avcodec_alloc_context3(nullptr));
    if (context == nullptr || ff::avcodec_parameters_to_context(context.get(), parameters) < 0) {
        return {};
    }
    char text[kCodecTextSize] = {};
    ff::avcodec_string(text, sizeof text, context.get(), 0);
    return text;
}

// Reads up to `count` digits at `at`; false when there is not one.
bool ReadDigits(std::string_view text, size_t& at, size_t count, int& value) {
    const size_t start = at;
    value = 0;
    while (at < text.size() && at - start < count && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at > start;
}

bool ReadFixed(std::string_view text, size_t& at, size_t count, int& value) {
    const size_t start = at;
    return ReadDigits(text, at, count, value) && at - start == count;
}

bool Skip(std::string_view text, size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// The offset that ends a time ("Z", "+01:00", "-0130" or none, which reads
// as UTC) in minutes east of UTC; nullopt when it is not one.
std::optional<int> ReadUtcOffset(std::string_view text, size_t& at) {
    if (Skip(text, at, 'Z') || Skip(text, at, 'z') || at == text.size()) {
        return 0;
    }
    const int sign = text[at] == '-' ? -1 : 1;
    if (!Skip(text, at, '+') && !Skip(text, at, '-')) {
        return std::nullopt;
    }
    int hours = 0;
    int rest = 0;
    if (!ReadFixed(text, at, 2, hours)) {
        return std::nullopt;
    }
    Skip(text, at, ':');
    if (at < text.size() && !ReadFixed(text, at, 2, rest)) {
        return std::nullopt;
    }
    return sign * (hours * 60 + rest);
}

// The time after a date ("05:06", "05:06:07.000000+01:00") to the end of the
// text, in seconds from the date's midnight UTC; nullopt when it is not one.
std::optional<int64_t> ReadTimeOfDay(std::string_view text, size_t& at) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ReadFixed(text, at, 2, hour) || !Skip(text, at, ':') || !ReadFixed(text, at, 2, minute)) {
        return std::nullopt;
    }
    if (Skip(text, at, ':') && !ReadFixed(text, at, 2, second)) {
        return std::nullopt;
    }
    if (Skip(text, at, '.') || Skip(text, at, ',')) {
        int ignored = 0;
        if (!ReadDigits(text, at, std::numeric_limits<size_t>::max(), ignored)) {
            return std::nullopt;
        }
    }
    const std::optional<int> offset_minutes = ReadUtcOffset(text, at);
    if (!offset_minutes || at != text.size() || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    return hour * 3600 + minute * 60 + second - *offset_minutes * 60;
}

// An ISO 8601 date-time ("2021-03-04T05:06:07.000000Z", a blank instead of the
// "T", an offset such as "+01:00" or none, which reads as UTC) in seconds since
// 1970-01-01 UTC; 0 when the text is not one.
int64_t CreationTimeSeconds(std::string_view text) {
    size_t at = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ReadFixed(text, at, 4, year) || !Skip(text, at, '-') || !ReadFixed(text, at, 2, month) ||
        !Skip(text, at, '-') || !ReadFixed(text, at, 2, day)) {
        return 0;
    }
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) {
        return 0;
    }
    int64_t time_of_day = 0;
    if (Skip(text, at, 'T') || Skip(text, at, 't') || Skip(text, at, ' ')) {
        const std::optional<int64_t> time = ReadTimeOfDay(text, at);
        if (!time) {
            return 0;
        }
        time_of_day = *time;
    } else if (at != text.size()) {
        return 0;
    }
    const auto days = std::chrono::sys_days(date).time_since_epoch().count();
    return static_cast<int64_t>(days) * 86400 + time_of_day;
}

// The number a tag starts with ("7/12" gives 7, "2019-05-01" gives 2019 with
// four digits at most); 0 when it does not start with one.
int32_t LeadingNumber(const std::string& text, size_t max_digits) {
    size_t at = 0;
    int value = 0;
    return ReadDigits(text, at, max_digits, value) ? value : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomAVProbe

TCustomAVProbe::TCustomAVProbe() = default;

TCustomAVProbe::~TCustomAVProbe() {
    TCustomAVProbe::CloseFile();
}

void TCustomAVProbe::Report(TLogLevel level, const std::string& text) {
    FFLoggerInstance().Log(this, level, text);
    last_error_ = text;
}

void TCustomAVProbe::CheckLibraries() {
    static constexpr struct {
        TLibraryKind kind;
        const char* text;
    } kNeeded[] = {
        {lkAVCodec, "LibAVCodec not loaded."},
        {lkAVFormat, "LibAVFormat not loaded."},
        {lkAVUtil, "LibAVUtil not loaded."},
        {lkSwScale, "LibSwScale not loaded."},
    };
    for (const auto& needed : kNeeded) {
        if (!FFLoader().LibraryLoaded(needed.kind)) {
            throw EAVProbeError(needed.text);
        }
    }
}

bool TCustomAVProbe::LoadFile(const std::string& file_name, const std::string& format_name) {
    return Load(nullptr, file_name, format_name);
}

bool TCustomAVProbe::LoadFromIO(AVIOContext* io, const std::string& name,
                                const std::string& format_name) {
    if (io == nullptr) {
        last_error_ = "No byte stream to read " + name + " from";
        return false;
    }
    return Load(io, name, format_name);
}

bool TCustomAVProbe::Load(AVIOContext* io, const std::string& file_name,
                          const std::string& format_name) {
    CheckLibraries();
    CloseFile();

    const AVInputFormat* format = nullptr;
    if (!format_name.empty()) {
        format = ff::av_find_input_format(format_name.c_str());
        if (format == nullptr) {
            last_error_ = Format("Unknown input format: %s", format_name.c_str());
            return false;
        }
    }

    // The context is made here so that it is non-blocking from the first read
    // of the probing on; the open helper frees it on failure.
    AVFormatContext* opened = ff::avformat_alloc_context();
    if (opened == nullptr) {
        Report(llError, AVErrorText(file_name, AVERROR(ENOMEM)));
        return false;
    }
    opened->flags |= AVFMT_FLAG_NONBLOCK;
    opened->pb = io;
    int result = OpenInputContext(&opened, ToLibraryFileName(file_name), format, nullptr);
    if (result < 0) {
        Report(llError, InputOpenErrorText(file_name, result));
        CloseFile();
        return false;
    }
    owned_context_.reset(opened);
    context_ = opened;

    // Beside every other analysis and codec set-up: the libraries serialise
    // by themselves those that are not safe to run at once.
    result = ff::avformat_find_stream_info(context_, nullptr);
    if (result < 0) {
        last_error_ = Format("%s: could not find codec parameters", file_name.c_str());
        CloseFile();
        return false;
    }
    std::string refusal = SampleRateRefusal(file_name, context_);
    if (refusal.empty() && io == nullptr) {
        refusal = EmptyFileRefusal(file_name);
    }
    if (!refusal.empty()) {
        last_error_ = std::move(refusal);
        CloseFile();
        return false;
    }

    ParseInfo();
    format_name_ = format_name;
    return true;
}

void TCustomAVProbe::CloseFile() {
    format_name_.clear();
    owned_context_.reset();
    context_ = nullptr;
    ParseInfo();
}

void TCustomAVProbe::AttachContext(AVFormatContext* context) {
    CheckLibraries();
    CloseFile();
    context_ = context;
    ParseInfo();
}

void TCustomAVProbe::ParseInfo() {
    file_size_ = -1;
    stream_count_ = -1;
    program_count_ = -1;
    audio_stream_count_ = -1;
    video_stream_count_ = -1;
    subtitle_stream_count_ = -1;
    first_audio_stream_ = -1;
    first_video_stream_ = -1;
    first_subtitle_stream_ = -1;
    if (context_ == nullptr) {
        return;
    }

    int64_t size = context_->pb != nullptr ? ff::avio_size(context_->pb) : 0;
    if (size <= 0) {
        // Unknown to the I/O context (a stream that cannot seek, an I/O context
        // of the caller's): the file on disk may still tell.
        const std::string name = FromLibraryFileName(context_->url);
        size = WideFileExists(name) ? WideFileSize(name) : std::max<int64_t>(size, 0);
    }
    file_size_ = size;

    stream_count_ = static_cast<int32_t>(context_->nb_streams);
    program_count_ = static_cast<int32_t>(context_->nb_programs);
    audio_stream_count_ = 0;
    video_stream_count_ = 0;
    subtitle_stream_count_ = 0;
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        const auto index = static_cast<int32_t>(i);
        switch (context_->streams[i]->codecpar->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                ++video_stream_count_;
                if (first_video_stream_ < 0) {
                    first_video_stream_ = index;
                }
                break;
            case AVMEDIA_TYPE_AUDIO:
                ++audio_stream_count_;
                if (first_audio_stream_ < 0) {
                    first_audio_stream_ = index;
                }
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                ++subtitle_stream_count_;
                if (first_subtitle_stream_ < 0) {
                    first_subtitle_stream_ = index;
                }
                break;
            default:
                break;
        }
    }
}

bool TCustomAVProbe::ReportWhenNothingOpen() {
    if (context_ != nullptr) {
        return false;
    }
    Report(llWarning, kFileNotLoaded);
    return true;
}

std::string TCustomAVProbe::FileName() {
    if (ReportWhenNothingOpen()) {
        return {};
    }
    return FromLibraryFileName(context_->url);
}

void TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info) {
    info = TFileStreamInfo{};
    if (ReportWhenNothingOpen()) {
        return;
    }
    const AVDictionary* tags = context_->metadata;
    info.StartTime = context_->start_time != AV_NOPTS_VALUE ? context_->start_time : -1;
    info.Duration = context_->duration != AV_NOPTS_VALUE ? context_->duration : -1;
    info.BitRate = static_cast<int32_t>(
        std::clamp<int64_t>(context_->bit_rate, 0, std::numeric_limits<int32_t>::max()));
    // The libraries keep these only as tags now.
    info.Timestamp = CreationTimeSeconds(MetadataValue(tags, "creation_time", ""));
    info.Year = LeadingNumber(MetadataValue(tags, "date", ""), 4);
    if (info.Year == 0) {
        info.Year = LeadingNumber(MetadataValue(tags, "year", ""), 4);
    }
    info.Track = LeadingNumber(MetadataValue(tags, "track", ""), 9);
    info.Title = MetadataValue(tags, "title", "");
    // Most demuxers name the author "artist".
    info.Author = MetadataValue(tags, "author", MetadataValue(tags, "artist", ""));
    info.Copyright = MetadataValue(tags, "copyright", "");
    info.Comment = MetadataValue(tags, "comment", "");
    info.Album = MetadataValue(tags, "album", "");
    info.Genre = MetadataValue(tags, "genre", "");
}

std::string TCustomAVProbe::StreamLine(unsigned index) const {
    const AVStream* stream = context_->streams[index];
    const AVCodecParameters* parameters = stream->codecpar;
    const AVRational time_base = stream->time_base;

    std::string line = Format("Stream #%u", index);
    if (context_->iformat != nullptr && (context_->iformat->flags & AVFMT_SHOW_IDS) != 0) {
        line += Format("[0x%x]", static_cast<unsigned>(stream->id));
    }
    const std::string language = MetadataValue(stream->metadata, "language", "");
    if (!language.empty()) {
        line += Format("(%s)", language.c_str());
    }
    int64_t divisor = ff::av_gcd(time_base.num, time_base.den);
    if (divisor == 0) {
        divisor = 1;
    }
    line += Format(", %" PRId64 "/%" PRId64, time_base.num / divisor, time_base.den / divisor);
    line += ": " + CodecText(parameters);

    const AVRational sar = stream->sample_aspect_ratio;
    const AVRational codec_sar = parameters->sample_aspect_ratio;
    if (sar.num != 0 && static_cast<int64_t>(sar.num) * codec_sar.den !=
                            static_cast<int64_t>(codec_sar.num) * sar.den) {
        int dar_num = 0;
        int dar_den = 0;
        ff::av_reduce(&dar_num, &dar_den, static_cast<int64_t>(parameters->width) * sar.num,
                      static_cast<int64_t>(parameters->height) * sar.den, kAspectLimit);
        line = Format("%s, PAR %d:%d DAR %d:%d", line.c_str(), sar.num, sar.den, dar_num, dar_den);
    }

    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (RatePresent(stream->avg_frame_rate)) {
            line += RateText(stream->avg_frame_rate, "fps");
        }
        if (RatePresent(stream->r_frame_rate)) {
            line += RateText(stream->r_frame_rate, "tbr");
        }
        if (RatePresent(time_base)) {
            line += RateText(AVRational{time_base.den, time_base.num}, "tbn");
        }
        // No "tbc": the codec time base stays inside the demuxer since streams
        // no longer carry a codec context, and nothing public reports it.
    }

    if (stream->start_time != AV_NOPTS_VALUE) {
        line += ", StartTime: " +
                SecondsText(ff::av_rescale_q(stream->start_time, time_base, kMicroseconds));
    }
    if (stream->duration == AV_NOPTS_VALUE) {
        line += ", Duration: N/A";
    } else {
        line += ", Duration: " +
                DurationText(ff::av_rescale_q(stream->duration, time_base, kMicroseconds));
    }
    return line;
}

std::string TCustomAVProbe::FileInfoText() {
    if (ReportWhenNothingOpen()) {
        return {};
    }
    TFileStreamInfo info;
    GetFileStreamInfo(info);
    const AVInputFormat* format = context_->iformat;
    auto text_or_empty = [](const char* text) { return text != nullptr ? text : ""; };

    std::vector<std::string> lines;
    lines.push_back(Format("File Name: %s", FileName().c_str()));
    lines.push_back(
        Format("Format Name: %s", format != nullptr ? text_or_empty(format->name) : ""));
    lines.push_back(
        Format("Format Long Name: %s", format != nullptr ? text_or_empty(format->long_name) : ""));
    lines.push_back(Format("File Size: %s", FileSizeText(file_size_).c_str()));
    if (context_->duration == AV_NOPTS_VALUE || context_->duration < 0) {
        lines.emplace_back("Duration: N/A");
    } else {
        lines.push_back(Format("Duration: %s", DurationText(context_->duration).c_str()));
    }
    if (context_->start_time != AV_NOPTS_VALUE && context_->start_time >= 0) {
        lines.push_back("StartTime: " + SecondsText(context_->start_time));
    }
    if (context_->bit_rate < 1) {
        lines.emplace_back("Bit Rate: N/A");
    } else {
        lines.push_back(Format("Bit Rate: %" PRId64 " kb/s", context_->bit_rate / 1000));
    }
    if (info.Timestamp > 0) {
        lines.push_back(
            Format("Time Stamp: %s",
                   DateTimeText("yyyy-mm-dd hh:nn:ss", UnixTimeToLocal(info.Timestamp)).c_str()));
    }
    AddTagBlock(lines, context_->metadata, "");

    std::vector<bool> shown(context_->nb_streams, false);
    for (unsigned p = 0; p < context_->nb_programs; ++p) {
        const AVProgram* program = context_->programs[p];
        lines.push_back(Format("Program %d %s@%s", program->id,
                               MetadataValue(program->metadata, "provider_name", "N/A").c_str(),
                               MetadataValue(program->metadata, "name", "N/A").c_str()));
        AddTagBlock(lines, program->metadata, "  ");
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
            const unsigned index = program->stream_index[k];
            if (index >= context_->nb_streams) {
                continue;
            }
            lines.push_back(StreamLine(index));
            AddTagBlock(lines, context_->streams[index]->metadata, "  ");
            shown[index] = true;
        }
    }
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        if (!shown[i]) {
            lines.push_back(StreamLine(i));
            AddTagBlock(lines, context_->streams[i]->metadata, "  ");
        }
    }

    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += kLineBreak;
        }
        text += lines[i];
    }
    return text;
}

// ---------------------------------------------------------------------------
// TAVProbe

TAVProbe::TAVProbe() = default;

TAVProbe::~TAVProbe() {
    TAVProbe::CloseFile();
}

void TAVProbe::CloseFile() {
    read_position_ = AV_NOPTS_VALUE;
    end_of_file_ = false;
    decoder_.reset();
    packet_.reset();
    TCustomAVProbe::CloseFile();
}

void TAVProbe::ParseInfo() {
    TCustomAVProbe::ParseInfo();
    default_stream_ = FirstVideoStream() >= 0 ? FirstVideoStream() : FirstAudioStream();
    default_start_time_ = 0;
    if (Context() == nullptr) {
        return;
    }
    const int64_t start = default_stream_ >= 0 ? Context()->streams[default_stream_]->start_time
                                               : Context()->start_time;
    default_start_time_ = start != AV_NOPTS_VALUE ? start : 0;
}

}  // namespace v2m
