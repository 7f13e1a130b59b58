#pragma once
// Helpers of the application core tests: scratch folders, whole-file text and
// a made-up environment.

#include <filesystem>
#include <map>
#include <string>

#include "Settings.h"

namespace v2m::test {

// A fresh folder, removed with everything in it when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& stem);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path as text, with a trailing "/".
    std::string Folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

void WriteText(const std::filesystem::path& path, const std::string& text);
// The file's bytes; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

// An environment with just these variables set.
TEnvironment EnvironmentOf(std::map<std::string, std::string> variables);

}  // namespace v2m::test
