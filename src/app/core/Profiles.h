#pragma once
// Conversion profiles and the four audio option lists they preset.
//
// A profile is a small INI file beside the program; the index
// "profiles/profiles.ini" lists them. Both the window and the command-line
// front end read them with LoadProfiles and apply one with ProfileOptions, so
// both see the same lists and the same choices.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace v2m {

inline constexpr const char* kProfilesFolder = "profiles/";
inline constexpr const char* kProfileIndexFile = "profiles.ini";
// More profiles than this in the index are not read.
inline constexpr int32_t kMaxProfileCount = 1000;

struct TConvertProfile {
    std::string ProfileType;  // "Video" keeps the input's pictures; anything else extracts sound
    std::string Caption;
    std::string Ext;  // output extension without the dot, e.g. "mp3"
    bool QualitySwitch = true;
    int32_t QualityIndex = 0;
    bool ChannelsSwitch = true;
    int32_t ChannelsIndex = 0;
    bool BitRatesSwitch = true;
    int32_t BitRatesIndex = 0;
    bool VolumeSwitch = true;
    int32_t VolumeIndex = 0;

    bool operator==(const TConvertProfile&) const = default;
};

// A profile whose outputs carry the input's video as well as its sound.
bool IsVideoProfile(const TConvertProfile& profile);

// Reads one profile file; a missing or unreadable file gives all defaults.
TConvertProfile ReadProfile(const std::string& file_name);

// The profiles listed by "profiles/profiles.ini" in `program_folder` (with or
// without a trailing "/"), in index order. A listed file that is missing is
// still a profile, with the defaults; a missing index gives no profiles.
std::vector<TConvertProfile> LoadProfiles(const std::string& program_folder);

// Index `index` brought into [0, count - 1]; -1 when count is 0.
int ClampIndex(int64_t index, size_t count);

// The Ext of the profile at `index` (clamped to the list); empty without profiles.
std::string ProfileExt(std::span<const TConvertProfile> profiles, int index);

// The four option lists, in the order the window shows them.
enum TOptionList : int { olQuality = 0, olChannels = 1, olBitRates = 2, olVolume = 3 };
inline constexpr int kOptionListCount = 4;

inline constexpr std::array<std::string_view, 6> kQualityItems = {"Auto",  "8000",  "11025",
                                                                  "22050", "44100", "48000"};
inline constexpr std::array<std::string_view, 3> kChannelItems = {"Auto", "Mono", "Stereo"};
inline constexpr std::array<std::string_view, 15> kBitRateItems = {
    "Auto", "32",  "40",  "48",  "56",  "64",  "80", "96",
    "112",  "128", "160", "192", "224", "256", "320"};
inline constexpr std::array<std::string_view, 9> kVolumeItems = {"Auto", "25",  "50",  "75", "100",
                                                                 "125",  "150", "175", "200"};

// The widget name, the label and the items of one list.
struct TOptionListInfo {
    std::string_view Name;
    std::string_view Label;
    std::span<const std::string_view> Items;
};
const TOptionListInfo& OptionListInfo(TOptionList list);

// What applying a profile does to one list: the item it selects (always
// within the list) and whether the user may change it while the profile is
// selected.
struct TOptionListState {
    int ItemIndex = 0;
    bool Switch = true;

    bool operator==(const TOptionListState&) const = default;
};
using TProfileOptions = std::array<TOptionListState, kOptionListCount>;

// The selection of each list for a profile, indexes clamped to their lists.
TProfileOptions ProfileOptions(const TConvertProfile& profile);

}  // namespace v2m
