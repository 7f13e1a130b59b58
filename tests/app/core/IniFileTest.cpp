// The INI file class on real files: reading what people and the program
// write, each write reaching the file before the call returns, failures that
// leave the file alone.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "CoreTestSupport.h"
#include "IniFile.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::ScratchDir;
using test::WriteText;

TEST(IniFileTest, MissingFileReadsAsEmpty) {
    ScratchDir dir("ini-missing");
    const fs::path file = dir.Path() / "absent.ini";
    const TIniFile ini(file.string());
    EXPECT_EQ(ini.ReadString("General", "Key", "fallback"), "fallback");
    EXPECT_EQ(ini.ReadInteger("General", "Key", 42), 42);
    EXPECT_TRUE(ini.ReadBool("General", "Key", true));
    EXPECT_FALSE(ini.ReadBool("General", "Key", false));
    EXPECT_FALSE(ini.ValueExists("General", "Key"));
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_TRUE(ini.ReadSectionKeys("General").empty());
    EXPECT_FALSE(fs::exists(file)) << "reading must not create the file";
}

TEST(IniFileTest, FindsKeysWithoutRegardToCaseAndKeepsValuesAsWritten) {
    ScratchDir dir("ini-read");
    const fs::path file = dir.Path() / "a.ini";
    WriteText(file,
              "; a comment = not a key\n"
              "orphan=before any section\n"
              "[general]\r\n"
              "ADDFILESFOLDER=/home/u/Videos\r\n"
              "  Spaced Key  = two  spaces  \n"
              "Equation=a=b=c\n"
              "Empty=\n"
              "Utf8=Видео ñ\n"
              "Dup=first\n"
              "dup=second\n"
              "# Hashed=comment\n"
              "no equals sign here\n"
              "\n"
              "[ Other ]\n"
              "Dup=other section\n");
    const TIniFile ini(file.string());
    struct Case {
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"General", "AddFilesFolder", "/home/u/Videos"},
        {"GENERAL", "addfilesfolder", "/home/u/Videos"},
        {"General", "spaced key", " two  spaces  "},
        {"General", "Equation", "a=b=c"},
        {"General", "Empty", ""},
        {"General", "Utf8", "Видео ñ"},
        {"General", "Dup", "first"},
        {"other", "dup", "other section"},
        {"General", "Hashed", "<default>"},
        {"General", "; a comment ", "<default>"},
        {"General", "orphan", "<default>"},
        {"", "orphan", "<default>"},
        {"Missing", "Dup", "<default>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected)
            << "[" << c.section << "] " << c.key;
    }
    EXPECT_TRUE(ini.ValueExists("general", "EMPTY"));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"general", "Other"}));
    EXPECT_EQ(ini.ReadSectionKeys("General"),
              (std::vector<std::string>{"ADDFILESFOLDER", "Spaced Key", "Equation", "Empty", "Utf8",
                                        "Dup", "dup"}));
}

