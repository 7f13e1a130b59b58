// Profiles read from real index and profile files, their defaults, what
// applying one does to the option lists, and the profiles the program ships.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "CoreTestSupport.h"
#include "IniFile.h"
#include "Profiles.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::WriteText;

// A program folder holding "profiles/" with the given files.
class ProgramFolder {
public:
    ProgramFolder() : dir_("profiles") { fs::create_directories(dir_.Path() / "profiles"); }
    void Write(const std::string& name, const std::string& text) const {
        WriteText(dir_.Path() / "profiles" / name, text);
    }
    std::string Path() const { return dir_.Path().string(); }

private:
    ScratchDir dir_;
};

TEST(ProfileTest, MissingKeysTakeTheirDefaults) {
    ProgramFolder program;
    struct Case {
        const char* what;
        std::string text;  // empty: no file at all
        TConvertProfile expected;
    };
    TConvertProfile partial;
    partial.Caption = "Partial";
    partial.Ext = "ogg";
    partial.QualitySwitch = false;
    partial.BitRatesIndex = 3;
    TConvertProfile full{"Audio", "Full", "wav", false, 1, false, 2, false, 3, false, 4};
    const Case cases[] = {
        {"no file", "", TConvertProfile{}},
        {"empty file", "\n", TConvertProfile{}},
        {"other section only", "[Other]\nCaption=X\nExt=mp3\n", TConvertProfile{}},
        {"some keys", "[General]\nCaption=Partial\next=ogg\nQualitySwitch=0\nBitRatesIndex=3\n",
         partial},
        {"non-numeric values", "[General]\nQualitySwitch=no\nQualityIndex=x\nVolumeSwitch=\n",
         TConvertProfile{}},
        {"every key",
         "[General]\nProfileType=Audio\nCaption=Full\nExt=wav\nQualitySwitch=0\nQualityIndex=1\n"
         "ChannelsSwitch=0\nChannelsIndex=2\nBitRatesSwitch=0\nBitRatesIndex=3\n"
         "VolumeSwitch=0\nVolumeIndex=4\n",
         full},
    };
    for (const Case& c : cases) {
        const std::string name = std::string(c.what) + ".ini";
        if (!c.text.empty()) {
            program.Write(name, c.text);
        }
        EXPECT_EQ(ReadProfile(program.Path() + "/profiles/" + name), c.expected) << c.what;
    }
}

TEST(LoadProfilesTest, FollowsTheIndex) {
    struct Case {
        const char* what;
        std::string index;  // empty: no index file
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"no index", "", {}},
        {"count 0", "[General]\nProfileCount=0\nProfile0=a.ini\n", {}},
        {"count missing", "[General]\nProfile0=a.ini\n", {}},
        {"negative count", "[General]\nProfileCount=-2\nProfile0=a.ini\n", {}},
        {"in index order",
         "[General]\nProfileCount=2\nProfile0=b.ini\nProfile1=a.ini\n",
         {"B", "A"}},
        {"count below the entries",
         "[General]\nProfileCount=1\nProfile0=a.ini\nProfile1=b.ini\n",
         {"A"}},
        // A listed file that is missing, or an entry that is missing, is still a profile.
        {"missing file and entry",
         "[General]\nProfileCount=4\nProfile0=a.ini\nProfile1=gone.ini\nProfile3=b.ini\n",
         {"A", "", "", "B"}},
        {"the same file twice",
         "[General]\nProfileCount=2\nProfile0=a.ini\nProfile1=a.ini\n",
         {"A", "A"}},
    };
    for (const Case& c : cases) {
        ProgramFolder program;
        program.Write("a.ini", "[General]\nCaption=A\nExt=mp3\n");
        program.Write("b.ini", "[General]\nCaption=B\nExt=wav\n");
        if (!c.index.empty()) {
            program.Write("profiles.ini", c.index);
        }
        std::vector<std::string> captions;
        for (const TConvertProfile& profile : LoadProfiles(program.Path())) {
            captions.push_back(profile.Caption);
        }
        EXPECT_EQ(captions, c.captions) << c.what;
        // The folder's trailing slash makes no difference.
        EXPECT_EQ(LoadProfiles(program.Path() + "/").size(), c.captions.size()) << c.what;
    }
}

TEST(LoadProfilesTest, MissingProfileFileIsListedWithDefaults) {
    ProgramFolder program;
    program.Write("profiles.ini", "[General]\nProfileCount=1\nProfile0=gone.ini\n");
    const std::vector<TConvertProfile> profiles = LoadProfiles(program.Path());
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0], TConvertProfile{});
    EXPECT_TRUE(profiles[0].Caption.empty());
    EXPECT_TRUE(profiles[0].Ext.empty());
    const TProfileOptions options = ProfileOptions(profiles[0]);
    for (const TOptionListState& state : options) {
        EXPECT_EQ(state, (TOptionListState{0, true}));
    }
}

TEST(ProfileOptionsTest, SelectsTheProfilesItemsWithinEachList) {
    struct Case {
        const char* what;
        TConvertProfile profile;
        TOptionList list;
        TOptionListState expected;
        std::string_view item;
    };
    TConvertProfile volume_locked;
    volume_locked.VolumeSwitch = false;
    volume_locked.VolumeIndex = 4;
    TConvertProfile mono;
    mono.ChannelsIndex = 1;
    TConvertProfile top_rate;
    top_rate.BitRatesIndex = 14;
    TConvertProfile past_end;
    past_end.QualityIndex = 6;
    past_end.BitRatesIndex = 1000;
    TConvertProfile negative;
    negative.ChannelsIndex = -1;
    negative.ChannelsSwitch = false;
    const Case cases[] = {
        {"VolumeSwitch 0 and VolumeIndex 4", volume_locked, olVolume, {4, false}, "100"},
        {"mono", mono, olChannels, {1, true}, "Mono"},
        {"last bit rate", top_rate, olBitRates, {14, true}, "320"},
        {"one past the last quality", past_end, olQuality, {5, true}, "48000"},
        {"far past the last bit rate", past_end, olBitRates, {14, true}, "320"},
        {"negative", negative, olChannels, {0, false}, "Auto"},
        {"defaults", TConvertProfile{}, olQuality, {0, true}, "Auto"},
    };
    for (const Case& c : cases) {
        const TOptionListState state = ProfileOptions(c.profile)[c.list];
        EXPECT_EQ(state, c.expected) << c.what;
        EXPECT_EQ(OptionListInfo(c.list).Items[static_cast<size_t>(state.ItemIndex)], c.item)
            << c.what;
    }
}

