// The list journal's text: what goes in comes back byte for byte, whatever
// the names hold, and a text it cannot take whole is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "ListJournal.h"
#include "TestSupport.h"

namespace v2m {
namespace {

TListJournal HostileJournal() {
    TListJournal journal;
    journal.Owner = {4242, 987654321};
    journal.BatchRunning = true;
    journal.Settings = {{"output-folder", "/tmp/out put/%20~/"}, {"name-template", ""}};
    const std::vector<std::string> names = {"/videos/line\nbreak.mkv",
                                            "/videos/\xff\xfe latin1 \xe9.avi",
                                            "/v/tab\there %41 ~.mp4", "/v/cr\r\x01\x7f.ts"};
    for (size_t i = 0; i < names.size(); ++i) {
        TJournalRow row;
        row.Waiting = i % 2 == 1;
        row.Row.Name = names[i].substr(names[i].rfind('/') + 1);
        row.Row.Progress = i == 0 ? kFailedProgressText : "42%";
        row.Row.FailureReason = i == 0 ? "no space\nleft" : "";
        row.Row.Data.FileName = names[i];
        row.Row.Data.OutputFile = names[i] + ".mp3";
        row.Row.Data.AudioStream = static_cast<int>(i);
        row.Row.Data.SplitChapters = i == 2 ? std::optional<bool>(false) : std::nullopt;
        row.Row.Data.CutStart = 1500000;
        row.Row.Data.AudioTracks = {{1, "eng", "aac", "5.1", 48000, 6, true}};
        row.Row.Data.ChapterPieces = {{0, 2000000, "Intro \n", "", 1, 2}};
        journal.Rows.push_back(row);
    }
    journal.Partials = {{"/out/.a\nb.mp3.part", 2049, 1234567}};
    journal.Published = {{"/out/a b~.mp3", 2049, 7}};
    return journal;
}

TEST(ListJournalTest, HostileNamesComeBackByteForByte) {
    const TListJournal journal = HostileJournal();
    const std::string text = JournalText(journal);
    std::string error;
    const std::optional<TListJournal> back = ParseJournal(text, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Owner, journal.Owner);
    EXPECT_TRUE(back->BatchRunning);
    EXPECT_EQ(back->Settings, journal.Settings);
    EXPECT_EQ(back->WaitingCount(), 2U);
    // Writing what was read gives the very same text: nothing was lost.
    EXPECT_EQ(JournalText(*back), text);
    ASSERT_EQ(back->Rows.size(), journal.Rows.size());
    EXPECT_EQ(back->Rows[1].Row.Data.FileName, "/videos/\xff\xfe latin1 \xe9.avi");
    EXPECT_EQ(back->Rows[0].Row.FailureReason, "no space\nleft");
    EXPECT_EQ(back->Rows[2].Row.Data.SplitChapters, std::optional<bool>(false));
    ASSERT_EQ(back->Partials.size(), 1U);
    EXPECT_EQ(back->Partials[0].Path, "/out/.a\nb.mp3.part");
    EXPECT_EQ(back->Partials[0].Inode, ino_t{1234567});
}

TEST(ListJournalTest, TextsItCannotTakeWholeAreRefused) {
    const std::string good = JournalText(HostileJournal());
    const struct {
        const char* Case;
        std::string Text;
    } cases[] = {
        {"cut short", good.substr(0, good.size() / 2)},
        {"no end line", good.substr(0, good.rfind("end\n"))},
        {"newer version", "video2mp3-list-journal 2\nend\n"},
        {"not a journal", "[General]\nOutputFolder0=/x\n"},
        {"broken escape", "video2mp3-list-journal 1\nsetting a %G1\nend\n"},
        {"unknown line", "video2mp3-list-journal 1\nsomething 1\nend\n"},
        {"text after the end", good + "owner 1 1\n"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseJournal(c.Text, error)) << c.Case;
        EXPECT_FALSE(error.empty()) << c.Case;
    }
}

TEST(ListJournalTest, ASecondKeeperFindsTheJournalHeld) {
    test::TempDir dir("journal-lock");
    const std::string folder = dir.Path().string() + "/state/";
    TListJournalFile first;
    TListJournalFile second;
    std::string problem;
    ASSERT_EQ(first.Open(folder, problem), TListJournalFile::TOpenResult::Opened) << problem;
    EXPECT_EQ(second.Open(folder, problem), TListJournalFile::TOpenResult::Held);
    ASSERT_TRUE(first.SaveList(HostileJournal(), problem)) << problem;
    // Only the list is the window's: the owner is the process that writes it.
    const std::optional<TListJournal> loaded = first.Load().Journal;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Owner, ThisProcess());
    EXPECT_TRUE(ProcessAlive(loaded->Owner));
    EXPECT_EQ(loaded->Rows.size(), 4U);
}

// What the batch records as it goes comes back to the next keeper, though
// the list itself was last saved before; once the list says the batch is
// over, the records go. A line cut short by a kill ends them.
TEST(ListJournalTest, RecordsOfABatchCutShortComeBackAndGoWhenItIsOver) {
    test::TempDir dir("journal-records");
    const std::string folder = dir.Path().string() + "/state/";
    const TCreatedFile kept{"/out/.b.mp3.part", 2049, 12};
    const TCreatedFile published{"/out/.a\n.mp3.part", 2049, 11};
    {
        TListJournalFile killed;
        std::string problem;
        ASSERT_EQ(killed.Open(folder, problem), TListJournalFile::TOpenResult::Opened);
        ASSERT_TRUE(killed.SaveList(HostileJournal(), problem)) << problem;
        killed.PartialCreated(published);
        killed.PartialCreated(kept);
        killed.PartialCreated({"/out/.c.mp3.part", 2049, 13});
        killed.PartialRemoved({"/out/.c.mp3.part", 2049, 13});
        killed.PartialPublished({"/out/a\n.mp3", 2049, 11});
        killed.RowFinished({3, "/v/cr\r.ts", {"/out/one ~.flac", "/out/two.flac"}});
        std::ofstream(killed.FilesPath(), std::ios::app) << "partial 2049 14 /out/.torn";
    }
    TListJournalFile next;
    std::string problem;
    ASSERT_EQ(next.Open(folder, problem), TListJournalFile::TOpenResult::Opened);
    std::optional<TListJournal> loaded = next.Load().Journal;
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->Partials.size(), 1U);
    EXPECT_EQ(loaded->Partials[0].Path, kept.Path);
    ASSERT_EQ(loaded->Published.size(), 1U);
    EXPECT_EQ(loaded->Published[0].Path, "/out/a\n.mp3");
    ASSERT_EQ(loaded->Finished.size(), 1U);
    EXPECT_EQ(loaded->Finished[0].Row, 3U);
    EXPECT_EQ(loaded->Finished[0].Source, "/v/cr\r.ts");
    EXPECT_EQ(loaded->Finished[0].Outputs,
              (std::vector<std::string>{"/out/one ~.flac", "/out/two.flac"}));

