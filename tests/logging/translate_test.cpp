// translate_test.cpp - TranslateText through a real "qxlang.ini": where
// the file is found, what translates, and the once-only table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

// One language file, one text asked for, what comes back.
TEST_F(Translate, FileLinesToTranslations) {
    const struct {
        const char* file;
        const char* text;
        const char* expected;
    } cases[] = {
        {"[Lang]\nDone=Finished\n", "Done", "Finished"},
        {"[Lang]\nDone=Finished\n", "DONE", "Finished"},
        {"[Lang]\nDone=Finished\n", "done", "Finished"},
        {"[Lang]\nDone=Finished\n", "Timed out", "Timed out"},
        {"[Lang]\nDone = Finished\n", "Done", "Done"},  // blanks make another key
        {"[lang]\nBusy=Occupied\n", "Busy", "Occupied"},
        {"[Lang]\nError Code 12=E12\n", "Error Code 12", "E12"},
        {"[Lang]\nError Code 12=E12\n", "Error Code 13", "Error Code 13"},
        {"[Lang]\nClosed=Shut\nClosed=Locked\n", "Closed", "Locked"},
        {"[Lang]\nBusy;x=y\n", "Busy", "Busy"},  // a comment
        {"[Lang]\nBusy;x=y\n", "Busy;x", "Busy;x"},
        {"[Lang]\nDone=\n", "Done", "Done"},
        {"[Lang]\nDone=100%s done\n", "Done", "100%s done"},
    };
    for (const auto& c : cases) {
        language(c.file);
        resetLanguageTableForTesting();
        EXPECT_STREQ(TranslateText(c.text), c.expected) << c.file;
    }
    const char* untranslated = "Timed out";
    EXPECT_EQ(TranslateText(untranslated), untranslated);
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
