// --doctor: what this machine gives the program, for a user who asks why a
// profile fails and for whoever helps them.
#include "CliDoctor.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>

#include "FFmpegLoader.h"
#include "FileList.h"
#include "Format.h"
#include "JobBuilding.h"
#include "MyUtils.h"
#include "SDLApi.h"
#include "Settings.h"

namespace v2m::cli {

namespace {

// The file the library was loaded from, as the system's loader resolved it.
std::string LoadedFrom(void* handle) {
    link_map* map = nullptr;
    if (handle == nullptr || ::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        map->l_name == nullptr) {
        return "?";
    }
    return map->l_name;
}

std::string VersionText(unsigned version) {
    return Format("%u.%u.%u", version >> 16, (version >> 8) & 0xffu, version & 0xffu);
}

void PrintLibraries() {
    struct TLine {
        TLibraryKind Kind;
        const char* Name;
        unsigned (*Version)();
    };
    const TLine lines[] = {
        {lkAVUtil, "avutil", [] { return ff::avutil_version(); }},
        {lkAVCodec, "avcodec", [] { return ff::avcodec_version(); }},
        {lkAVFormat, "avformat", [] { return ff::avformat_version(); }},
        {lkAVFilter, "avfilter", [] { return ff::avfilter_version(); }},
        {lkSwScale, "swscale", [] { return ff::swscale_version(); }},
        {lkSwResample, "swresample", [] { return ff::swresample_version(); }},
    };
    std::printf("Media libraries:\n");
    for (const TLine& line : lines) {
        const TLibraryStatus status = FFLoader().Status(line.Kind);
        if (!FFLoader().LibraryLoaded(line.Kind)) {
            std::printf("  %-10s missing (%s)\n", line.Name,
                        FFLoader().LibFileName(line.Kind).c_str());
            continue;
        }
        std::printf("  %-10s %-10s %s\n", line.Name, VersionText(line.Version()).c_str(),
                    LoadedFrom(status.Handle).c_str());
    }
    if (!FFLoader().LibraryLoaded(lkSDL)) {
        std::printf("  %-10s missing (%s): no preview\n", "SDL2",
                    FFLoader().LibFileName(lkSDL).c_str());
        return;
    }
    SDL_version version{};
    ff::SDL_GetVersion(&version);
    std::printf("  %-10s %-10s %s\n", "SDL2",
                Format("%d.%d.%d", version.major, version.minor, version.patch).c_str(),
                LoadedFrom(FFLoader().Status(lkSDL).Handle).c_str());
    std::string drivers;
    for (int n = 0; n < ff::SDL_GetNumAudioDrivers(); ++n) {
        drivers += (n == 0 ? "" : ", ") + std::string(ff::SDL_GetAudioDriver(n));
    }
    std::printf("SDL audio drivers: %s\n", drivers.empty() ? "none" : drivers.c_str());
}

}  // namespace

int RunDoctor(const std::vector<TConvertProfile>& profiles) {
    FFLoader().SetLibraryPath(ProgramFolder() + "LibAV");
    FFLoader().LoadLibraries(ConverterLibs);
    FFLoader().LoadLib(lkSDL);
    PrintLibraries();
    bool all_work = FFLoader().LibrariesLoaded(ConverterLibs);
    std::printf("Profiles (%s%s):\n", DataFolder().c_str(), kProfilesFolder);
    if (profiles.empty()) {
        std::printf("  none\n");
        all_work = false;
    }
    for (const TConvertProfile& profile : profiles) {
        if (!FFLoader().LibrariesLoaded(ConverterLibs)) {
            break;
        }
        const TProfileNeeds needs = ProfileNeeds(profile.Ext, IsVideoProfile(profile));
        std::string uses = needs.Muxer + ": " + needs.AudioEncoder;
        if (!needs.VideoEncoder.empty()) {
            uses += ", " + needs.VideoEncoder;
        }
        std::string verdict = "ok";
        if (!needs.Missing.empty()) {
            all_work = false;
            verdict.clear();
            for (const std::string& missing : needs.Missing) {
                verdict += (verdict.empty() ? "cannot work: " : "; ") + missing;
            }
        }
        std::printf("  %-5s %-44s %-28s %s\n", profile.Ext.c_str(), profile.Caption.c_str(),
                    uses.c_str(), verdict.c_str());
    }
    const TEnvironment env = ProcessEnvironment();
    std::printf("Settings: %s%s\n", SettingsFolderPath(env).c_str(), kSettingsFileName);
    std::printf("State:    %s\n", StateFolder(env).c_str());
    return all_work ? 0 : 1;
}

}  // namespace v2m::cli
