#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "FFmpegLoader.h"

namespace v2m::test {

std::filesystem::path FixturesDir() {
    if (const char* dir = std::getenv("V2M_FIXTURES_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    return V2M_FIXTURES_DIR;
}

std::filesystem::path Fixture(const std::string& name) {
    return FixturesDir() / name;
}

void LoadConverterLibs() {
    TFFmpegLoader& loader = FFLoader();
    ASSERT_TRUE(loader.LoadLibraries(ConverterLibs)) << loader.LastError();
}

std::filesystem::path MakeTempDir(const std::string& stem) {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() /
               ("v2m-" + stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace v2m::test
