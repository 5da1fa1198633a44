// info_queue_flow_test.cpp - a window-message application fetches the texts
// behind its error, cash-level and cash-session messages through the four
// information exports, oldest first, each text once.
#include <cstring>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

using InfoQueueFlowTest = ApiTest;

// A "b" status callback with status, mode 1 and the text behind it.
std::string statusText(char status, const std::string& extInfo) {
    return std::string("b00000000") + status + "1" + extInfo;
}

TEST_F(InfoQueueFlowTest, TextsComeOutOldestFirstAndOnlyOnce) {
    EventWindow window;
    ASSERT_NE(window.handle(), nullptr);
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(qx().registerHwndQX(window.handle(), message), QX_STATUS_OK) << message;
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;

    // An error (code 12 at positions 14-15), two cash levels (a "%" in the
    // first), a cash session.
    sim().qxsim_inject_callback(statusText('2', "JAM AT 50% NT 12").c_str());
    sim().qxsim_inject_callback(statusText('3', "05 20 50%       ").c_str());
    sim().qxsim_inject_callback(statusText('3', "00 0,50         ").c_str());
    sim().qxsim_inject_callback(statusText('3', "CR/WD00004200 50%").c_str());
    ASSERT_EQ(sim().qxsim_wait_idle(2000), 0);

    char errorText[QX_BUFFER_CAPACITY] = "", ext[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(qx().getErrorInfoQX(errorText, ext), QX_STATUS_OK);
    EXPECT_STREQ(errorText, "Error Code 12");
    EXPECT_STREQ(ext, "ErrorInfo Not set");

    EXPECT_EQ(qx().getCashLevelInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "05 20 50%       ");
    EXPECT_TRUE(log.has("qxapi", "==",
                        "getCashLevelInfoQX: Ok! Returning 0 (QX_STATUS_OK): "
                        "extInfo=05 20 50%       "));

    // The second cash-level text went to the same queue: the level-warning
    // export hands it out parsed.
    int warningType = 0;
    char type[QX_BUFFER_CAPACITY] = "", denomination[QX_BUFFER_CAPACITY] = "",
         warning[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext),
              QX_STATUS_OK);
    EXPECT_EQ(warningType, 1);
    EXPECT_STREQ(type, "Empty");
    EXPECT_STREQ(denomination, "0,50");
    EXPECT_STREQ(warning, "0,50 Empty");
    EXPECT_STREQ(ext, "00 0,50         ");
    EXPECT_TRUE(log.has("qxapi", "==",
                        "getLevelWarningInfoQX: Ok! Returning 0 (QX_STATUS_OK): 1, Empty, "
                        "0,50, chWarningMessage=0,50 Empty, extInfo=00 0,50         "));

    EXPECT_EQ(qx().getCashSessionInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "CR/WD00004200 50%");

    // Each text was handed out once: the queues are empty again.
    std::strcpy(ext, "x");
    EXPECT_EQ(qx().getCashLevelInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "");
    std::strcpy(errorText, "x");
    EXPECT_EQ(qx().getErrorInfoQX(errorText, ext), QX_STATUS_OK);
    EXPECT_STREQ(errorText, "");
    std::strcpy(ext, "x");
    EXPECT_EQ(qx().getCashSessionInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "");

    // Close before the window goes away.
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;
}

}  // namespace
}  // namespace qxtest
