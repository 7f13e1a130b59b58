#pragma once
// Output names from a template such as "{artist}/{album}/{track:02} {title}".
// The values come from tags and chapter titles that anybody may have written,
// so whatever they hold, the result stays a relative path below the output
// folder whose every part the file system accepts.

#include <cstddef>
#include <map>
#include <string>

namespace v2m {

// What a name template's placeholders stand for, for one output.
struct TNameFields {
    std::string Name;                         // the input file's name without extension
    std::map<std::string, std::string> Tags;  // lower-case keys: title, artist, album,
                                              // album_artist, track, date, genre
    std::string Chapter;                      // the piece's title; empty: not a piece
    int Piece = 0;                            // the piece's number; 0: not a piece
    std::string Profile;                      // the profile's suffix without the dot
};

// Placeholders: {name} {title} {artist} {album} {albumartist} {track} {date}
// {year} {genre} {chapter} {n} {profile}; {track:02} and {n:02} zero-pad the
// number to 1..9 digits; "{{" and "}}" are braces. The first fault as a user
// reads it ("unknown placeholder {foo}", "unclosed {"); empty when sound.
std::string NameTemplateProblem(const std::string& name_template);

// The template filled in: a relative path whose "/" separate sub-folders.
// Missing values fall back to words ("Unknown Artist", "Unknown Album",
// "Unknown Genre", "Unknown Year"), {title} to the file's name, {track} to the
// piece number or the tag's leading number, {chapter} to the title, {n} to 1.
// A value's slashes become "-", control characters and bytes that are not
// UTF-8 become "_"; empty parts are dropped, "." and ".." become "_", spaces
// around a part are trimmed. Folder parts are cut to 255 bytes and the last
// part to `stem_limit` (at most 255), on a character boundary. When nothing is
// left, the file's name. Throws std::invalid_argument with the template's
// fault.
std::string ExpandNameTemplate(const std::string& name_template, const TNameFields& fields,
                               size_t stem_limit = 200);

}  // namespace v2m
