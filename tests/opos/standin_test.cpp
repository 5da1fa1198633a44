// standin_test.cpp - the scenario a till runs through the stand-in control
// object against the simulator, in order: registration; open by device
// name, claim, enable; a deposit with change; an over-dispense; a jam and
// its reset; FreezeEvents and DataEventEnabled holding events; the methods
// the device cannot serve; statistics; release, close and unregistration.
#include <gtest/gtest.h>

#include <objbase.h>

#include <memory>
#include <string>

#include "sim/qxsim.h"
#include "tests/opos/control_object.h"
#include "tests/opos/field.h"
#include "tests/opos/opos_numbers.h"

using namespace qxopos_test;

namespace {

const char kDevice[] = "QXCashChanger";
const char kDeviceKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashChanger\\QXCashChanger";
const int kEventWaitMs = 5000;
// Long enough for an event the service object should hold to arrive if it did not.
const int kQuietMs = 300;

// The till: one control object and its service object for the whole run.
struct Till {
    SinkHolder sink;
    std::unique_ptr<ServiceObject> so;
    std::string classId;
};
Till& till() { static Till instance; return instance; }
ServiceObject& so() { return *till().so; }
EventSink& sink() { return *till().sink; }

long long deviceValue() { return simEntry<long long (*)()>("qxsim_total_value")(); }
long long cashBox() { return simEntry<long long (*)()>("qxsim_cash_box")(); }
void setOption(const char* name, int value) {
    simEntry<int (*)(const char*, int)>("qxsim_set_option")(name, value);
}

// Pumps until an event of the kind came (for StatusUpdate and DirectIO, of that number).
bool waitFor(ReceivedEvent::Kind kind, long number = 0) {
    return sink().pumpUntil([=] { return sink().count(kind, number) > 0; }, kEventWaitMs);
}

class ComApartment : public ::testing::Environment {
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const kApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

#define REQUIRE_OPEN() ASSERT_TRUE(till().so) << "no service object: an earlier step failed"

}  // namespace

TEST(OposStandIn, A_RegistrationWritesClassProgIdAndDefaultDevice) {
    const std::string dll = serviceObjectFolder() + "qxopos.dll";
    ASSERT_TRUE(fileExists(dll)) << dll;
    ASSERT_FALSE(fileExists(tillFolder() + "DorvoLINK.dll")) << "the till's folder must not hold it";
    ASSERT_EQ(runRegsvr32(dll, false), 0u);

    const std::string progId = registryText(kDeviceKey, nullptr);
    ASSERT_EQ(progId, "QXLogics.CashChangerSO");
    till().classId = registryText("SOFTWARE\\Classes\\" + progId + "\\CLSID", nullptr);
    const std::string server = "SOFTWARE\\Classes\\CLSID\\" + till().classId + "\\InprocServer32";
    EXPECT_EQ(_stricmp(fullPath(registryText(server, nullptr)).c_str(), dll.c_str()), 0);
    const std::string model = registryText(server, "ThreadingModel");
    EXPECT_TRUE(model == "Apartment" || model == "Both") << model;
    for (const char* value : {"PortSettings", "InitSettings", "Operator", "Password",
                              "CurrencyCode", "CurrencyCashList"})
        EXPECT_NE(registryText(kDeviceKey, value), "<missing>") << value;
}

TEST(OposStandIn, B_OpenByDeviceNameClaimAndEnable) {
    std::string error;
    till().sink.reset(new EventSink());
    till().so = ServiceObject::create(kDevice, error);
    REQUIRE_OPEN() << error;

    // Before opening, and opening what this service object does not serve.
    EXPECT_EQ(so().call(L"ClaimDevice", 1000), E_CLOSED);
    EXPECT_EQ(so().number(PIDX_State), S_CLOSED);
    EXPECT_NE(so().open("POSPrinter", kDevice, &sink()), SUCCESS);
    EXPECT_EQ(so().call(L"GetOpenResult"), ORS_NOTSUPPORTED);
    EXPECT_NE(so().open("CashChanger", "NoSuchDevice", &sink()), SUCCESS);
    EXPECT_EQ(so().call(L"GetOpenResult"), ORS_CONFIG);

    ASSERT_EQ(so().open("CashChanger", kDevice, &sink()), SUCCESS);
    EXPECT_EQ(so().number(PIDX_State), S_IDLE);
    EXPECT_EQ(so().number(PIDX_ServiceObjectVersion) / 1000000, 1);
    EXPECT_GE(so().number(PIDX_ServiceObjectVersion) % 1000000 / 1000, 15);
    EXPECT_EQ(so().text(PIDX_DeviceName), kDevice);
    EXPECT_EQ(so().text(PIDXChan_CurrencyCashList),
              registryText(kDeviceKey, "CurrencyCashList"));

    // The device library came from the service object's folder, and the
    // till's own DLL search is as it was.
    EXPECT_EQ(_stricmp(fullPath(loadedDeviceLibrary()).c_str(),
                       (serviceObjectFolder() + "DorvoLINK.dll").c_str()),
              0)
        << loadedDeviceLibrary();
    char dllDirectory[MAX_PATH] = "";
    EXPECT_EQ(GetDllDirectoryA(MAX_PATH, dllDirectory), 0u) << dllDirectory;

    EXPECT_EQ(so().call(L"DispenseChange", 100), E_NOTCLAIMED);
    ASSERT_EQ(so().call(L"ClaimDevice", 1000), SUCCESS);
    EXPECT_EQ(so().number(PIDX_Claimed), 1);
    EXPECT_EQ(so().call(L"DispenseChange", 100), E_DISABLED);
    so().setNumber(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(so().number(PIDX_ResultCode), SUCCESS);
    EXPECT_EQ(so().number(PIDX_DeviceEnabled), 1);
    EXPECT_EQ(so().number(PIDXChan_DepositStatus), DEPOSIT_END);
}

TEST(OposStandIn, C_DepositWithChange) {
    REQUIRE_OPEN();
    const long long valueBefore = deviceValue(), boxBefore = cashBox();
    so().setNumber(PIDXChan_RealTimeDataEnabled, 1);
    so().setNumber(PIDX_DataEventEnabled, 1);
    ASSERT_EQ(so().call(L"BeginDeposit"), SUCCESS);
    EXPECT_EQ(so().number(PIDXChan_DepositStatus), DEPOSIT_START);

    sink().clear();
    ASSERT_EQ(simEntry<int (*)(int)>("qxsim_insert")(2000), 0) << "pay-in is not enabled";
    ASSERT_TRUE(waitFor(ReceivedEvent::Data));
    EXPECT_EQ(sink().events().front().number, 0) << "a DataEvent's status is 0";
    EXPECT_EQ(so().number(PIDXChan_DepositAmount), 2000);
    EXPECT_EQ(so().number(PIDXChan_DepositStatus), DEPOSIT_COUNT);
    EXPECT_EQ(so().number(PIDX_DataEventEnabled), 0) << "delivering a DataEvent disables them";

    ASSERT_EQ(so().call(L"FixDeposit"), SUCCESS);
    EXPECT_EQ(so().number(PIDXChan_DepositAmount), 2000);
    ASSERT_EQ(so().call(L"EndDeposit", DEPOSIT_CHANGE), SUCCESS);
    EXPECT_EQ(cashBox() - boxBefore, 2000) << "the deposit is booked";
    EXPECT_EQ(deviceValue() - valueBefore, 2000);

    // Right after the cash move the device answers the dispense "Busy" twice;
    // the 5.00 note it pays falls to its low mark.
    simEntry<int (*)(int, int)>("qxsim_set_level")(500, 6);
    const long long valueBeforeChange = deviceValue();
    simEntry<void (*)(char, const char*, int)>("qxsim_override_answer")('c', "001", 2);
    ASSERT_EQ(so().call(L"DispenseChange", 730), SUCCESS);
    EXPECT_EQ(valueBeforeChange - deviceValue(), 730);
    EXPECT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_NEAREMPTY));
    EXPECT_EQ(so().number(PIDXChan_DeviceStatus), CHAN_STATUS_NEAREMPTY);

