#pragma once
// Shared helpers of the test programs.

#include <filesystem>
#include <string>

namespace v2m::test {

// Where the fixture generator wrote the generated media.
std::filesystem::path FixturesDir();
std::filesystem::path Fixture(const std::string& name);

// Loads the conversion set from the system; fails the test with the loader's
// message when it cannot.
void LoadConverterLibs();

// A fresh, empty folder under the build's temporary area, removed by the caller
// (or left for inspection when a test fails).
std::filesystem::path MakeTempDir(const std::string& stem);

// A fresh temporary folder, removed with everything in it when the owner goes.
class TempDir {
public:
    explicit TempDir(const std::string& stem) : path_(MakeTempDir(stem)) {}
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace v2m::test
