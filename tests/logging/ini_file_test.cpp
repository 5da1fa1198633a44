// ini_file_test.cpp - the reading rules of CIniFile (what a line means, how
// names compare, where reading stops) and TranslateText over "qxlang.ini".
#include <gtest/gtest.h>

#include <filesystem>

#include "logging/ini_file.h"
#include "logging/translate.h"
#include "platform/platform.h"
#include "tests/support/test_env.h"

namespace qxtest {

// One file (null: none), one lookup: the value found, what reading printed,
// the sections made; then the comments above the first section.
TEST(IniFile, FileLinesToValues) {
    const std::tuple<const char*, const char*, const char*, const char*, const char*, int>
        cases[] = {
            {"[Lang]\nDone=Finished\n", "LANG", "dOnE", "Finished", "", 1},
            {"[Lang]\n Done = Spaced \n", "Lang", " Done ", " Spaced ", "", 1},
            {"[Lang]\n Done = Spaced \n", "Lang", "Done", "<none>", "", 1},
            {"[Lang]\n~=tilde\n", "Lang", "~", "tilde", "", 1},
            // The first of ";#[=" decides what a line is.
            {"[Lang]\nBusy;x=y\n", "Lang", "Busy;x", "<none>", "", 1},
            {"[Lang]\nHash#a=b\n", "Lang", "Hash#a", "<none>", "", 1},
            {"[Lang]\nKey=value;with=more[stuff]\n", "Lang", "Key", "value;with=more[stuff]", "",
             1},
            {"a[b]=c\nno marks here\nk=v\n", "b", "k", "v", "", 1},
            // Names run to the last "]"; headers without one are skipped.
            {"[na]me] trailing\n[unclosed\n]back[wards\nk=v\n", "na]me", "k", "v", "", 1},
            // Later keys win; a repeated header feeds the first section.
            {"[Lang]\nDone=One\n[Other]\n[LANG]\nDone=Two\n", "Lang", "Done", "Two", "", 3},
            {"loose=1\n[Lang]\n", "", "loose", "1", "", 2},
            {"loose=1\n[Lang]\n", "Lang", "loose", "<none>", "", 2},
            {"\r\n[Lang]\r\n\r\nDone=Finished\r\n\nLast=x", "Lang", "Done", "Finished", "", 1},
            // Reading stops at a line that begins with no printable character.
            {"[Lang]\nA=1\n\tB=2\nC=3\n", "Lang", "C", "<none>", "Failing on char 9\n", 1},
            {"[Lang]\nA=1\n\xE9t\xE9=summer\n", "Lang", "A", "1", "Failing on char -23\n", 1},
            {nullptr, "Lang", "Done", "<none>", "", 0},
        };
    const std::string path = makeTempDir("ini") + "/table.ini";
    for (const auto& [file, section, key, value, printed, sections] : cases) {
        if (file) writeFile(path, file);
        CIniFile table(file ? path : path + ".none");
        ::testing::internal::CaptureStdout();
        table.Load();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), printed) << key;
        EXPECT_EQ(table.GetValue(section, key, "<none>"), value) << key;
        EXPECT_EQ(table.SectionCount(), std::size_t(sections)) << key;
    }
    writeFile(path, "; top\n#also top\n[Lang]\n; inside\n");
    CIniFile commented(path);
    commented.Load();
    EXPECT_EQ(commented.HeaderComments(), (std::vector<std::string>{" top", "also top"}));
}

// The first "qxlang.ini" of QXCONFIG's, the current and the system directory,
// read once: texts to their translations in "Lang", or to themselves.
TEST(Translate, TextsToTranslationsFromTheFirstFileFound) {
    const std::string config = makeTempDir("config"), current = makeTempDir("cwd"),
                      system = makeTempDir("sys");
    const auto language = [](const std::string& dir, const std::string& text) {
        writeFile(dir + qxplat::pathSeparator() + "qxlang.ini", text);
        resetLanguageTableForTesting();
    };
    qxplat::setSystemDirectoryForTesting(system);
    language(system, "[Lang]\nDone=From system\n");
    EXPECT_STREQ(TranslateText("Done"), "From system");
    setEnv("QXCONFIG", config);
    language(current, "[Lang]\nDone=From current\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(current);
    EXPECT_STREQ(TranslateText("Done"), "From current");  // QXCONFIG's has no file
    language(config, "[lang]\nDone=Finished\nError Code 12=E12\nBlank=\nShare=100%s done\n"
                     "[Other]\nBusy=Occupied\n");
    const char* cases[][2] = {{"DONE", "Finished"}, {"Error Code 12", "E12"},
                              {"Blank", "Blank"},   {"Share", "100%s done"},
                              {"Busy", "Busy"},     {"Timed out", "Timed out"}};
    for (const auto& c : cases) EXPECT_STREQ(TranslateText(c[0]), c[1]) << c[0];
    std::filesystem::current_path(previous);
    EXPECT_EQ(TranslateText(cases[5][0]), cases[5][0]);  // the caller's own text
    writeFile(config + qxplat::pathSeparator() + "qxlang.ini", "[Lang]\nDone=Changed\n");
    EXPECT_STREQ(TranslateText("Done"), "Finished");
    unsetEnv("QXCONFIG");
    qxplat::setSystemDirectoryForTesting("");
    resetLanguageTableForTesting();
}

}  // namespace qxtest
