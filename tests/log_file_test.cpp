// The log's texts, its file writer (entries held back while the file cannot take them) and its size limit.
#include <gtest/gtest.h>

#include <filesystem>

#include "service/collector_log.h"
#include "service/database/com_error.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

std::string Entry(int second, const std::string& text) {
    return FormatLogEntry({2026, 12, 10, 1, 2, second, 0}, text, 0, "ok");
}

int TwoFilesKept() {
    return 2;
}

}  // namespace

TEST(LogText, OutsideTextIsEscapedByTypeAndOwnLineBreaksStay) {
    EXPECT_EQ(EscapeForLog("KEY12X4\r"), "KEY12X4\\r");
    EXPECT_EQ(EscapeForLog("a\tb\nc:\\x"), "a\\tb\\nc:\\x");  // a path's backslash stays single
    EXPECT_EQ(EscapeKeyForRecord("a\tb\\r"), "a\\tb\\\\r");   // in the key record a typed "\r" is not a CR
    EXPECT_EQ(EscapeForLog(std::string("\x01\x1b\x7f", 3)), "\\x01\\x1B\\x7F");
    EXPECT_EQ(EscapeForLog("M\xc3\xbcller 'A' \xfc"), "M\xc3\xbcller 'A' \xfc");  // other bytes as they are
    const std::string name = "x.txt\r\n2026-12-10 00:00:00.000 - Document Key = FORGED";
    const char* pointer = "p\n";
    char buffer[] = "b\n";
    EXPECT_EQ(
        LogTextF("File = %s, %s %s %s %s\nN = %d %lld 100%%\n", name, std::string_view("v\n"), pointer,
                 buffer, LogText::AlreadyEscaped("block\n\tline\n"), -3, 1LL << 40)
            .str(),
        "File = x.txt\\r\\n2026-12-10 00:00:00.000 - Document Key = FORGED, v\\n p\\n b\\n block\n\tline\n"
        "\nN = -3 1099511627776 100%\n");
    EXPECT_EQ(LogTextF("null %s", static_cast<const char*>(nullptr)).str(), "null (null)");
}

TEST(LogText, TheDatabaseErrorBlockKeepsItsLinesAndEscapesTheDriversText) {
    db::_com_error error(db::kErrorUnspecified, std::string("SQLExecute"),
                         std::string("SQLSTATE 42000: near \"x\":\r\n2026-12-10 00:00:00.000 - FORGED"));
    std::string block = db::FormatErrorBlock("Title", error);
    EXPECT_EQ(block.substr(0, 24), "Title\n\tCode = 80004005\n\t");
    std::string end =
        "\n\tSource = SQLExecute\n\tDescription = SQLSTATE 42000: near \"x\":\\r\\n2026-12-10 "
        "00:00:00.000 - FORGED\n";
    EXPECT_EQ(block.substr(block.size() - end.size()), end);
}

