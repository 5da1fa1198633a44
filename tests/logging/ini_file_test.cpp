// ini_file_test.cpp - the reading rules of CIniFile: what a line means,
// how names are compared, and where reading stops.
#include <gtest/gtest.h>

#include <string>

#include "logging/ini_file.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

class IniFile : public ::testing::Test {
protected:
    CIniFile load(const std::string& text) {
        std::string path = makeTempDir("ini") + "/table.ini";
        writeFile(path, text);
        CIniFile table(path);
        ::testing::internal::CaptureStdout();
        table.Load();
        printed = ::testing::internal::GetCapturedStdout();
        return table;
    }
    std::string get(const CIniFile& table, const std::string& section, const std::string& key) {
        return table.GetValue(section, key, "<none>");
    }
    std::string printed;
};

TEST_F(IniFile, KeysAndValuesAreKeptUntrimmedAndComparedWithoutCase) {
    CIniFile table = load("[Lang]\nDone=Finished\nDone = Spaced\nBusy=  Occupied \n");
    EXPECT_EQ(get(table, "Lang", "Done"), "Finished");
    EXPECT_EQ(get(table, "LANG", "dOnE"), "Finished");
    EXPECT_EQ(get(table, "Lang", "Done "), " Spaced");
    EXPECT_EQ(get(table, "Lang", "Busy"), "  Occupied ");
    EXPECT_EQ(get(table, "Other", "Done"), "<none>");
    EXPECT_EQ(printed, "");
}

TEST_F(IniFile, TheFirstOfTheFourMarkCharactersDecidesTheLine) {
    CIniFile table = load(
        "[Lang]\n"
        "Busy;x=y\n"
        "Hash#a=b\n"
        "Key=value;with=more[stuff]\n"
        "no marks here at all\n"
        "a[b]=c\n");
    EXPECT_EQ(get(table, "Lang", "Busy"), "<none>");
    EXPECT_EQ(get(table, "Lang", "Busy;x"), "<none>");
    EXPECT_EQ(get(table, "Lang", "Hash#a"), "<none>");
    EXPECT_EQ(get(table, "Lang", "Key"), "value;with=more[stuff]");
    // "a[b]=c" is a header: "[" comes before "=".
    EXPECT_EQ(get(table, "b", "a[b]"), "<none>");
    EXPECT_EQ(table.SectionCount(), 2u);
}

TEST_F(IniFile, CommentsGoToTheHeaderOrToTheirSection) {
    CIniFile table = load("; top\n#also top\n[Lang]\n; inside\nDone=Finished\n");
    ASSERT_EQ(table.HeaderComments().size(), 2u);
    EXPECT_EQ(table.HeaderComments()[0], " top");
    EXPECT_EQ(table.HeaderComments()[1], "also top");
    EXPECT_EQ(get(table, "Lang", "Done"), "Finished");
}

TEST_F(IniFile, SectionNamesRunToTheLastClosingBracket) {
    CIniFile table = load("[na]me] trailing\nk=v\n[unclosed\nk2=v2\n");
    EXPECT_EQ(get(table, "na]me", "k"), "v");
    // The unclosed header is skipped: its keys stay in the open section.
    EXPECT_EQ(get(table, "na]me", "k2"), "v2");
    EXPECT_EQ(table.SectionCount(), 1u);
}

TEST_F(IniFile, LaterKeysWinAndRepeatedHeadersFeedTheFirstSection) {
    CIniFile table = load("[Lang]\nDone=One\n[Other]\nx=1\n[LANG]\nDone=Two\nBusy=Yes\n");
    EXPECT_EQ(get(table, "Lang", "Done"), "Two");
    EXPECT_EQ(get(table, "Lang", "Busy"), "Yes");
    EXPECT_EQ(table.SectionCount(), 3u);
}

TEST_F(IniFile, KeysBeforeAnyHeaderBelongToTheNamelessSection) {
    CIniFile table = load("loose=1\n[Lang]\n");
    EXPECT_EQ(get(table, "", "loose"), "1");
    EXPECT_EQ(get(table, "Lang", "loose"), "<none>");
}

TEST_F(IniFile, CarriageReturnsAndEmptyLinesAreDropped) {
    CIniFile table = load("\r\n[Lang]\r\n\r\nDone=Finished\r\n\nLast=x");
    EXPECT_EQ(get(table, "Lang", "Done"), "Finished");
    EXPECT_EQ(get(table, "Lang", "Last"), "x");
    EXPECT_EQ(printed, "");
}

TEST_F(IniFile, ALineStartingWithATabStopsTheReading) {
    CIniFile table = load("[Lang]\nDone=Finished\n\tBusy=Occupied\nClosed=Shut\n");
    EXPECT_EQ(printed, "Failing on char 9\n");
    EXPECT_EQ(get(table, "Lang", "Done"), "Finished");
    EXPECT_EQ(get(table, "Lang", "Closed"), "<none>");
}

TEST_F(IniFile, NonAsciiFirstBytesArePrintedAsSignedNumbers) {
    CIniFile table = load("[Lang]\nA=1\n\xE9t\xE9=summer\nB=2\n");
    EXPECT_EQ(printed, "Failing on char -23\n");
    EXPECT_EQ(get(table, "Lang", "A"), "1");
    EXPECT_EQ(get(table, "Lang", "B"), "<none>");
}

TEST_F(IniFile, AMissingFileGivesAnEmptyTable) {
    CIniFile table("/no/such/dir/qxlang.ini");
    table.Load();
    EXPECT_EQ(table.SectionCount(), 0u);
    EXPECT_EQ(get(table, "Lang", "Done"), "<none>");
}

TEST_F(IniFile, SetValueCreatesOnlyWhenAsked) {
    CIniFile table = load("[Lang]\nDone=Finished\n");
    table.SetValue("lang", "DONE", "Ready", false);
    table.SetValue("Lang", "Busy", "Occupied", false);
    table.SetValue("New", "k", "v", false);
    EXPECT_EQ(get(table, "Lang", "Done"), "Ready");
    EXPECT_EQ(get(table, "Lang", "Busy"), "<none>");
    EXPECT_EQ(table.SectionCount(), 1u);
    table.SetValue("New", "k", "v", true);
    EXPECT_EQ(get(table, "new", "K"), "v");
}

}  // namespace
}  // namespace qxtest