TEST(ProfileExtTest, ClampsTheIndexToTheList) {
    std::vector<TConvertProfile> profiles(3);
    profiles[0].Ext = "mp3";
    profiles[1].Ext = "wav";
    profiles[2].Ext = "ogg";
    const std::pair<int, std::string> cases[] = {
        {0, "mp3"}, {2, "ogg"}, {-1, "mp3"}, {3, "ogg"}, {1000, "ogg"}};
    for (const auto& [index, ext] : cases) {
        EXPECT_EQ(ProfileExt(profiles, index), ext) << index;
    }
    EXPECT_EQ(ProfileExt({}, 0), "");
    EXPECT_EQ(ClampIndex(5, 0), -1);
}

// The profiles the build placed beside the programs.
class ShippedProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        profiles_ = LoadProfiles(V2M_OUTPUT_DIR);
        ASSERT_FALSE(profiles_.empty()) << "no profiles in " << V2M_OUTPUT_DIR << "/profiles";
    }
    std::vector<TConvertProfile> profiles_;
};

TEST_F(ShippedProfilesTest, EveryProfileFileIsListedAndCopied) {
    // Every profile file in the sources is in the index, and the build copied
    // the index and each file unchanged.
    const TIniFile index(std::string(V2M_PROFILES_SOURCE_DIR) + "/profiles.ini");
    std::set<std::string> listed;
    for (size_t i = 0; i < profiles_.size(); ++i) {
        listed.insert(index.ReadString("General", "Profile" + std::to_string(i), ""));
    }
    std::set<std::string> sources;
    for (const auto& entry : fs::directory_iterator(V2M_PROFILES_SOURCE_DIR)) {
        const std::string name = entry.path().filename().string();
        const std::string copy = std::string(V2M_OUTPUT_DIR) + "/profiles/" + name;
        EXPECT_EQ(test::ReadText(copy), test::ReadText(entry.path())) << name;
        if (name != "profiles.ini") {
            sources.insert(name);
        }
    }
    EXPECT_EQ(listed, sources);
}

TEST_F(ShippedProfilesTest, EveryProfileIsCompleteAndSelectsItemsInsideItsLists) {
    std::set<std::string> captions;
    for (const TConvertProfile& p : profiles_) {
        SCOPED_TRACE(p.Caption);
        EXPECT_FALSE(p.Caption.empty());
        EXPECT_TRUE(captions.insert(p.Caption).second) << "caption listed twice";
        EXPECT_FALSE(p.Ext.empty());
        EXPECT_TRUE(std::all_of(p.Ext.begin(), p.Ext.end(), [](char c) {
            return std::islower(c) || std::isdigit(c);
        })) << p.Ext;
        // Indexes need no clamping: the file says exactly what is selected.
        const int32_t raw[] = {p.QualityIndex, p.ChannelsIndex, p.BitRatesIndex, p.VolumeIndex};
        const TProfileOptions options = ProfileOptions(p);
        for (int list = 0; list < kOptionListCount; ++list) {
            EXPECT_EQ(options[static_cast<size_t>(list)].ItemIndex, raw[list])
                << OptionListInfo(static_cast<TOptionList>(list)).Label;
        }
    }
}

TEST_F(ShippedProfilesTest, OffersTheAdvertisedFormatsWithMp3AutoFirst) {
    const TConvertProfile& first = profiles_.front();
    EXPECT_EQ(first.Ext, "mp3");
    EXPECT_EQ(ProfileOptions(first), TProfileOptions{});

    std::set<std::string> exts;
    for (const TConvertProfile& p : profiles_) {
        exts.insert(p.Ext);
    }
    for (const char* ext :
         {"mp3", "wav", "ogg", "wma", "m4a", "flac", "ac3", "mp2", "opus", "au"}) {
        EXPECT_TRUE(exts.count(ext)) << ext;
    }
}

TEST_F(ShippedProfilesTest, FixedRateMp3ProfilesSelectTheRateTheirCaptionNames) {
    int fixed = 0;
    for (const TConvertProfile& p : profiles_) {
        const size_t kbps = p.Caption.find(" kbps");
        if (p.Ext != "mp3" || kbps == std::string::npos) {
            continue;
        }
        ++fixed;
        const size_t start = p.Caption.find_last_not_of("0123456789", kbps - 1) + 1;
        const std::string rate = p.Caption.substr(start, kbps - start);
        const TOptionListState bit_rate = ProfileOptions(p)[olBitRates];
        EXPECT_EQ(kBitRateItems[static_cast<size_t>(bit_rate.ItemIndex)], rate) << p.Caption;
        EXPECT_FALSE(bit_rate.Switch) << p.Caption;
        if (p.Caption.find("Mono") != std::string::npos) {
            EXPECT_EQ(kChannelItems[static_cast<size_t>(p.ChannelsIndex)], "Mono");
        }
    }
    EXPECT_EQ(fixed, 4);
}

}  // namespace
}  // namespace v2m