    // A refill by the back office: its cash session, and the levels are good again.
    setOption("bo_refill", 5000);
    EXPECT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_EMPTYOK));
    EXPECT_TRUE(waitFor(ReceivedEvent::DirectIO, 1));
    EXPECT_EQ(so().number(PIDXChan_DeviceStatus), CHAN_STATUS_OK);
}

TEST(OposStandIn, D_OverDispensePaysNothing) {
    REQUIRE_OPEN();
    const long long before = deviceValue();
    EXPECT_EQ(so().call(L"DispenseChange", 90000000), E_EXTENDED);
    EXPECT_EQ(so().number(PIDX_ResultCodeExtended), ECHAN_OVERDISPENSE);
    EXPECT_EQ(deviceValue(), before);
}

TEST(OposStandIn, E_JamThenReset) {
    REQUIRE_OPEN();
    const long levelsBefore = so().number(PIDXChan_DeviceStatus);
    sink().clear();
    setOption("error_code", 1);
    ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAM));
    EXPECT_EQ(so().number(PIDXChan_DeviceStatus), CHAN_STATUS_JAM);
    EXPECT_EQ(so().call(L"BeginDeposit"), E_ILLEGAL) << "no deposit while jammed";

    long data = 0;
    std::string text;
    ASSERT_EQ(so().directIO(1, data, text), SUCCESS) << text;
    EXPECT_EQ(data, 0);
    ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAMOK));
    EXPECT_EQ(so().number(PIDXChan_DeviceStatus), levelsBefore);
}

