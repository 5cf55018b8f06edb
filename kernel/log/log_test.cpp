#include "kernel/log/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(LogEntryTest, StampMessageAndTextModeLineEnds) {
    std::tm t = At(1999, 8, 7, 14, 5, 9);
    EXPECT_EQ(FormatLogEntry("RunInstructions enum #7 not found \n", t),
              "14:05:09 on Aug-07-1999 RunInstructions enum #7 not found \r\n\r\r\n");
    // A message without a line end: only the entry's own CR CR LF.
    EXPECT_EQ(FormatLogEntry("x", t), "14:05:09 on Aug-07-1999 x\r\r\n");
    EXPECT_EQ(FormatLogEntry("", At(2024, 1, 31, 0, 0, 0)), "00:00:00 on Jan-31-2024 \r\r\n");
    EXPECT_EQ(FormatLogEntry("", At(2001, 12, 1, 23, 59, 59)), "23:59:59 on Dec-01-2001 \r\r\n");
}

TEST(LogEntryTest, SummaryEntryRepeatsMessagesLineByLine) {
    std::string entry =
        FormatLogEntry("Summary of Errors:\r\nM1\nM2\n", At(1999, 8, 7, 14, 5, 9));
    EXPECT_EQ(entry, "14:05:09 on Aug-07-1999 Summary of Errors:\r\r\nM1\r\nM2\r\n\r\r\n");
}

TEST(LogEntryTest, FormatBuildsPrintfTexts) {
    EXPECT_EQ(Format("RegSLSave #%s '%s' error %i\n", "12", "Software\\A", 5),
              "RegSLSave #12 'Software\\A' error 5\n");
    EXPECT_EQ(Format("%s", std::string(5000, 'y').c_str()).size(), 5000u);
    EXPECT_EQ(Format("plain"), "plain");
}

TEST(AppendLogTest, WritesTimeStampedEntriesToTheLogFolder) {
    sl::testing::TempPrefix prefix;
    AppendLog("first error\n", kLogName);
    AppendLog("second\nline\n", kLogName);
    std::string text = prefix.LogText();
    std::regex pattern(
        "\\d\\d:\\d\\d:\\d\\d on [A-Z][a-z][a-z]-\\d\\d-\\d{4} first error\\r\\n\\r\\r\\n"
        "\\d\\d:\\d\\d:\\d\\d on [A-Z][a-z][a-z]-\\d\\d-\\d{4} second\\r\\nline\\r\\n\\r\\r\\n");
    EXPECT_TRUE(std::regex_match(text, pattern)) << text;
}

TEST(AppendLogTest, DeletedLogIsCreatedAgain) {
    sl::testing::TempPrefix prefix;
    AppendLog("one\n", kLogName);
    std::filesystem::remove(prefix.LogFolder() + "/Stowlark.Log");
    AppendLog("two\n", kLogName);
    std::string text = prefix.LogText();
    EXPECT_EQ(text.find("one"), std::string::npos);
    EXPECT_NE(text.find(" two\r\n\r\r\n"), std::string::npos);
}

TEST(AppendLogTest, EmptyNameUsesTheModuleNameWithLogExtension) {
    sl::testing::TempPrefix prefix;
    std::string module = prefix.Platform()->ModuleFileName();
    std::string name = std::filesystem::path(module).stem().string() + ".log";
    AppendLog("unnamed\n", "");
    EXPECT_NE(prefix.LogText(name).find("unnamed"), std::string::npos);
}

}  // namespace
}  // namespace sl
