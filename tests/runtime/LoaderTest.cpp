#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "Assertions.h"
#include "FFmpegApi.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "SDLApi.h"
#include "TestSupport.h"
#include "UnicodeProtocol.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;

const TLibraryKind kAllKinds[] = {lkAVCodec, lkAVDevice, lkAVFilter, lkAVFormat,  lkAVUtil,
                                  lkSwScale, lkMSVCRT,   lkSDL,      lkSwResample};

// Each test starts from a loader with nothing loaded and default file names.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        TFFmpegLoader& loader = FFLoader();
        for (TLibraryKind kind : kAllKinds) {
            loader.UnloadLib(kind);
            loader.SetLibFileName(kind, "");
        }
        loader.SetLibraryPath("");
    }
    static void ExpectNoneLoaded(TLibraryKinds kinds) {
        for (TLibraryKind kind : kAllKinds) {
            if (kinds.Contains(kind)) {
                EXPECT_FALSE(FFLoader().LibraryLoaded(kind)) << FFLoader().LibFileName(kind);
                EXPECT_EQ(FFLoader().Status(kind).Handle, nullptr);
            }
        }
    }
};

TEST_F(LoaderTest, SetsAndDefaultFileNamesFollowTheHeaders) {
    EXPECT_EQ(ConverterLibs.Bits(), 0x17Du);
    EXPECT_EQ(PlayerLibs.Bits(), 0x1FDu);
    EXPECT_FALSE(ConverterLibs.Contains(lkAVDevice));
    EXPECT_FALSE(PlayerLibs.Contains(lkAVDevice));

    const std::map<TLibraryKind, std::string> expected = {
        {lkAVCodec, "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR)},
        {lkAVDevice, "libavdevice.so." + std::to_string(LIBAVDEVICE_VERSION_MAJOR)},
        {lkAVFilter, "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR)},
        {lkAVFormat, "libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR)},
        {lkAVUtil, "libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR)},
        {lkSwScale, "libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR)},
        {lkMSVCRT, "libc.so.6"},
        {lkSDL, "libSDL2-2.0.so.0"},
        {lkSwResample, "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR)},
    };
    for (const auto& [kind, name] : expected) {
        EXPECT_EQ(FFLoader().LibFileName(kind), name);
    }
    FFLoader().SetLibFileName(lkAVCodec, "/opt/x/libavcodec.so");
    EXPECT_EQ(FFLoader().LibFileName(lkAVCodec), "/opt/x/libavcodec.so");
}

TEST_F(LoaderTest, LoadsBothSetsFromTheSystemAndBindsMatchingVersions) {
    TFFmpegLoader& loader = FFLoader();
    ASSERT_TRUE(loader.LoadLibraries(ConverterLibs)) << loader.LastError();
    EXPECT_TRUE(loader.LibrariesLoaded(ConverterLibs));
    EXPECT_FALSE(loader.LibrariesLoaded(PlayerLibs));
    EXPECT_FALSE(loader.LibraryLoaded(lkAVDevice));

    // The bound library must be the one the headers describe.
    const std::vector<std::pair<unsigned, unsigned>> versions = {
        {ff::avcodec_version() >> 16, LIBAVCODEC_VERSION_MAJOR},
        {ff::avformat_version() >> 16, LIBAVFORMAT_VERSION_MAJOR},
        {ff::avutil_version() >> 16, LIBAVUTIL_VERSION_MAJOR},
        {ff::avfilter_version() >> 16, LIBAVFILTER_VERSION_MAJOR},
        {ff::swscale_version() >> 16, LIBSWSCALE_VERSION_MAJOR},
        {ff::swresample_version() >> 16, LIBSWRESAMPLE_VERSION_MAJOR},
    };
    for (const auto& [bound, header] : versions) {
        EXPECT_EQ(bound, header);
    }
    EXPECT_EQ(ff::SDL_GetVersion, nullptr);

    ASSERT_TRUE(loader.LoadLibraries(PlayerLibs)) << loader.LastError();
    EXPECT_TRUE(loader.LibrariesLoaded(PlayerLibs));
    SDL_version sdl{};
    ff::SDL_GetVersion(&sdl);
    EXPECT_EQ(sdl.major, 2);
}

TEST_F(LoaderTest, SecondLoadBindsNothingButReinstallsTheLogCallback) {
    TFFmpegLoader& loader = FFLoader();
    ASSERT_TRUE(loader.LoadLibraries(ConverterLibs)) << loader.LastError();
    EXPECT_FALSE(RegisterUnicodeProtocol()) << "binding avformat registers the URL form";
    std::map<TLibraryKind, void*> handles;
    for (TLibraryKind kind : kAllKinds) {
        handles[kind] = loader.Status(kind).Handle;
    }
    auto open_input = ff::avformat_open_input;

    std::vector<std::string> lines;
    TFFLogger& logger = FFLoggerInstance();
    logger.SetTriggerEventInMainThread(false);
    logger.SetOnLog([&](TFFBaseComponent*, uint32_t, TLogLevel, const std::string& msg) {
        lines.push_back(msg);
    });
    ff::av_log_set_callback(ff::av_log_default_callback);
    ff::av_log(nullptr, AV_LOG_ERROR, "lost\n");
    EXPECT_TRUE(lines.empty());

    ASSERT_TRUE(loader.LoadLibraries(ConverterLibs)) << loader.LastError();
    for (TLibraryKind kind : kAllKinds) {
        EXPECT_EQ(loader.Status(kind).Handle, handles[kind]);
    }
    EXPECT_EQ(ff::avformat_open_input, open_input);
    ff::av_log(nullptr, AV_LOG_ERROR, "found\n");
    EXPECT_EQ(lines, std::vector<std::string>{"found"});
    EXPECT_FALSE(RegisterUnicodeProtocol());
    logger.SetOnLog(nullptr);
}

TEST_F(LoaderTest, NonLibraryFileInTheFolderFailsTheWholeSet) {
    const fs::path dir = test::MakeTempDir("libav-broken");
    const std::string file = FFLoader().LibFileName(lkAVCodec);
    std::ofstream(dir / file) << "this is not a shared object\n";

    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(dir.string());
    EXPECT_FALSE(loader.LoadLibraries(ConverterLibs));
    const std::string expected = "Load library " + (dir / file).string() + " error: ";
    EXPECT_EQ(loader.LastError().substr(0, expected.size()), expected);
    EXPECT_GT(loader.LastError().size(), expected.size()) << "the system's message follows";
    ExpectNoneLoaded(ConverterLibs);
    fs::remove_all(dir);
}

TEST_F(LoaderTest, MissingRequiredFunctionNamesTheFunctionAndTheFile) {
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibFileName(lkAVCodec, V2M_FAKE_MEDIA_LIBRARY);
    EXPECT_FALSE(loader.LoadLib(lkAVCodec));
    // The list binds in order: the first name exists, the second does not.
    const std::string expected =
        std::string("Load function avcodec_find_encoder@") + V2M_FAKE_MEDIA_LIBRARY + " error: ";
    EXPECT_EQ(loader.LastError().substr(0, expected.size()), expected) << loader.LastError();
    EXPECT_NE(loader.LastError().find("undefined symbol", expected.size()), std::string::npos)
        << "the system's message follows: " << loader.LastError();
    EXPECT_FALSE(loader.Status(lkAVCodec).Bound);
    EXPECT_EQ(loader.Status(lkAVCodec).Handle, nullptr);
    EXPECT_EQ(ff::avcodec_version, nullptr) << "a failed library is unbound";
}

TEST_F(LoaderTest, FailedPlayerLoadUndoesOnlyWhatItLoaded) {
    struct Case {
        const char* name;
        bool converter_ready_before;
    };
    for (const Case& c : {Case{"from nothing", false}, Case{"conversion set ready", true}}) {
        SCOPED_TRACE(c.name);
        Reset();
        TFFmpegLoader& loader = FFLoader();
        if (c.converter_ready_before) {
            ASSERT_TRUE(loader.LoadLibraries(ConverterLibs)) << loader.LastError();
        }
        loader.SetLibFileName(lkSDL, "libv2m-no-such-sdl.so.0");
        EXPECT_FALSE(loader.LoadLibraries(PlayerLibs));
        EXPECT_EQ(loader.LastError().rfind("Load library libv2m-no-such-sdl.so.0 error: ", 0), 0u)
            << loader.LastError();
        EXPECT_FALSE(loader.LibraryLoaded(lkSDL));
        EXPECT_EQ(loader.LibrariesLoaded(ConverterLibs), c.converter_ready_before);
        if (!c.converter_ready_before) {
            ExpectNoneLoaded(ConverterLibs);
        }
    }
}

TEST_F(LoaderTest, EmptyOrMissingFolderFallsBackToTheSystem) {
    for (const std::string& folder : {std::string(), test::MakeTempDir("libav-empty").string(),
                                      std::string("/nonexistent/v2m/LibAV")}) {
        SCOPED_TRACE(folder);
        Reset();
        FFLoader().SetLibraryPath(folder);
        EXPECT_TRUE(FFLoader().LoadLibraries(ConverterLibs)) << FFLoader().LastError();
    }
}

// While a use holds libraries, no way of unloading them goes through and
// their slots stay bound; a library outside every use still unloads, and once
// the last use has ended the held ones do too.
TEST_F(LoaderTest, LibrariesInUseStayBoundUntilTheirLastUseEnds) {
    TFFmpegLoader& loader = FFLoader();
    ASSERT_TRUE(loader.LoadLibraries(PlayerLibs)) << loader.LastError();
    const std::vector<std::pair<const char*, std::function<bool()>>> unloads = {
        {"one library", [&] { return loader.UnloadLib(lkAVCodec); }},
        {"the set in use", [&] { return loader.UnloadLibraries(ConverterLibs); }},
        {"a larger set", [&] { return loader.UnloadLibraries(PlayerLibs); }},
    };
    auto earlier = std::make_unique<TLibraryUse>(ConverterLibs);
    auto later = std::make_unique<TLibraryUse>(ConverterLibs);
    for (const char* holders : {"two uses", "one use"}) {
        for (const auto& [name, unload] : unloads) {
            SCOPED_TRACE(std::string(holders) + ", " + name);
            EXPECT_FALSE(unload());
            EXPECT_EQ(loader.LastError(), kUnloadWhileInUseError);
            EXPECT_TRUE(loader.LibrariesLoaded(PlayerLibs));
            EXPECT_NE(ff::avcodec_version, nullptr);
            EXPECT_EQ(ff::avcodec_version() >> 16, unsigned{LIBAVCODEC_VERSION_MAJOR});
        }
        earlier.reset();
    }
    EXPECT_TRUE(loader.UnloadLib(lkSDL)) << loader.LastError();
    EXPECT_EQ(ff::SDL_GetVersion, nullptr);
    EXPECT_TRUE(loader.LibrariesLoaded(ConverterLibs));

    later.reset();
    EXPECT_TRUE(loader.UnloadLibraries(ConverterLibs)) << loader.LastError();
    ExpectNoneLoaded(ConverterLibs);
    EXPECT_EQ(ff::avcodec_version, nullptr);
}

TEST_F(LoaderTest, EmptySetIsAnAssertion) {
    const TLibraryKinds empty;
    auto expect_assertion = [](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no assertion";
        } catch (const AssertionFailure& e) {
            EXPECT_STREQ(e.what(), "Assertion failure");
            EXPECT_EQ(e.Source(), "FFmpegLoader");
        }
    };
    expect_assertion([&] { FFLoader().LoadLibraries(empty); });
    expect_assertion([&] { FFLoader().LibrariesLoaded(empty); });
    expect_assertion([&] { FFLoader().UnloadLibraries(empty); });
}

// Slots for the generic binding tests, typed like real ones.
int (*g_present)() = nullptr;
int (*g_missing)() = nullptr;
int* g_counter = nullptr;
int* g_no_data = nullptr;

TEST(BindEntriesTest, OptionalNamesMayBeMissingRequiredOnesMayNot) {
    void* handle = ::dlopen(V2M_FAKE_MEDIA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    const EntryPoint present_and_optional[] = {
        {"v2m_fake_present", [](void* p) { g_present = reinterpret_cast<int (*)()>(p); }, kRequired,
         false},
        {"v2m_fake_missing", [](void* p) { g_missing = reinterpret_cast<int (*)()>(p); }, kOptional,
         false},
        {"v2m_fake_counter", [](void* p) { g_counter = static_cast<int*>(p); }, kRequired, true},
    };
    EXPECT_NO_THROW(BindEntries(present_and_optional, "fake.so", handle));
    ASSERT_NE(g_present, nullptr);
    EXPECT_EQ(g_present(), 42);
    EXPECT_EQ(g_missing, nullptr);
    ASSERT_NE(g_counter, nullptr);
    EXPECT_EQ(*g_counter, 7);

    struct Case {
        EntryPoint entry;
        std::string message_start;
    };
    const Case cases[] = {
        {{"v2m_fake_gone", [](void* p) { g_missing = reinterpret_cast<int (*)()>(p); }, kRequired,
          false},
         "Load function v2m_fake_gone@fake.so error: "},
        {{"v2m_fake_no_data", [](void* p) { g_no_data = static_cast<int*>(p); }, kRequired, true},
         "Load variable v2m_fake_no_data@fake.so error: "},
    };
    for (const Case& c : cases) {
        try {
            BindEntries(std::span(&c.entry, 1), "fake.so", handle);
            ADD_FAILURE() << c.entry.name << " bound";
        } catch (const LoadError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message_start.size()), c.message_start);
        }
    }
    UnbindEntries(present_and_optional);
    EXPECT_EQ(g_present, nullptr);
    EXPECT_EQ(g_counter, nullptr);
    ::dlclose(handle);
}

// The path of the system's copy of a library, found through the loader itself.
std::string SystemPathOf(const std::string& soname, const char* symbol) {
    void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return {};
    }
    Dl_info info{};
    void* address = ::dlsym(handle, symbol);
    std::string path;
    if (address != nullptr && ::dladdr(address, &info) != 0 && info.dli_fname != nullptr) {
        path = fs::canonical(info.dli_fname).string();
    }
    ::dlclose(handle);
    return path;
}

// Every loaded object whose file name is one of `sonames`, by name.
std::map<std::string, std::vector<std::string>> LoadedObjects() {
    std::map<std::string, std::vector<std::string>> objects;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& out = *static_cast<std::map<std::string, std::vector<std::string>>*>(data);
            if (info->dlpi_name != nullptr && *info->dlpi_name != '\0') {
                const fs::path path(info->dlpi_name);
                out[path.filename().string()].push_back(path.string());
            }
            return 0;
        },
        &objects);
    return objects;
}

// Loads the conversion set from a folder of symlinks to, or copies of, the
// system's libraries; returns 0 when every library the folder holds was taken
// from there exactly once.
int LoadFromFolderAndCheck(bool copies) {
    const std::vector<std::pair<std::string, const char*>> libraries = {
        {"libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR), "avutil_version"},
        {"libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR), "swresample_version"},
        {"libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR), "swscale_version"},
        {"libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR), "avcodec_version"},
        {"libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR), "avformat_version"},
        {"libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR), "avfilter_version"},
        {"libpostproc.so.56", "postproc_version"},
    };
    const fs::path dir = test::MakeTempDir(copies ? "libav-copies" : "libav-links");
    for (const auto& [soname, symbol] : libraries) {
        const std::string source = SystemPathOf(soname, symbol);
        if (source.empty()) {
            continue;  // not every build has every optional library
        }
        if (copies) {
            fs::copy_file(source, dir / soname);
        } else {
            fs::create_symlink(source, dir / soname);
        }
    }
    FFLoader().SetLibraryPath(dir.string());
    if (!FFLoader().LoadLibraries(ConverterLibs)) {
        std::fprintf(stderr, "load failed: %s\n", FFLoader().LastError().c_str());
        return 2;
    }
    const auto objects = LoadedObjects();
    int status = 0;
    for (const auto& [soname, symbol] : libraries) {
        if (!fs::exists(dir / soname)) {
            continue;
        }
        auto found = objects.find(soname);
        const size_t count = found == objects.end() ? 0 : found->second.size();
        if (count != 1 || fs::path(found->second.front()).parent_path() != dir) {
            std::fprintf(stderr, "%s loaded %zu times, first from %s\n", soname.c_str(), count,
                         count ? found->second.front().c_str() : "-");
            status = 3;
        }
    }
    fs::remove_all(dir);
    return status;
}

// Runs in a fresh child process, so that no earlier test has the system's
// copies loaded already.
TEST(LoaderFolderTest, DependenciesComeFromTheFolderOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool copies : {false, true}) {
        SCOPED_TRACE(copies ? "copies" : "symlinks");
        EXPECT_EXIT(std::_Exit(LoadFromFolderAndCheck(copies)), ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
}  // namespace v2m
