#pragma once
// Cover pictures made at job building: the input's own attached picture read
// as it is, or a frame of its video turned into a small JPEG; and the forms
// an output takes them in.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SafeFiles.h"

struct AVFormatContext;

namespace v2m {

// An encoded picture (JPEG or PNG) and what a picture block records of it.
struct TCoverImage {
    std::string Data;
    std::string MimeType;  // "image/jpeg", "image/png"
    int Width = 0;
    int Height = 0;
};

// The bytes of the attached picture in stream `stream` of an open input;
// none when there is none or it is of a kind players do not show.
std::optional<TCoverImage> ReadAttachedPicture(const AVFormatContext& file, int stream);
// The same of a file not open yet.
std::optional<TCoverImage> ReadAttachedPicture(const std::string& file_name,
                                               const std::string& format_name, int stream);

// The largest cover taken over from an input: a bigger one is more likely
// damaged or hostile than a picture anyone wants to see beside a song.
inline constexpr int kMaxCoverSide = 4096;               // pixels
inline constexpr int kMaxCoverBytes = 16 * 1024 * 1024;  // encoded

// Why the input's attached picture in stream `stream` cannot be an output's
// cover ("it does not decode as a picture", "it is 20000x16 pixels, more than
// 4096 a side", ...); empty when it can.
std::string AttachedPictureProblem(const AVFormatContext& file, int stream);

// The first picture at or after 10 % of the video's duration, scaled to at
// most `longest_side` pixels on its longer side as it is displayed (square
// pixels), encoded as a full-range JPEG. None when the file has no moving
// pictures or nothing decodes.
std::optional<TCoverImage> GrabVideoFrame(const std::string& file_name,
                                          const std::string& format_name, int longest_side = 600);

// The picture as the base64 text of a FLAC picture block (a front cover),
// the form Vorbis and Opus comments carry pictures in.
std::string PictureBlockBase64(const TCoverImage& image);

// A folder of our own under the system's temporary folder, created empty and
// exclusively; what it holds is ours only, and goes with it.
class TCoverFolder {
public:
    // Null when no folder could be made.
    static std::unique_ptr<TCoverFolder> Create();
    ~TCoverFolder();
    TCoverFolder(const TCoverFolder&) = delete;
    TCoverFolder& operator=(const TCoverFolder&) = delete;

    // Writes a new file of that name; its path, or empty on failure.
    std::string Write(const std::string& name, const std::string& data);
    const std::string& Path() const { return path_; }

private:
    explicit TCoverFolder(std::string path) : path_(std::move(path)) {}
    std::string path_;
    std::vector<TCreatedFile> files_;
};

}  // namespace v2m