TEST(OposStandIn, F_FreezeEventsAndDataEventEnabledHoldEvents) {
    REQUIRE_OPEN();
    const long long before = deviceValue();
    auto insert = simEntry<int (*)(int)>("qxsim_insert");
    ASSERT_EQ(so().call(L"BeginDeposit"), SUCCESS);
    sink().clear();

    ASSERT_EQ(so().call(L"COFreezeEvents", 1), SUCCESS);
    EXPECT_EQ(so().number(PIDX_FreezeEvents), 1);
    so().setNumber(PIDX_DataEventEnabled, 1);
    ASSERT_EQ(insert(1000), 0);
    sink().pump(kQuietMs);
    EXPECT_EQ(sink().count(ReceivedEvent::Data, 0), 0u) << "frozen";
    EXPECT_EQ(so().number(PIDX_DataCount), 1);
    ASSERT_EQ(so().call(L"COFreezeEvents", 0), SUCCESS);
    ASSERT_TRUE(waitFor(ReceivedEvent::Data));

    // Data events are now off until the till turns them on again.
    sink().clear();
    ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_PAUSE), SUCCESS);
    EXPECT_NE(insert(500), 0) << "pay-in is off while paused";
    ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), SUCCESS);
    ASSERT_EQ(insert(500), 0);
    sink().pump(kQuietMs);
    EXPECT_EQ(sink().count(ReceivedEvent::Data, 0), 0u) << "DataEventEnabled is off";
    EXPECT_EQ(so().number(PIDX_DataCount), 1);
    so().setNumber(PIDX_DataEventEnabled, 1);
    ASSERT_TRUE(waitFor(ReceivedEvent::Data));
    EXPECT_EQ(so().number(PIDXChan_DepositAmount), 1500);

    // REPAY returns everything paid in.
    ASSERT_EQ(so().call(L"FixDeposit"), SUCCESS);
    ASSERT_EQ(so().call(L"EndDeposit", DEPOSIT_REPAY), SUCCESS);
    EXPECT_EQ(deviceValue(), before);
    EXPECT_EQ(so().number(PIDXChan_DepositStatus), DEPOSIT_END);
}

TEST(OposStandIn, G_RefusedMethodsAndCapabilities) {
    REQUIRE_OPEN();
    long firmware = -1;
    EXPECT_EQ(so().compareFirmwareVersion("qx.bin", firmware), E_ILLEGAL);
    EXPECT_EQ(so().call(L"UpdateFirmware", std::string("qx.bin")), E_ILLEGAL);
    // Out of sequence.
    EXPECT_EQ(so().call(L"FixDeposit"), E_ILLEGAL);
    EXPECT_EQ(so().call(L"EndDeposit", DEPOSIT_NOCHANGE), E_ILLEGAL);
    EXPECT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), E_ILLEGAL);

    const std::pair<long, long> capabilities[] = {  // index, value
        {PIDXChan_CapDiscrepancy, 1}, {PIDX_CapCompareFirmwareVersion, 0},
        {PIDX_CapUpdateFirmware, 0}, {PIDX_CapStatisticsReporting, 1},
        {PIDX_CapUpdateStatistics, 1}, {PIDXChan_CapDeposit, 1}, {PIDXChan_CapDepositDataEvent, 1},
        {PIDXChan_CapPauseDeposit, 1}, {PIDXChan_CapRepayDeposit, 1}, {PIDXChan_CapJamSensor, 1},
        {PIDXChan_CapEmptySensor, 1}, {PIDXChan_CapNearEmptySensor, 1},
        {PIDXChan_CapFullSensor, 1}, {PIDXChan_CapNearFullSensor, 1}};
    for (const auto& [index, value] : capabilities)
        EXPECT_EQ(so().number(index), value) << "property " << index;
    EXPECT_EQ(so().number(PIDXChan_FullStatus), CHAN_STATUS_OK);
}

