#include "Profiles.h"

#include <algorithm>

#include "Format.h"
#include "IniFile.h"
#include "MyUtils.h"

namespace v2m {

bool IsVideoProfile(const TConvertProfile& profile) {
    return SameTextAscii(profile.ProfileType, "Video");
}

TConvertProfile ReadProfile(const std::string& file_name) {
    const TIniFile ini(file_name);
    TConvertProfile profile;
    profile.ProfileType = ini.ReadString(kGeneralSection, "ProfileType", profile.ProfileType);
    profile.Caption = ini.ReadString(kGeneralSection, "Caption", profile.Caption);
    profile.Ext = ini.ReadString(kGeneralSection, "Ext", profile.Ext);
    profile.QualitySwitch = ini.ReadBool(kGeneralSection, "QualitySwitch", profile.QualitySwitch);
    profile.QualityIndex = ini.ReadInteger(kGeneralSection, "QualityIndex", profile.QualityIndex);
    profile.ChannelsSwitch =
        ini.ReadBool(kGeneralSection, "ChannelsSwitch", profile.ChannelsSwitch);
    profile.ChannelsIndex =
        ini.ReadInteger(kGeneralSection, "ChannelsIndex", profile.ChannelsIndex);
    profile.BitRatesSwitch =
        ini.ReadBool(kGeneralSection, "BitRatesSwitch", profile.BitRatesSwitch);
    profile.BitRatesIndex =
        ini.ReadInteger(kGeneralSection, "BitRatesIndex", profile.BitRatesIndex);
    profile.VolumeSwitch = ini.ReadBool(kGeneralSection, "VolumeSwitch", profile.VolumeSwitch);
    profile.VolumeIndex = ini.ReadInteger(kGeneralSection, "VolumeIndex", profile.VolumeIndex);
    return profile;
}

std::vector<TConvertProfile> LoadProfiles(const std::string& program_folder) {
    const std::string folder = WideIncludeTrailingBackslash(program_folder) + kProfilesFolder;
    const TIniFile index(folder + kProfileIndexFile);
    // A damaged count must not keep start-up reading the index for minutes.
    const int32_t count =
        std::min(index.ReadInteger(kGeneralSection, "ProfileCount", 0), kMaxProfileCount);
    // Every name is read before any profile, as the index is one file and the
    // profiles are many.
    std::vector<std::string> files;
    for (int32_t i = 0; i < count; ++i) {
        files.push_back(folder + index.ReadString(kGeneralSection, Format("Profile%d", i), ""));
    }
    std::vector<TConvertProfile> profiles;
    profiles.reserve(files.size());
    for (const std::string& file : files) {
        profiles.push_back(ReadProfile(file));
    }
    return profiles;
}

int ClampIndex(int64_t index, size_t count) {
    if (count == 0) {
        return -1;
    }
    return static_cast<int>(std::clamp<int64_t>(index, 0, static_cast<int64_t>(count) - 1));
}

std::string ProfileExt(std::span<const TConvertProfile> profiles, int index) {
    const int at = ClampIndex(index, profiles.size());
    return at < 0 ? std::string() : profiles[static_cast<size_t>(at)].Ext;
}

const TOptionListInfo& OptionListInfo(TOptionList list) {
    static const std::array<TOptionListInfo, kOptionListCount> kLists = {{
        {"cmbQuality", "Quality", kQualityItems},
        {"cmbChannel", "Channels", kChannelItems},
        {"cmbBitRates", "Bit Rates (Kbps)", kBitRateItems},
        {"cmbVolume", "Volume (%)", kVolumeItems},
    }};
    return kLists[static_cast<size_t>(list)];
}

TProfileOptions ProfileOptions(const TConvertProfile& profile) {
    const auto state = [](TOptionList list, int32_t index, bool enabled) {
        return TOptionListState{ClampIndex(index, OptionListInfo(list).Items.size()), enabled};
    };
    TProfileOptions options;
    options[olQuality] = state(olQuality, profile.QualityIndex, profile.QualitySwitch);
    options[olChannels] = state(olChannels, profile.ChannelsIndex, profile.ChannelsSwitch);
    options[olBitRates] = state(olBitRates, profile.BitRatesIndex, profile.BitRatesSwitch);
    options[olVolume] = state(olVolume, profile.VolumeIndex, profile.VolumeSwitch);
    return options;
}

}  // namespace v2m
