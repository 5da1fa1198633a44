// link_load_test.cpp - loading the device library, binding its entries,
// opening and closing the connection, and unloading.
#include <gtest/gtest.h>

#include "core/device_model.h"
#include "tests/link/link_fixture.h"

namespace qxtest {
namespace {

// bin/variants/<name>/ beside the test program.
std::string variantDirectory(const char* name) {
    return programDirectory() + "variants" + qxplat::pathSeparator() + name;
}

class LinkLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        useFreshLogDir("link_load");
        qxplat::setLibraryDirectoryForTesting(programDirectory());
    }
    void TearDown() override {
        qxplat::setLibraryDirectoryForTesting("");
        g_nCallbacksInProgress = 0;
        if (g_link.isLoaded()) {
            g_link.exit(message);
            g_link.freeTheComLibrary(message);
        }
    }
    char message[QX_BUFFER_CAPACITY] = "";
};

// Entries are checked in the order initiate, close, send; a missing one
// leaves nothing loaded.
TEST_F(LinkLoadTest, LibraryMissingAnEntryIsRefusedAndUnloaded) {
    const struct {
        const char* variant;
        const char* text;
    } cases[] = {{"no_initiate", "qx_initiate is null"},
                 {"no_close", "qx_dini is null"},
                 {"no_send", "qx_002 is null"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        qxplat::setLibraryDirectoryForTesting(variantDirectory(c.variant));
        std::strcpy(message, "untouched");
        EXPECT_EQ(g_link.initialize(&CallbackRecorder::entry, "COM1", message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, c.text);
        EXPECT_FALSE(g_link.isLoaded());
        // With the slots cleared, closing finds no close entry.
        EXPECT_EQ(g_link.my_qx_dini(message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "qx_dini is null");
    }
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::loadTheComLibrary: Calling LoadLibrary(DorvoLINK)")
                  .size(),
              3u);
}

TEST_F(LinkLoadTest, FreeWithNothingLoadedFails) {
    EXPECT_EQ(g_link.freeTheComLibrary(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Handle to library is null");
}

TEST_F(LinkLoadTest, LoadBindsAllEntriesAndFreeUnloads) {
    ASSERT_EQ(g_link.loadTheComLibrary(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(g_link.isLoaded());
    ASSERT_EQ(g_link.freeTheComLibrary(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_FALSE(g_link.isLoaded());
}

class LinkSessionTest : public LinkTest {};

TEST_F(LinkSessionTest, FailingInitiatePassesResultAndAnswerThrough) {
    ASSERT_EQ(g_link.exit(message), QX_STATUS_OK);
    sim.setOption("initiate_result", 9);
    EXPECT_EQ(g_link.initialize(&CallbackRecorder::entry, "COM7", message), 9);
    // The device library's own text, as it came.
    EXPECT_STREQ(message, "Cannot open port COM7");
    EXPECT_TRUE(g_link.isLoaded());
    EXPECT_EQ(logLinesContaining("qxerror", "CDorvoLink::initialize: my_qx_initiate returned "
                                            "error, portName: COM7, ans: Cannot open port COM7, "
                                            "nReturn: 9")
                  .size(),
              1u);
    sim.setOption("initiate_result", 0);
}

TEST_F(LinkSessionTest, ExitClosesAndUnloadsThenInitializeLoadsAgain) {
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::initialize: Calling my_qx_initiate").size(),
              1u);
    std::strcpy(message, "untouched");
    ASSERT_EQ(g_link.exit(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_FALSE(g_link.isLoaded());
    ASSERT_EQ(g_link.initialize(&CallbackRecorder::entry, "COM1", message), QX_STATUS_OK);
    EXPECT_EQ(g_link.verifyQX("QXLOGICS", message), QX_STATUS_OK);
    std::vector<std::string> texts = callbacks();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].substr(0, 1), "x");
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::exit: Done, returning QX_STATUS_OK").size(),
              1u);
}

TEST_F(LinkSessionTest, ExitDuringApplicationCallbackKeepsLibraryLoaded) {
    g_nCallbacksInProgress = 2;
    EXPECT_EQ(g_link.exit(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(g_link.isLoaded());
    EXPECT_EQ(logLinesContaining("qxlogic",
                                 "CDorvoLink::exit: NOT calling freeTheComLibrary since we're "
                                 "currently processing (2) callback function(s) in that library.")
                  .size(),
              1u);
    EXPECT_TRUE(logLinesContaining("qxlogic", "CDorvoLink::exit: Calling freeTheComLibrary").empty());
    g_nCallbacksInProgress = 0;
    EXPECT_EQ(g_link.freeTheComLibrary(message), QX_STATUS_OK);
}

}  // namespace
}  // namespace qxtest
