#include "AudioTracks.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "AsciiText.h"
#include "FFmpegLoader.h"
#include "SourceFile.h"

namespace v2m {

namespace {

// What a copy would carry over as it is: a header with no rate or channels,
// or a FLAC stream description without rate or block size, gives an output no
// player decodes, while the decoder reads the frames' own headers.
bool CopyableParameters(const AVCodecParameters& audio) {
    if (audio.sample_rate <= 0 || audio.ch_layout.nb_channels <= 0) {
        return false;
    }
    if (audio.codec_id != AV_CODEC_ID_FLAC) {
        return true;
    }
    constexpr int kStreamInfoSize = 34;
    const uint8_t* info = audio.extradata;
    int size = audio.extradata_size;
    if (size >= 8 + kStreamInfoSize &&
        std::string_view(reinterpret_cast<const char*>(info), 4) == "fLaC") {
        info += 8;  // the marker and the block's own header
        size -= 8;
    }
    if (info == nullptr || size < kStreamInfoSize) {
        return false;
    }
    const int min_block = (info[0] << 8) | info[1];
    const int max_block = (info[2] << 8) | info[3];
    const int rate = (info[10] << 12) | (info[11] << 4) | (info[12] >> 4);
    return min_block >= 16 && max_block >= min_block && rate > 0;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Files tag a language by its three-letter code, in either of its two forms
// (bibliographic "ger", terminological "deu"); people often type the
// two-letter one. Each row lists the forms that mean the same language.
constexpr std::array<std::array<std::string_view, 3>, 38> kLanguageForms = {{
    {"en", "eng", "eng"}, {"de", "ger", "deu"}, {"fr", "fre", "fra"}, {"es", "spa", "spa"},
    {"it", "ita", "ita"}, {"pt", "por", "por"}, {"nl", "dut", "nld"}, {"ru", "rus", "rus"},
    {"ja", "jpn", "jpn"}, {"zh", "chi", "zho"}, {"ko", "kor", "kor"}, {"ar", "ara", "ara"},
    {"hi", "hin", "hin"}, {"tr", "tur", "tur"}, {"pl", "pol", "pol"}, {"sv", "swe", "swe"},
    {"da", "dan", "dan"}, {"fi", "fin", "fin"}, {"no", "nor", "nor"}, {"hu", "hun", "hun"},
    {"he", "heb", "heb"}, {"uk", "ukr", "ukr"}, {"cs", "cze", "ces"}, {"el", "gre", "ell"},
    {"fa", "per", "fas"}, {"ro", "rum", "ron"}, {"sk", "slo", "slk"}, {"hy", "arm", "hye"},
    {"ka", "geo", "kat"}, {"is", "ice", "isl"}, {"mk", "mac", "mkd"}, {"ms", "may", "msa"},
    {"my", "bur", "mya"}, {"sq", "alb", "sqi"}, {"eu", "baq", "eus"}, {"cy", "wel", "cym"},
    {"bo", "tib", "bod"}, {"mi", "mao", "mri"},
}};

bool SameLanguage(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    for (const auto& forms : kLanguageForms) {
        const bool has_a = std::find(forms.begin(), forms.end(), a) != forms.end();
        if (has_a && std::find(forms.begin(), forms.end(), b) != forms.end()) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<TAudioTrack> AudioTracksOf(const AVFormatContext* context) {
    std::vector<TAudioTrack> tracks;
    if (context == nullptr) {
        return tracks;
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        TAudioTrack track;
        track.StreamIndex = static_cast<int>(i);
        const AVDictionaryEntry* language =
            ff::av_dict_get(stream->metadata, "language", nullptr, 0);
        track.Language =
            language != nullptr && language->value[0] != '\0' ? language->value : "und";
        track.Codec = ff::avcodec_get_name(par->codec_id);
        char layout[128] = {};
        if (par->ch_layout.nb_channels > 0 &&
            ff::av_channel_layout_describe(&par->ch_layout, layout, sizeof layout) > 0) {
            track.Layout = layout;
        }
        track.SampleRate = par->sample_rate;
        track.Channels = par->ch_layout.nb_channels;
        track.Default = (stream->disposition & AV_DISPOSITION_DEFAULT) != 0;
        track.Copyable = CopyableParameters(*par);
        tracks.push_back(std::move(track));
    }
    return tracks;
}

int DefaultAudioTrack(const std::vector<TAudioTrack>& tracks) {
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].Default) {
            return static_cast<int>(i);
        }
    }
    return tracks.empty() ? -1 : 0;
}

int TrackOfStream(const std::vector<TAudioTrack>& tracks, int stream_index) {
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].StreamIndex == stream_index) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TrackOfLanguage(const std::vector<TAudioTrack>& tracks, const std::string& language) {
    const std::string wanted = LowerCaseAscii(language);
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (SameLanguage(LowerCaseAscii(tracks[i].Language), wanted)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string AudioTrackText(const std::vector<TAudioTrack>& tracks, int track, bool copied) {
    if (track < 0 || static_cast<size_t>(track) >= tracks.size()) {
        return "none";
    }
    const TAudioTrack& t = tracks[static_cast<size_t>(track)];
    std::string text = std::to_string(track + 1) + ": " + t.Language + " " + Upper(t.Codec);
    if (!t.Layout.empty()) {
        text += " " + t.Layout;
    }
    if (copied) {
        text += " copy";
    }
    return text;
}

int ChosenAudioTrack(const std::vector<TAudioTrack>& tracks, const TJobRequest& request) {
    if (request.AudioStream >= 0) {
        if (const int track = TrackOfStream(tracks, request.AudioStream); track >= 0) {
            return track;
        }
    }
    return DefaultAudioTrack(tracks);
}

void ResolveAudioTrack(const TSourceFile* file, TJobRequest& request) {
    const std::vector<TAudioTrack> none;
    const std::vector<TAudioTrack>& tracks = file != nullptr ? file->AudioTracks : none;
    const int track = ChosenAudioTrack(tracks, request);
    request.AudioCodecName.clear();
    request.VideoStream = -1;
    if (track < 0) {
        request.AudioStream = -1;
        return;
    }
    const TAudioTrack& chosen = tracks[static_cast<size_t>(track)];
    // One track: the engine finds it without a map, as it always did.
    request.AudioStream = tracks.size() > 1 || request.AudioStream >= 0 ? chosen.StreamIndex : -1;
    if (chosen.Copyable) {
        request.AudioCodecName = chosen.Codec;  // else re-encoded, never copied
    }
    if (request.KeepVideo) {
        request.VideoStream = file->VideoStream;
    }
}

}  // namespace v2m