TEST(OposStandIn, H_StatisticsCountedByTheServiceObject) {
    REQUIRE_OPEN();
    std::string xml;
    ASSERT_EQ(so().retrieveStatistics(xml), SUCCESS);
    for (const char* counted :
         {"<Name>DepositCount</Name><Value>1</Value>", "<Name>DepositedAmount</Name><Value>2000<",
          "<Name>DispenseChangeCount</Name><Value>1</Value>",
          "<Name>DispensedAmount</Name><Value>730<", "<Name>OverDispenseCount</Name><Value>1<",
          "<Name>RepayCount</Name><Value>1<", "<Name>JamCount</Name><Value>1<",
          "<DeviceCategory UPOS=\"CashChanger\"/>"})
        EXPECT_NE(xml.find(counted), std::string::npos) << counted << " in\n" << xml;

    EXPECT_EQ(so().call(L"ResetStatistics", std::string("JamCount")), SUCCESS);
    EXPECT_EQ(so().call(L"UpdateStatistics", std::string("DepositCount=7")), SUCCESS);
    xml = "JamCount,DepositCount";
    ASSERT_EQ(so().retrieveStatistics(xml), SUCCESS);
    EXPECT_NE(xml.find("<Name>JamCount</Name><Value>0<"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Name>DepositCount</Name><Value>7<"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("DispensedAmount"), std::string::npos) << "only what was asked";
}

TEST(OposStandIn, I_JamClearedWithoutResetAndOneEventThread) {
    REQUIRE_OPEN();
    sink().clear();
    setOption("bo_withdraw", 100);
    ASSERT_TRUE(waitFor(ReceivedEvent::DirectIO, 0));
    // A coin jam that clears without a reset: the next report without an
    // error (idle, pay-in off, open) ends it.
    setOption("error_code", 2);
    ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAM));
    setOption("error_code", 0);
    simEntry<void (*)(const char*)>("qxsim_inject_callback")("a0000000031");
    ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAMOK));
    const auto events = sink().events();
    ASSERT_GE(events.size(), 3u);
    for (const ReceivedEvent& event : events) {
        EXPECT_NE(event.thread, GetCurrentThreadId()) << "raised on the application's thread";
        EXPECT_EQ(event.thread, events.front().thread) << "one event thread";
    }
    EXPECT_EQ(events.front().text.substr(0, 5), "BO/WD");
    EXPECT_EQ(sink().stuckDeliveries(), 0) << "a method waited for the event thread";
}

TEST(OposStandIn, J_ReleaseCloseAndUnregister) {
    REQUIRE_OPEN();
    EXPECT_EQ(so().call(L"ReleaseDevice"), SUCCESS);
    EXPECT_EQ(so().number(PIDX_Claimed), 0);
    EXPECT_EQ(so().number(PIDX_DeviceEnabled), 0);
    EXPECT_EQ(so().call(L"CloseService"), SUCCESS);
    EXPECT_EQ(so().number(PIDX_State), S_CLOSED);
    EXPECT_EQ(so().call(L"BeginDeposit"), E_CLOSED);
    till().so.reset();
    EXPECT_EQ(loadedDeviceLibrary(), "") << "closing unloads the device library";

    ASSERT_EQ(runRegsvr32(serviceObjectFolder() + "qxopos.dll", true), 0u);
    EXPECT_FALSE(registryKeyExists(kDeviceKey));
    EXPECT_FALSE(registryKeyExists("SOFTWARE\\Classes\\QXLogics.CashChangerSO"));
    EXPECT_FALSE(registryKeyExists("SOFTWARE\\Classes\\CLSID\\" + till().classId));
    CLSID classId;
    EXPECT_TRUE(FAILED(CLSIDFromProgID(L"QXLogics.CashChangerSO", &classId)));
    EXPECT_EQ(sink().stuckDeliveries(), 0);
}