    // Another owner's records are not this list's.
    TListJournal other = *loaded;
    other.Owner.Pid += 1;
    other.Partials.clear();
    std::ifstream in(next.FilesPath());
    ApplyFileRecords(std::string(std::istreambuf_iterator<char>(in), {}), other);
    EXPECT_TRUE(other.Partials.empty());

    TListJournal idle = HostileJournal();
    idle.BatchRunning = false;
    ASSERT_TRUE(next.SaveList(idle, problem)) << problem;
    EXPECT_FALSE(std::filesystem::exists(next.FilesPath()));
    loaded = next.Load().Journal;
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->Partials.empty());
    EXPECT_TRUE(loaded->Finished.empty());
}

// A long list is written while a batch goes on recording its outputs from
// other threads: nothing of either is lost.
TEST(ListJournalTest, RecordsMadeWhileALongListIsSavedAreKept) {
    test::TempDir dir("journal-busy");
    const std::string folder = dir.Path().string() + "/state/";
    constexpr size_t kRows = 20000;
    constexpr uint64_t kRecords = 200;
    TListJournal list = HostileJournal();
    for (size_t row = list.Rows.size(); row < kRows; ++row) {
        list.Rows.push_back(list.Rows[row % 4]);
    }
    {
        TListJournalFile journal;
        std::string problem;
        ASSERT_EQ(journal.Open(folder, problem), TListJournalFile::TOpenResult::Opened);
        std::thread saver([&] {
            std::string failure;
            EXPECT_TRUE(journal.SaveList(list, failure)) << failure;
        });
        for (uint64_t n = 0; n < kRecords; ++n) {
            journal.PartialCreated({"/out/.p" + std::to_string(n), 2049, 100 + n});
        }
        saver.join();
    }
    TListJournalFile next;
    std::string problem;
    ASSERT_EQ(next.Open(folder, problem), TListJournalFile::TOpenResult::Opened);
    const std::optional<TListJournal> loaded = next.Load().Journal;
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->Rows.size(), kRows);
    EXPECT_EQ(loaded->Rows.back().Row.Data.FileName, list.Rows.back().Row.Data.FileName);
    ASSERT_EQ(loaded->Partials.size(), kRecords);
    EXPECT_EQ(loaded->Partials.back().Inode, 100 + kRecords - 1);
}

}  // namespace
}  // namespace v2m
