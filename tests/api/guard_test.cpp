// guard_test.cpp - every export before initQX: its entry line, the "Not initiated" refusal in
// the API and error logs and in the message, out-parameters left alone or zeroed as promised.
#include <cstring>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using GuardTest = ApiTest;

#define QXT_CALL(call) [](const QxExports& q, char* m, int* r) { return (void)r, q.call; }

TEST_F(GuardTest, ExportsWithAMessageRefuseAndLeaveTheRestAlone) {
    const std::pair<const char*, short (*)(const QxExports&, char*, int*)> cases[] = {
        {"exitQX(message)", QXT_CALL(exitQX(m))},
        {"enablePayinQX(message)", QXT_CALL(enablePayinQX(m))},
        {"disablePayinQX(message)", QXT_CALL(disablePayinQX(m))},
        {"depositQX(\"slip 7\", message)", QXT_CALL(depositQX("slip 7", m))},
        {"dispenseQX(1250, \"\", amountRest, message)", QXT_CALL(dispenseQX(1250, nullptr, r, m))},
        {"askPayoutQX(300, message)", QXT_CALL(askPayoutQX(300, m))},
        {"askPayout2QX(-5, amountRest, message)", QXT_CALL(askPayout2QX(-5, r, m))},
        {"payoutQX(100, 2000, \"t\", message)", QXT_CALL(payoutQX(100, 2000, "t", m))},
        {"payout2QX(100, 2000, \"t\", amountRest, message)",
         QXT_CALL(payout2QX(100, 2000, "t", r, m))},
        {"amountDueQX(700, \"sale 1\", amountRest, message)",
         QXT_CALL(amountDueQX(700, "sale 1", r, m))},
        {"changeQX(message)", QXT_CALL(changeQX(m))},
        {"regretQX(2, message)", QXT_CALL(regretQX(2, m))},
        {"resetQX(message)", QXT_CALL(resetQX(m))},
        {"loginQX(1234, -7, message)", QXT_CALL(loginQX(1234, -7, m))},
        {"loginStrQX(, 42, message)", QXT_CALL(loginStrQX(nullptr, "42", m))},
        {"logoutQX(message)", QXT_CALL(logoutQX(m))},
    };
    for (const auto& c : cases) {
        const std::string entry = c.first, name = entry.substr(0, entry.find('('));
        SCOPED_TRACE(name);
        std::strcpy(message, "caller's text");
        int rest = 777;
        EXPECT_EQ(c.second(qx(), message, &rest), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
        EXPECT_EQ(rest, 777);
        EXPECT_EQ(c.second(qx(), nullptr, nullptr), QX_STATUS_ERROR);
        // Both refusals are logged, the second without a message buffer.
        const std::string refusal = name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated";
        EXPECT_EQ(log.count("qxapi", "!!", refusal), 2);
        expectLogged({"=> " + entry, "!! " + refusal});
    }
    EXPECT_EQ(sent(""), 0) << "a refused export reached the device";
}

// The status exports zero their values first; the information exports write nothing.
TEST_F(GuardTest, OutParametersOfTheQueries) {
    int open = 5, level = 9, warningType = 42;
    char commands[64] = "ABC", master[64] = "01.02", info[64] = "box", error[64] = "keep",
         ext[64] = "keep", type[64] = "keep", denomination[64] = "keep", warning[64] = "keep";
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_ERROR);
    EXPECT_EQ(open, 0);
    std::strcpy(message, "caller's text");
    EXPECT_EQ(qx().infoQX(&level, commands, master, info, message), QX_STATUS_ERROR);
    EXPECT_EQ(level, 0);
    EXPECT_STREQ(message, "Not initiated");
    for (const char* text : {commands, master, info}) EXPECT_STREQ(text, "");
    EXPECT_EQ(qx().infoQX(nullptr, nullptr, nullptr, nullptr, nullptr), QX_STATUS_ERROR);
    EXPECT_EQ(qx().getErrorInfoQX(error, ext), QX_STATUS_ERROR);
    EXPECT_EQ(qx().getCashLevelInfoQX(ext), QX_STATUS_ERROR);
    EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext),
              QX_STATUS_ERROR);
    EXPECT_EQ(qx().getCashSessionInfoQX(ext), QX_STATUS_ERROR);
    for (const char* text : {error, ext, type, denomination, warning}) EXPECT_STREQ(text, "keep");
    EXPECT_EQ(warningType, 42);
    expectLogged({"=> isOpenQX(open, message)",
                  "!! isOpenQX: Failed! Returning 2 (QX_STATUS_ERROR): open=0: Not initiated",
                  "=> infoQX(level, commands, master, info, message)",
                  "!! infoQX: Failed! Returning 2 (QX_STATUS_ERROR): level=0: Not initiated"});
    for (const std::string name : {"getErrorInfoQX", "getCashLevelInfoQX", "getLevelWarningInfoQX",
                                   "getCashSessionInfoQX"}) {
        const std::string arguments = name == "getErrorInfoQX" ? "(errorText, extInfo)" : "(extInfo)";
        expectLogged({"=> " + name + arguments + " called from ActiveX API",
                      "!! " + name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    }
}

}  // namespace
}  // namespace qxtest
