#include "TagCopying.h"

#include <algorithm>
#include <string_view>

#include "AVProbe.h"
#include "MyUtils.h"

namespace v2m {

namespace {

// One option per line: a line break in a value would end the option early.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

std::string FileNameStem(const std::string& path) {
    std::string name = WideExtractFileName(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return OneLine(name);
}

// The file's tags, else those its audio track carries (some containers
// keep them with the track).
std::vector<std::pair<std::string, std::string>> ContentTags(const AVDictionary* file,
                                                             const AVDictionary* track) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (const char* key : kContentTags) {
        // Keys are matched without regard to case, as the containers differ.
        const AVDictionaryEntry* entry = ff::av_dict_get(file, key, nullptr, 0);
        if (entry == nullptr) {
            entry = ff::av_dict_get(track, key, nullptr, 0);
        }
        if (entry != nullptr && entry->value != nullptr && entry->value[0] != '\0') {
            tags.emplace_back(key, entry->value);
        }
    }
    return tags;
}

}  // namespace

TSourceTagInfo SourceTagInfoOf(const AVFormatContext* context) {
    TSourceTagInfo info;
    if (context == nullptr) {
        return info;
    }
    info.Readable = true;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const auto index = static_cast<int>(i);
        const bool picture = (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && picture && info.CoverStream < 0 &&
            stream->attached_pic.size > 0) {
            info.CoverStream = index;
        }
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
            (info.DefaultAudio < 0 ||
             ((stream->disposition & AV_DISPOSITION_DEFAULT) != 0 &&
              (context->streams[info.DefaultAudio]->disposition & AV_DISPOSITION_DEFAULT) == 0))) {
            info.DefaultAudio = index;
        }
    }
    info.Tags = ContentTags(context->metadata, info.DefaultAudio >= 0
                                                   ? context->streams[info.DefaultAudio]->metadata
                                                   : nullptr);
    info.HasTitle = !info.Tags.empty() && info.Tags.front().first == "title";
    return info;
}

TSourceTagInfo TagsOfPiece(const TJobRequest& request, TSourceTagInfo source) {
    if (!request.Piece || request.Piece->Title.empty() || !source.Readable) {
        return source;
    }
    const TPiece& piece = *request.Piece;
    std::string album = FileNameStem(request.SourceFileName);
    std::vector<std::pair<std::string, std::string>> kept;
    for (auto& [key, value] : source.Tags) {
        if (key == "title") {
            album = value;
        } else if (key != "album" && key != "track" &&
                   !(key == "artist" && !piece.Performer.empty())) {
            kept.emplace_back(key, std::move(value));
        }
    }
    std::vector<std::pair<std::string, std::string>> tags;
    // In the order of kContentTags, as the file's own are.
    for (const char* key : kContentTags) {
        const std::string_view name = key;
        if (name == "title") {
            tags.emplace_back(key, piece.Title);
        } else if (name == "album") {
            tags.emplace_back(key, album);
        } else if (name == "artist" && !piece.Performer.empty()) {
            tags.emplace_back(key, piece.Performer);
        } else if (name == "track") {
            tags.emplace_back(key,
                              std::to_string(piece.Number) + "/" + std::to_string(piece.Total));
        } else if (auto found = std::find_if(kept.begin(), kept.end(),
                                             [&](const auto& tag) { return tag.first == name; });
                   found != kept.end()) {
            tags.push_back(std::move(*found));
        }
    }
    source.Tags = std::move(tags);
    source.HasTitle = true;
    return source;
}

std::string TagOptionLines(const TJobRequest& request, const TSourceTagInfo& source) {
    if (!request.CopyTags || !source.Readable) {
        return {};
    }
    // Named one by one rather than all copied: a container's own tags
    // (brands, versions, the writing program) describe no song.
    std::string lines;
    for (const auto& [key, value] : source.Tags) {
        lines +=
            (lines.empty() ? "" : "\n") + std::string("metadata=") + key + "=" + OneLine(value);
    }
    if (!source.HasTitle) {
        lines += (lines.empty() ? "" : "\n") + std::string("metadata=title=") +
                 FileNameStem(request.SourceFileName);
    }
    // ID3v2.4 text frames are still unread by many car stereos and players.
    if (ExtensionKey(request.ProfileExt) == ".mp3") {
        lines += "\nid3v2_version=3";
    }
    return lines;
}

bool OutputKeepsCover(const TJobRequest& request) {
    const std::string key = ExtensionKey(request.ProfileExt);
    return !request.KeepVideo && (key == ".mp3" || key == ".m4a" || key == ".flac");
}

bool OutputTakesCoverComment(const TJobRequest& request) {
    const std::string key = ExtensionKey(request.ProfileExt);
    return !request.KeepVideo && (key == ".ogg" || key == ".opus");
}

namespace {

std::string PictureThenAudioMaps(const TJobRequest& request, const TSourceTagInfo& source,
                                 const std::string& picture) {
    const int audio = request.AudioStream >= 0 ? request.AudioStream : source.DefaultAudio;
    if (!OutputKeepsCover(request) || audio < 0) {
        return {};
    }
    // The picture is taken as it is: re-encoding a cover only loses quality.
    return "vn=0\nvcodec=copy\nmap=" + picture + "\nmap=0:" + std::to_string(audio);
}

}  // namespace

std::string CoverMapLines(const TJobRequest& request, const TSourceTagInfo& source) {
    if (source.CoverStream < 0) {
        return {};
    }
    return PictureThenAudioMaps(request, source, "0:" + std::to_string(source.CoverStream));
}

std::string SecondInputCoverMapLines(const TJobRequest& request, const TSourceTagInfo& source) {
    return PictureThenAudioMaps(request, source, "1:0");
}

}  // namespace v2m
