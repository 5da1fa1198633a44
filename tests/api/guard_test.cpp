// guard_test.cpp - every guarded export before initQX: the entry line, the
// "Not initiated" refusal in the API and error logs, the message, and
// out-parameters left alone (or zeroed where the export promises it).
#include <cstring>
#include <functional>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

struct GuardCase {
    const char* name;
    const char* entryLine;
    std::function<short(const QxExports&, char*, int*)> call;
};

std::vector<GuardCase> guardedWithMessage() {
    return {
        {"exitQX", "exitQX(message)", [](auto& q, char* m, int*) { return q.exitQX(m); }},
        {"enablePayinQX", "enablePayinQX(message)",
         [](auto& q, char* m, int*) { return q.enablePayinQX(m); }},
        {"disablePayinQX", "disablePayinQX(message)",
         [](auto& q, char* m, int*) { return q.disablePayinQX(m); }},
        {"depositQX", "depositQX(\"slip 7\", message)",
         [](auto& q, char* m, int*) { return q.depositQX("slip 7", m); }},
        {"dispenseQX", "dispenseQX(1250, \"\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.dispenseQX(1250, nullptr, r, m); }},
        {"askPayoutQX", "askPayoutQX(300, message)",
         [](auto& q, char* m, int*) { return q.askPayoutQX(300, m); }},
        {"askPayout2QX", "askPayout2QX(-5, amountRest, message)",
         [](auto& q, char* m, int* r) { return q.askPayout2QX(-5, r, m); }},
        {"payoutQX", "payoutQX(100, 2000, \"t\", message)",
         [](auto& q, char* m, int*) { return q.payoutQX(100, 2000, "t", m); }},
        {"payout2QX", "payout2QX(100, 2000, \"t\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.payout2QX(100, 2000, "t", r, m); }},
        {"amountDueQX", "amountDueQX(700, \"sale 1\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.amountDueQX(700, "sale 1", r, m); }},
        {"changeQX", "changeQX(message)", [](auto& q, char* m, int*) { return q.changeQX(m); }},
        {"regretQX", "regretQX(2, message)",
         [](auto& q, char* m, int*) { return q.regretQX(2, m); }},
        {"resetQX", "resetQX(message)", [](auto& q, char* m, int*) { return q.resetQX(m); }},
        {"loginQX", "loginQX(1234, -7, message)",
         [](auto& q, char* m, int*) { return q.loginQX(1234, -7, m); }},
        {"loginStrQX", "loginStrQX(, 42, message)",
         [](auto& q, char* m, int*) { return q.loginStrQX(nullptr, "42", m); }},
        {"logoutQX", "logoutQX(message)", [](auto& q, char* m, int*) { return q.logoutQX(m); }},
    };
}

using GuardTest = ApiTest;

TEST_F(GuardTest, ExportsWithAMessageRefuseAndLeaveTheRestAlone) {
    for (const GuardCase& c : guardedWithMessage()) {
        SCOPED_TRACE(c.name);
        char message[QX_BUFFER_CAPACITY] = "caller's text";
        int rest = 777;
        EXPECT_EQ(c.call(qx(), message, &rest), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
        EXPECT_EQ(rest, 777);
        const std::string refusal =
            std::string(c.name) + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated";
        EXPECT_TRUE(log.has("qxapi", "=>", c.entryLine)) << log.containing("qxapi", c.name);
        EXPECT_TRUE(log.has("qxapi", "!!", refusal)) << log.containing("qxapi", c.name);
        EXPECT_TRUE(log.has("qxerror", "!!", refusal));
    }
    EXPECT_TRUE(commands().empty()) << "a refused export reached the device";
}

TEST_F(GuardTest, ANullMessageBufferIsSkippedButTheRefusalIsLogged) {
    EXPECT_EQ(qx().enablePayinQX(nullptr), QX_STATUS_ERROR);
    EXPECT_EQ(qx().dispenseQX(5, "x", nullptr, nullptr), QX_STATUS_ERROR);
    EXPECT_TRUE(log.has("qxapi", "!!",
                        "dispenseQX: Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"));
}

TEST_F(GuardTest, StatusExportsZeroTheirValuesFirst) {
    char message[QX_BUFFER_CAPACITY] = "caller's text";
    int open = 5;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_ERROR);
    EXPECT_EQ(open, 0);
    EXPECT_STREQ(message, "Not initiated");
    EXPECT_TRUE(log.has("qxapi", "=>", "isOpenQX(open, message)"));
    EXPECT_TRUE(log.has("qxapi", "!!",
                        "isOpenQX: Failed! Returning 2 (QX_STATUS_ERROR): open=0: Not initiated"));

    int level = 9;
    char commandsText[QX_BUFFER_CAPACITY] = "ABC", master[QX_BUFFER_CAPACITY] = "01.02",
         info[QX_BUFFER_CAPACITY] = "box";
    std::strcpy(message, "caller's text");
    EXPECT_EQ(qx().infoQX(&level, commandsText, master, info, message), QX_STATUS_ERROR);
    EXPECT_EQ(level, 0);
    EXPECT_STREQ(commandsText, "");
    EXPECT_STREQ(master, "");
    EXPECT_STREQ(info, "");
    EXPECT_STREQ(message, "Not initiated");
    EXPECT_TRUE(log.has("qxapi", "=>", "infoQX(level, commands, master, info, message)"));
    EXPECT_TRUE(log.has("qxerror", "!!",
                        "infoQX: Failed! Returning 2 (QX_STATUS_ERROR): level=0: Not initiated"));
    // Null out-buffers are allowed.
    EXPECT_EQ(qx().infoQX(nullptr, nullptr, nullptr, nullptr, nullptr), QX_STATUS_ERROR);
}

TEST_F(GuardTest, InformationExportsWriteNoOutParameter) {
    char errorText[64] = "keep", ext[64] = "keep", type[64] = "keep", denomination[64] = "keep",
         warning[64] = "keep";
    int warningType = 42;
    EXPECT_EQ(qx().getErrorInfoQX(errorText, ext), QX_STATUS_ERROR);
    EXPECT_EQ(qx().getCashLevelInfoQX(ext), QX_STATUS_ERROR);
    EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext),
              QX_STATUS_ERROR);
    EXPECT_EQ(qx().getCashSessionInfoQX(ext), QX_STATUS_ERROR);
    for (const char* text : {errorText, ext, type, denomination, warning}) {
        EXPECT_STREQ(text, "keep");
    }
    EXPECT_EQ(warningType, 42);

    const struct {
        const char* name;
        const char* entry;
    } lines[] = {
        {"getErrorInfoQX", "getErrorInfoQX(errorText, extInfo) called from ActiveX API"},
        {"getCashLevelInfoQX", "getCashLevelInfoQX(extInfo) called from ActiveX API"},
        {"getLevelWarningInfoQX", "getLevelWarningInfoQX(extInfo) called from ActiveX API"},
        {"getCashSessionInfoQX", "getCashSessionInfoQX(extInfo) called from ActiveX API"},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.name);
        EXPECT_TRUE(log.has("qxapi", "=>", line.entry));
        EXPECT_TRUE(log.has("qxerror", "!!",
                            std::string(line.name) +
                                ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"));
    }
}

}  // namespace
}  // namespace qxtest
