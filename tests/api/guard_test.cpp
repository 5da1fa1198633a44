// guard_test.cpp - every guarded export before initQX: its entry line, the "Not initiated"
// refusal in the API and error logs and the message, out-parameters left alone or zeroed where
// the export promises it; and the module shows nothing of the library's internals.
#include <cstring>
#include <functional>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using GuardTest = ApiTest;

TEST_F(GuardTest, ExportsWithAMessageRefuseAndLeaveTheRestAlone) {
    using Call = std::function<short(const QxExports&, char*, int*)>;
    const std::pair<const char*, Call> cases[] = {
        {"exitQX(message)", [](auto& q, char* m, int*) { return q.exitQX(m); }},
        {"enablePayinQX(message)", [](auto& q, char* m, int*) { return q.enablePayinQX(m); }},
        {"disablePayinQX(message)", [](auto& q, char* m, int*) { return q.disablePayinQX(m); }},
        {"depositQX(\"slip 7\", message)",
         [](auto& q, char* m, int*) { return q.depositQX("slip 7", m); }},
        {"dispenseQX(1250, \"\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.dispenseQX(1250, nullptr, r, m); }},
        {"askPayoutQX(300, message)", [](auto& q, char* m, int*) { return q.askPayoutQX(300, m); }},
        {"askPayout2QX(-5, amountRest, message)",
         [](auto& q, char* m, int* r) { return q.askPayout2QX(-5, r, m); }},
        {"payoutQX(100, 2000, \"t\", message)",
         [](auto& q, char* m, int*) { return q.payoutQX(100, 2000, "t", m); }},
        {"payout2QX(100, 2000, \"t\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.payout2QX(100, 2000, "t", r, m); }},
        {"amountDueQX(700, \"sale 1\", amountRest, message)",
         [](auto& q, char* m, int* r) { return q.amountDueQX(700, "sale 1", r, m); }},
        {"changeQX(message)", [](auto& q, char* m, int*) { return q.changeQX(m); }},
        {"regretQX(2, message)", [](auto& q, char* m, int*) { return q.regretQX(2, m); }},
        {"resetQX(message)", [](auto& q, char* m, int*) { return q.resetQX(m); }},
        {"loginQX(1234, -7, message)", [](auto& q, char* m, int*) { return q.loginQX(1234, -7, m); }},
        {"loginStrQX(, 42, message)",
         [](auto& q, char* m, int*) { return q.loginStrQX(nullptr, "42", m); }},
        {"logoutQX(message)", [](auto& q, char* m, int*) { return q.logoutQX(m); }},
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

TEST_F(GuardTest, StatusExportsZeroTheirValuesFirst) {
    int open = 5;
    std::strcpy(message, "caller's text");
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_ERROR);
    EXPECT_EQ(open, 0);
    EXPECT_STREQ(message, "Not initiated");
    int level = 9;
    char commands[QX_BUFFER_CAPACITY] = "ABC", master[QX_BUFFER_CAPACITY] = "01.02",
         info[QX_BUFFER_CAPACITY] = "box";
    std::strcpy(message, "caller's text");
    EXPECT_EQ(qx().infoQX(&level, commands, master, info, message), QX_STATUS_ERROR);
    EXPECT_EQ(level, 0);
    for (const char* text : {commands, master, info}) EXPECT_STREQ(text, "");
    EXPECT_STREQ(message, "Not initiated");
    EXPECT_EQ(qx().infoQX(nullptr, nullptr, nullptr, nullptr, nullptr), QX_STATUS_ERROR);
    expectLogged({"=> isOpenQX(open, message)",
                  "!! isOpenQX: Failed! Returning 2 (QX_STATUS_ERROR): open=0: Not initiated",
                  "=> infoQX(level, commands, master, info, message)",
                  "!! infoQX: Failed! Returning 2 (QX_STATUS_ERROR): level=0: Not initiated"});
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
    for (const char* text : {errorText, ext, type, denomination, warning}) EXPECT_STREQ(text, "keep");
    EXPECT_EQ(warningType, 42);
    for (const char* entry : {"getErrorInfoQX(errorText, extInfo)", "getCashLevelInfoQX(extInfo)",
                              "getLevelWarningInfoQX(extInfo)", "getCashSessionInfoQX(extInfo)"}) {
        const std::string name = std::string(entry).substr(0, std::strchr(entry, '(') - entry);
        expectLogged({std::string("=> ") + entry + " called from ActiveX API",
                      "!! " + name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    }
}

TEST_F(GuardTest, TheModuleKeepsItsInternalsHidden) {
    for (const char* internal : {"g_theLogics", "g_bApiInitiated", "g_link",
                                 "_Z8WriteLogPKcii", "_Z13TranslateTextPKc"}) {
        EXPECT_EQ(findLibrarySymbol(internal), nullptr) << internal;
    }
}

}  // namespace
}  // namespace qxtest
