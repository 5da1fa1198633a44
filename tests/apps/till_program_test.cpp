// till_program_test.cpp - runs the qxtill program as a child process
// against the device simulator: the demo shift by both delivery ways, and
// the interactive till fed through its standard input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/test_env.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fsys = std::filesystem;

std::string programDirectory() {
#if defined(_WIN32)
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
#else
    char path[4096] = "";
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) path[n] = '\0';
#endif
    return fsys::path(path).parent_path().string();
}

std::string tillProgram() {
#if defined(_WIN32)
    return (fsys::path(programDirectory()) / "qxtill.exe").string();
#else
    return (fsys::path(programDirectory()) / "qxtill").string();
#endif
}

struct TillRun {
    int exitCode = -1;
    std::string output;
};

// Runs qxtill with args in dir, standard input from input (may be empty),
// output and errors captured.  keepLogs false: QXLOGS is unset for the
// child, so the till picks its own folder.
TillRun runTill(const std::string& args, const std::string& dir, const std::string& input,
            bool keepLogs = true) {
    std::string inFile = (fsys::path(dir) / "input.txt").string();
    std::string outFile = (fsys::path(dir) / "output.txt").string();
    qxtest::writeFile(inFile, input);
    std::string command;
#if defined(_WIN32)
    command = "cd /d \"" + dir + "\" && " + (keepLogs ? "" : "set QXLOGS=&& ") + "\"" +
              tillProgram() + "\" " + args + " < \"" + inFile + "\" > \"" + outFile + "\" 2>&1";
    command = "\"" + command + "\"";  // cmd /c strips one pair of quotes
#else
    command = "cd '" + dir + "' && " + (keepLogs ? "" : "env -u QXLOGS ") + "'" +
              tillProgram() + "' " + args + " < '" + inFile + "' > '" + outFile + "' 2>&1";
#endif
    TillRun run;
    int status = std::system(command.c_str());
#if defined(_WIN32)
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    run.output = qxtest::readFile(outFile);
    return run;
}

bool has(const TillRun& run, const std::string& text) {
    return run.output.find(text) != std::string::npos;
}

#define EXPECT_OUTPUT(run, text) EXPECT_TRUE(has(run, text)) << "missing: " << (text)

TEST(TillDemo, CallbackShiftEndsCleanAndLogsBesideTheTill) {
    std::string dir = qxtest::makeTempDir("till_demo_callbacks");
    TillRun run = runTill("demo", dir, "", /*keepLogs=*/false);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_OUTPUT(run, "Logs: " + (fsys::path(dir) / "logs").string());
    EXPECT_OUTPUT(run, "registerEvents23QX(5 callbacks) -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "loginQX(1, 1) -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "amountDueQX(1250) -> 0 QX_STATUS_OK: Done (rest 0.00)");
    EXPECT_OUTPUT(run, "amountDueQX(730) -> 0 QX_STATUS_OK: Done (rest 0.00)");
    EXPECT_OUTPUT(run, "regretQX(1) -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "dispenseQX(500) -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "event status: amount=12.50 status=0 (idle, pay-in enabled) mode=1 (open)");
    EXPECT_OUTPUT(run, "event cash level: denomination=2.00 count=4");
    EXPECT_OUTPUT(run, "event level warning: type=2 (Low)");
    EXPECT_OUTPUT(run, "event error: code=1 text=\"Error Code 1\" extInfo=\"ErrorInfo Not set\"");
    EXPECT_OUTPUT(run, "enablePayinQX -> 2 QX_STATUS_ERROR: QuaxVault has error(s)");
    EXPECT_OUTPUT(run, "resetQX -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "exitQX -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "the device's cash matches the till's books");
    EXPECT_OUTPUT(run, " 0 unexpected results.");
    EXPECT_FALSE(has(run, "UNEXPECTED")) << run.output;
    // The driver wrote its logs where the till said.
    std::string api = qxtest::readLog("qxapi", (fsys::path(dir) / "logs").string());
    EXPECT_NE(api.find("initQX(Type:RS232;Name:COM1, , message)"), std::string::npos);
}

TEST(TillDemo, WindowShiftFetchesTheTextsBehindTheMessages) {
    std::string dir = qxtest::makeTempDir("till_demo_window");
    TillRun run = runTill("demo --window", dir, "");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_OUTPUT(run, "events by window messages");
    EXPECT_OUTPUT(run, "registerHwndQX(window) -> 0 QX_STATUS_OK: Done");
    EXPECT_OUTPUT(run, "mode=1 (open) [window message]");
    // Error text from getErrorInfoQX, warning from getLevelWarningInfoQX.
    EXPECT_OUTPUT(run, "event error: code=1 text=\"Error Code 1\" extInfo=\"ErrorInfo Not set\" [window message]");
    EXPECT_OUTPUT(run, "event cash level: denomination=2.00 count=4");
    EXPECT_OUTPUT(run, "warning=\"2 Low (4 Left)\" [window message]");
    EXPECT_OUTPUT(run, " 0 unexpected results.");
    EXPECT_FALSE(has(run, "UNEXPECTED")) << run.output;
}

TEST(TillInteractive, ASaleWithChangeARefundAndQuit) {
    std::string dir = qxtest::makeTempDir("till_interactive_sale");
    TillRun run = runTill("", dir,
                      "help\nlogin\npay 1250\ninsert 1000\ninsert 500\nstatus\n"
                      "refund 200\nlevels\nlogout\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_OUTPUT(run, "Commands (amounts in minor units");
    EXPECT_OUTPUT(run, "sale of 12.50: waiting for the customer's cash");
    EXPECT_OUTPUT(run, "paid in 10.00 of 12.50");
    EXPECT_OUTPUT(run, "paid in 15.00 of 12.50");
    EXPECT_OUTPUT(run, "amountDueQX(1250) -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "sale settled, change 2.50");
    EXPECT_OUTPUT(run, "isOpenQX -> open=1 -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "dispenseQX(200) -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "  2.00: ");
    EXPECT_OUTPUT(run, "logoutQX -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "exitQX -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "the device's cash matches the till's books");
    EXPECT_OUTPUT(run, "bye");
}

TEST(TillInteractive, BadInputIsAnsweredAndEndOfInputClosesTheTill) {
    std::string dir = qxtest::makeTempDir("till_interactive_bad");
    TillRun run = runTill("", dir,
                      "frobnicate\npay abc\npay -5\nrefund\npay 123456789\n"
                      "login x y\n\x01\xff\npay 100\ninsert 100\nlogin\nregret\n"
                      "pay 0\npay 300\npay 400\nrefund 100\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_OUTPUT(run, "?? unknown command 'frobnicate' (type help for the list)");
    // Refused by the driver before login, then by the device.
    EXPECT_OUTPUT(run, "enablePayinQX -> 5 QX_STATUS_CLOSED: Closed");
    EXPECT_OUTPUT(run, "the device takes no cash now");
    EXPECT_OUTPUT(run, "nothing to pay");
    EXPECT_OUTPUT(run, "a sale of 3.00 is open: insert cash or regret first");
    EXPECT_OUTPUT(run, "finish or regret the open sale first");
    EXPECT_OUTPUT(run, "(end of input)");
    EXPECT_OUTPUT(run, "logoutQX -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "exitQX -> 0 QX_STATUS_OK");
    EXPECT_OUTPUT(run, "bye");
}

}  // namespace