TEST(IniFileTest, ReadsIntegersAndBooleans) {
    ScratchDir dir("ini-numbers");
    struct Case {
        std::string text;
        int32_t expected;  // with the default 77
    };
    const Case cases[] = {
        {"12", 12},
        {" -7 ", -7},
        {"+5", 5},
        {"0x1F", 31},
        {"$10", 16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", 77},
        {"99999999999999999999", 77},
        {"1.5", 77},
        {"12abc", 77},
        {"abc", 77},
        {"", 77},
        {"--1", 77},
        {"0x", 77},
    };
    const fs::path file = dir.Path() / "n.ini";
    for (const Case& c : cases) {
        WriteText(file, "[General]\nValue=" + c.text + "\n");
        const TIniFile ini(file.string());
        EXPECT_EQ(ini.ReadInteger("General", "Value", 77), c.expected) << "'" << c.text << "'";
        // A Boolean is an integer: 0 false, any other number true, else the default.
        const bool number = c.expected != 77;
        EXPECT_EQ(ini.ReadBool("General", "Value", true), number ? c.expected != 0 : true)
            << c.text;
        EXPECT_EQ(ini.ReadBool("General", "Value", false), number ? c.expected != 0 : false)
            << c.text;
    }
    WriteText(file, "[General]\nOff=0\nOn=-3\n");
    const TIniFile ini(file.string());
    EXPECT_FALSE(ini.ReadBool("General", "Off", true));
    EXPECT_TRUE(ini.ReadBool("General", "On", false));
}

TEST(IniFileTest, EachWriteReachesTheFileAtOnce) {
    ScratchDir dir("ini-write");
    const fs::path file = dir.Path() / "Settings.ini";
    TIniFile writer(file.string());
    const TIniFile reader(file.string());

    ASSERT_TRUE(writer.WriteString("General", "AddFilesFolder", "/home/u/Videos/"));
    EXPECT_EQ(ReadText(file), "[General]\nAddFilesFolder=/home/u/Videos/\n");
    EXPECT_EQ(reader.ReadString("General", "AddFilesFolder", ""), "/home/u/Videos/");

    ASSERT_TRUE(writer.WriteInteger("General", "Count", -12));
    ASSERT_TRUE(writer.WriteBool("Other", "Flag", true));
    ASSERT_TRUE(writer.WriteBool("General", "Off", false));
    EXPECT_EQ(ReadText(file),
              "[General]\nAddFilesFolder=/home/u/Videos/\nCount=-12\nOff=0\n\n[Other]\nFlag=1\n");
    EXPECT_EQ(reader.ReadInteger("General", "Count", 0), -12);
    EXPECT_TRUE(reader.ReadBool("Other", "Flag", false));
    EXPECT_FALSE(reader.ReadBool("General", "Off", true));

    // Rewriting a key changes that line only; the spelling in the file stays.
    ASSERT_TRUE(writer.WriteString("GENERAL", "addfilesfolder", " /spaced folder/ "));
    EXPECT_EQ(ReadText(file),
              "[General]\nAddFilesFolder= /spaced folder/ \nCount=-12\nOff=0\n\n"
              "[Other]\nFlag=1\n");
    EXPECT_EQ(reader.ReadString("General", "AddFilesFolder", ""), " /spaced folder/ ");
}

TEST(IniFileTest, WritesKeepCommentsAndOtherLinesOfAHandWrittenFile) {
    ScratchDir dir("ini-keep");
    const fs::path file = dir.Path() / "hand.ini";
    WriteText(file,
              "; kept\n"
              "[General]\n"
              "A=1\n"
              "# also kept\n"
              "\n"
              "[Second]\n"
              "B=2\n");
    TIniFile ini(file.string());
    ASSERT_TRUE(ini.WriteString("General", "New", "value"));
    ASSERT_TRUE(ini.WriteString("Second", "B", "3"));
    EXPECT_EQ(ReadText(file),
              "; kept\n"
              "[General]\n"
              "A=1\n"
              "# also kept\n"
              "New=value\n"
              "\n"
              "[Second]\n"
              "B=3\n");
}

TEST(IniFileTest, RefusedWritesLeaveTheFileAsItWas) {
    ScratchDir dir("ini-refused");
    const fs::path file = dir.Path() / "a.ini";
    WriteText(file, "[General]\nA=1\n");
    TIniFile ini(file.string());
    struct Case {
        const char* what;
        std::string section;
        std::string key;
        std::string value;
    };
    const Case cases[] = {
        {"line break in the value", "General", "A", "two\nlines"},
        {"carriage return in the value", "General", "A", "x\ry"},
        {"empty key", "General", "", "x"},
        {"key with =", "General", "A=B", "x"},
        {"key starting a comment", "General", ";A", "x"},
        {"section with ]", "Gen]eral", "A", "x"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value)) << c.what;
        EXPECT_FALSE(ini.LastError().empty()) << c.what;
        EXPECT_EQ(ReadText(file), "[General]\nA=1\n") << c.what;
    }

    TIniFile nowhere((dir.Path() / "no such folder" / "a.ini").string());
    EXPECT_FALSE(nowhere.WriteString("General", "A", "1"));
    EXPECT_FALSE(nowhere.LastError().empty());
    EXPECT_FALSE(fs::exists(dir.Path() / "no such folder"));
}

TEST(IniFileTest, WriteThroughALinkChangesTheLinkedFileAndKeepsItsPermissions) {
    ScratchDir dir("ini-link");
    const fs::path target = dir.Path() / "real.ini";
    const fs::path link = dir.Path() / "link.ini";
    WriteText(target, "[General]\nA=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);

    TIniFile ini(link.string());
    ASSERT_TRUE(ini.WriteString("General", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(target), "[General]\nA=2\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // Nothing is left behind beside the file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace v2m