TEST(LogText, TheSystemsTextKeepsOnlyItsOwnLineEnd) {
    platform::LocalTime t{2026, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(FormatLogEntry(t, "x", 5, "Access is denied.\r\nSee\tmore.\r\n"),
              "2026-01-02 03:04:05.006 - x failed with error 5: Access is denied.\\r\\nSee\\tmore.\r\n\r\n");
    EXPECT_EQ(FormatLogEntry(t, "x", 2, "No such file"),
              "2026-01-02 03:04:05.006 - x failed with error 2: No such file\r\n");
}

TEST(LogFileSettings, DefaultsZeroAndOddValues) {
    using W = WideSetting;
    EXPECT_EQ(LogFileLimitBytes({W::Missing, 0}), 10240u * 1024);
    EXPECT_EQ(LogFileLimitBytes({W::NotANumber, 0}), 10240u * 1024);
    EXPECT_EQ(LogFileLimitBytes({W::Number, -1}), 10240u * 1024);
    EXPECT_EQ(LogFileLimitBytes({W::Number, 0}), 0u);  // no limit
    EXPECT_EQ(LogFileLimitBytes({W::Number, 3}), 3072u);
    EXPECT_EQ(LogFileLimitBytes({W::Number, INT64_MAX}), static_cast<std::uint64_t>(INT64_MAX / 1024) * 1024);
    EXPECT_EQ(LogFilesKept({W::Missing, 0}), 9);
    EXPECT_EQ(LogFilesKept({W::Number, -4}), 9);
    EXPECT_EQ(LogFilesKept({W::Number, 0}), 0);
    EXPECT_EQ(LogFilesKept({W::Number, 5000}), 999);
}

// The log's path is a folder (as a full disk, it takes nothing) until the folder is removed.
TEST(LogFileWriter, HeldBackEntriesArriveInOrderWithTheirLossCounted) {
    TempDir dir;
    std::string log = dir / "QuillCollector.Log";
    std::filesystem::create_directory(log);
    LogFileWriter writer({3, 1024 * 1024, std::chrono::milliseconds(0)});
    for (int i = 1; i <= 5; ++i)
        writer.Append(log, Entry(i, "entry " + std::to_string(i)), 0, TwoFilesKept);
    EXPECT_EQ(writer.HeldEntries(), 3u);
    std::filesystem::remove(log);
    writer.Append(log, Entry(6, "entry 6"), 0, TwoFilesKept);
    EXPECT_EQ(writer.HeldEntries(), 0u);
    std::string text = ReadFile(log);
    std::size_t notice = text.find(
        " - Log entries lost: 2 entries could not be written to the log file and "
        "were dropped, the first of 2026-12-10 01:02:01.000, the last of "
        "2026-12-10 01:02:02.000 failed with error ");
    ASSERT_NE(notice, std::string::npos) << text;
    std::string kept = Entry(3, "entry 3") + Entry(4, "entry 4") + Entry(5, "entry 5") + Entry(6, "entry 6");
    ASSERT_GT(text.size(), kept.size());
    EXPECT_EQ(text.substr(text.size() - kept.size()), kept);
    std::string first = text.substr(0, text.size() - kept.size());
    EXPECT_EQ(first.find(" failed with error 0: "), std::string::npos)
        << first;  // the error that kept them out
}

TEST(LogFileWriter, HeldBackEntriesAreBoundedInBytes) {
    TempDir dir;
    std::string log = dir / "QuillCollector.Log";
    std::filesystem::create_directory(log);
    std::string one = Entry(1, std::string(200, 'a'));
    LogFileWriter writer({1000, 3 * one.size(), std::chrono::milliseconds(0)});
    for (int i = 0; i < 10; ++i)
        writer.Append(log, one, 0, TwoFilesKept);
    EXPECT_EQ(writer.HeldEntries(), 3u);
}

TEST(LogFileWriter, AFullLogIsSetAsideKeepingTheChosenNumberOfOldFiles) {
    TempDir dir;
    std::string log = dir / "QuillCollector.Log";
    LogFileWriter writer;
    std::string all;
    for (int i = 0; i < 7; ++i) {
        std::string entry = Entry(i, "entry " + std::to_string(i));  // 2 entries pass the limit
        all += entry;
        writer.Append(log, entry, entry.size() + 1, TwoFilesKept);
    }
    // 0 1 | 2 3 | 4 5 set aside in turn, 6 in the log; the oldest pair went with the third rotation
    EXPECT_EQ(ReadFile(log), Entry(6, "entry 6"));
    EXPECT_EQ(ReadFile(log + ".1"), Entry(4, "entry 4") + Entry(5, "entry 5"));
    EXPECT_EQ(ReadFile(log + ".2"), Entry(2, "entry 2") + Entry(3, "entry 3"));
    EXPECT_FALSE(FileExists(log + ".3"));
    EXPECT_EQ(SetLogFileAside(log, 0), 0);  // none kept: the full log goes
    EXPECT_FALSE(FileExists(log));
}

// Another program holds the log (on Windows a reader without delete sharing): the log cannot be renamed,
// entries go on into it, and it is set aside at a later try once released.
TEST(LogFileWriter, ALogThatCannotBeRenamedKeepsTakingEntries) {
    TempDir dir;
    std::string log = dir / "QuillCollector.Log";
    LogFileWriter writer({1000, 1024 * 1024, std::chrono::milliseconds(0)});
    std::string all;
    {
        HeldFile holder(kRenameBlockingHolderMode, log);
        for (int i = 0; i < 4; ++i) {
            all += Entry(i, "held " + std::to_string(i));
            writer.Append(log, Entry(i, "held " + std::to_string(i)), 10, TwoFilesKept);
        }
        // Entry 0 reached the limit: after it, once, the note saying why the log stays as it is.
        std::string text = ReadFile(log), first = Entry(0, "held 0"), rest = all.substr(first.size());
        ASSERT_GT(text.size(), all.size());
        EXPECT_EQ(text.substr(0, first.size()), first);
        EXPECT_EQ(text.substr(text.size() - rest.size()), rest);
        std::string note = text.substr(first.size(), text.size() - all.size());
        EXPECT_NE(note.find(" - Log File Can't be set aside: " + EscapeForLog(log) + " failed with error "),
                  std::string::npos)
            << note;
        all = text;
        EXPECT_FALSE(FileExists(log + ".1"));
    }
    writer.Append(log, Entry(9, "released"), 10, TwoFilesKept);
    EXPECT_EQ(ReadFile(log + ".1"), all + Entry(9, "released"));
    EXPECT_FALSE(FileExists(log));
}
