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

}  // namespace v2m::test
