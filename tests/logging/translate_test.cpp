// translate_test.cpp - TranslateText through a real "qxlang.ini": where
// the file is found, what translates, and the once-only table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "logging/strformat.h"
#include "logging/translate.h"
#include "platform/platform.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

class Translate : public ::testing::Test {
protected:
    void SetUp() override {
        configDir = makeTempDir("qxconfig");
        setEnv("QXCONFIG", configDir);
        // The real system directory must play no part.
        qxplat::setSystemDirectoryForTesting(makeTempDir("emptysys"));
        resetLanguageTableForTesting();
    }
    void TearDown() override {
        unsetEnv("QXCONFIG");
        qxplat::setSystemDirectoryForTesting("");
        resetLanguageTableForTesting();
    }
    void language(const std::string& text, const std::string& dir = "") {
        writeFile((dir.empty() ? configDir : dir) + qxplat::pathSeparator() + "qxlang.ini", text);
    }
    std::string configDir;
};

TEST_F(Translate, ATranslatedTextIsReturnedForAnyCaseOfItsKey) {
    language("[Lang]\nDone=Finished\n");
    EXPECT_STREQ(TranslateText("Done"), "Finished");
    EXPECT_STREQ(TranslateText("DONE"), "Finished");
    EXPECT_STREQ(TranslateText("done"), "Finished");
}

TEST_F(Translate, AnUntranslatedTextIsReturnedItself) {
    language("[Lang]\nDone=Finished\n");
    const char* text = "Timed out";
    EXPECT_EQ(TranslateText(text), text);
}

TEST_F(Translate, BlanksAroundTheEqualsSignMakeADifferentKey) {
    language("[Lang]\nDone = Finished\n");
    EXPECT_STREQ(TranslateText("Done"), "Done");
}

TEST_F(Translate, TheSectionHeaderMatchesWithoutCase) {
    language("[lang]\nBusy=Occupied\n");
    EXPECT_STREQ(TranslateText("Busy"), "Occupied");
}

TEST_F(Translate, FormattedErrorTextsHaveOneKeyPerNumber) {
    language("[Lang]\nError Code 12=E12\n");
    EXPECT_STREQ(TranslateText(strformat("Error Code %d", 12).c_str()), "E12");
    std::string other = strformat("Error Code %d", 13);
    EXPECT_STREQ(TranslateText(other.c_str()), "Error Code 13");
}

TEST_F(Translate, ALaterLineForTheSameKeyWins) {
    language("[Lang]\nClosed=Shut\nClosed=Locked\n");
    EXPECT_STREQ(TranslateText("Closed"), "Locked");
}

TEST_F(Translate, ASemicolonBeforeTheEqualsSignMakesAComment) {
    language("[Lang]\nBusy;x=y\n");
    EXPECT_STREQ(TranslateText("Busy"), "Busy");
    EXPECT_STREQ(TranslateText("Busy;x"), "Busy;x");
}

TEST_F(Translate, AnEmptyTranslationCountsAsNone) {
    language("[Lang]\nDone=\n");
    EXPECT_STREQ(TranslateText("Done"), "Done");
}

TEST_F(Translate, ATabLineEndsTheReadingThere) {
    language("[Lang]\nDone=Finished\n\tx=y\nBusy=Occupied\n");
    ::testing::internal::CaptureStdout();
    EXPECT_STREQ(TranslateText("Done"), "Finished");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Failing on char 9\n");
    EXPECT_STREQ(TranslateText("Busy"), "Busy");
}

TEST_F(Translate, PercentSignsInTranslationsAreKept) {
    language("[Lang]\nDone=100%s done\n");
    EXPECT_STREQ(TranslateText("Done"), "100%s done");
}

TEST_F(Translate, TheFileIsReadOnceOnly) {
    language("[Lang]\nDone=Finished\n");
    EXPECT_STREQ(TranslateText("Done"), "Finished");
    language("[Lang]\nDone=Changed\n");
    EXPECT_STREQ(TranslateText("Done"), "Finished");
}

TEST_F(Translate, TheCurrentDirectoryIsSearchedAfterQxconfig) {
    std::string cwdDir = makeTempDir("cwd");
    language("[Lang]\nDone=From current\n", cwdDir);
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(cwdDir);
    EXPECT_STREQ(TranslateText("Done"), "From current");  // QXCONFIG has no file
    resetLanguageTableForTesting();
    language("[Lang]\nDone=From config\n");
    EXPECT_STREQ(TranslateText("Done"), "From config");
    std::filesystem::current_path(previous);
}

TEST_F(Translate, TheSystemDirectoryIsSearchedLast) {
    std::string systemDir = makeTempDir("sys");
    qxplat::setSystemDirectoryForTesting(systemDir);
    language("[Lang]\nDone=From system\n", systemDir);
    EXPECT_STREQ(TranslateText("Done"), "From system");
    unsetEnv("QXCONFIG");
    resetLanguageTableForTesting();
    EXPECT_STREQ(TranslateText("Done"), "From system");
}

TEST_F(Translate, ConcurrentFirstCallsShareOneTable) {
    language("[Lang]\nDone=Finished\n");
    std::vector<const char*> results(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] { results[i] = TranslateText("Done"); });
    }
    for (std::thread& thread : threads) thread.join();
    for (const char* result : results) EXPECT_EQ(result, results[0]);
    EXPECT_STREQ(results[0], "Finished");
}

}  // namespace
}  // namespace qxtest
