// Who may talk to the client: a device must prove its password at login, and
// alarms come only from devices the client has logged into, each under its own
// address.

#include "ListenerFixture.h"

using namespace std::chrono;
using tessoran::wire::Kind;
using testsupport::RawAlarmPeer;

namespace {

using DeviceProofTest = ListenerFixture;

// A host that answers at the device's address without its password used to be
// taken for the device.
TEST_F(DeviceProofTest, ImpostorAtAStoredAddressIsRefusedAtLogin)
{
    device().impersonate(true);
    EXPECT_EQ(loginDevice(), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_BAD_CREDENTIALS));
    EXPECT_TRUE(log_.contains("did not prove the password"));
    device().impersonate(false);
    EXPECT_GE(loginDevice(), 0);
}

TEST_F(DeviceProofTest, WrongPasswordStillFailsAsBadCredentials)
{
    const devsim::DeviceSpec& spec = deviceSpec();
    EXPECT_EQ(login(spec.address, spec.port, spec.user, "wrong"), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_BAD_CREDENTIALS));
}

// An alarm from a device the client has not logged into used to be stored under
// whatever address it named. It is refused now, and kept by the device until
// the login, then delivered once.
TEST_F(DeviceProofTest, AlarmsWaitForTheLoginAndArriveOnce)
{
    listen();
    device().fireAlarms(devsim::AlarmKind::Incident, 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return log_.contains("is no device the client has logged into"); }));
    EXPECT_EQ(receivedCount(), 0u);
    loginDeviceOrFail();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 2; }));
    std::this_thread::sleep_for(milliseconds(300)); // nothing more may come
    EXPECT_EQ(received(), sent());
}

// A logout used to leave the device's accepted alarm connection open, so a
// deleted device went on delivering until the client restarted. Its alarms are
// refused from the logout until it is logged into again.
TEST_F(DeviceProofTest, LogoutEndsTheDevicesAlarms)
{
    listen();
    const int32_t id = loginDeviceOrFail();
    device().fireAlarms(devsim::AlarmKind::Incident, 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 2; }));
    ASSERT_TRUE(TSR_Logout(id));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return log_.contains("the client logged out of the device"); }));
    device().fireAlarms(devsim::AlarmKind::Violation, 3);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return log_.contains("is no device the client has logged into"); }));
    std::this_thread::sleep_for(milliseconds(300)); // nothing may come meanwhile
    EXPECT_EQ(receivedCount(), 2u);
    loginDeviceOrFail();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 5; }));
    EXPECT_EQ(received(), sent());
}

// A second login to the same device keeps its alarms coming when the first ends.
TEST_F(DeviceProofTest, AlarmsGoOnWhileAnotherLoginRemains)
{
    listen();
    const int32_t first = loginDeviceOrFail();
    loginDeviceOrFail();
    device().fireAlarms(devsim::AlarmKind::Incident, 1);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 1; }));
    ASSERT_TRUE(TSR_Logout(first));
    device().fireAlarms(devsim::AlarmKind::Incident, 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 3; }));
    EXPECT_FALSE(log_.contains("the client logged out of the device"));
}

struct StrangerCase
{
    const char* name;
    const char* password; // of the hello; null sends an alarm without one
    const char* logged;
};
void PrintTo(const StrangerCase& c, std::ostream* os)
{
    *os << c.name;
}

class StrangerTest : public DeviceProofTest, public ::testing::WithParamInterface<StrangerCase>
{ };

TEST_P(StrangerTest, IsRefusedAndDeliversNothing)
{
    loginDeviceOrFail();
    listen();
    RawAlarmPeer peer;
    ASSERT_TRUE(peer.connect(listenPort_));
    ASSERT_TRUE(peer.readChallenge());
    const devsim::DeviceSpec& spec = deviceSpec();
    if (GetParam().password) {
        EXPECT_EQ(peer.prove(spec.address, spec.port, spec.user, GetParam().password), Kind::Error);
    } else {
        peer.send(tessoran::wire::encodeFrame(Kind::Alarm, 1, device().makeAlarm(devsim::AlarmKind::Incident)));
        tessoran::wire::Frame answer;
        ASSERT_TRUE(peer.read(answer));
        EXPECT_EQ(answer.header.kind, Kind::Error);
    }
    EXPECT_TRUE(peer.closedWithin(5000));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return log_.contains(GetParam().logged); }));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(receivedCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Hosts, StrangerTest,
                         ::testing::Values(StrangerCase{"WrongProof", "guessed", "did not prove the password"},
                                           StrangerCase{"NoHello", nullptr, "starts with the device's hello"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Anyone who reaches the port may write a hello: its fields reach the log
// escaped, so they forge no line, drive no terminal and a NUL hides no reason.
struct HostileHelloCase
{
    const char* name;
    std::string address;
    std::string user;
    const char* shown; // how the hostile field appears in the refusal's line
};
void PrintTo(const HostileHelloCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileHelloTest : public DeviceProofTest, public ::testing::WithParamInterface<HostileHelloCase>
{ };

TEST_P(HostileHelloTest, FieldsAreEscapedInTheRefusal)
{
    listen();
    RawAlarmPeer peer;
    ASSERT_TRUE(peer.connect(listenPort_));
    ASSERT_TRUE(peer.readChallenge());
    EXPECT_EQ(peer.prove(GetParam().address, 8000, GetParam().user, "guessed"), Kind::Error);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return log_.contains("is no device the client has logged into"); }));
    EXPECT_EQ(log_.count(std::string(GetParam().shown) + " is no device the client has logged into"), 1u);
    for (const char raw : {'\r', '\n', '\x1b', '\x07'})
        EXPECT_EQ(log_.count(std::string(1, raw)), 0u) << int(raw);
}

INSTANTIATE_TEST_SUITE_P(
    Network, HostileHelloTest,
    ::testing::Values(
        HostileHelloCase{
            "ForgedLineInUser", "10.9.9.9",
            "admin\r\n[99999 2026-12-11 02:00:00.000]<info |DeviceManager> FORGED \x1b[31m",
            R"(10.9.9.9:8000 user admin\r\n[99999 2026-12-11 02:00:00.000]<info |DeviceManager> FORGED \x1B[31m)"},
        HostileHelloCase{"NulInAddress", std::string("10.9.9.9\0hidden", 15), "admin",
                         R"(10.9.9.9\0hidden:8000 user admin)"},
        HostileHelloCase{"BellAndBrokenUtf8", "10.9.9.9", "a\x07\xff\xfe", R"(10.9.9.9:8000 user a\x07\xFF\xFE)"},
        HostileHelloCase{"ChineseUser", "10.9.9.9", "管理员", "10.9.9.9:8000 user 管理员"}),
    [](const auto& info) { return std::string(info.param.name); });

// The simulator's attack says what the listener answered.
TEST_F(DeviceProofTest, SimulatedUnauthenticatedAlarmIsRefused)
{
    loginDeviceOrFail();
    listen();
    device().attacks().unauthenticatedAlarm(device().makeAlarm(devsim::AlarmKind::TrafficParams));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !device().attacks().results().empty(); }));
    EXPECT_NE(device().attacks().results()[0].find("refused"), std::string::npos) << device().attacks().results()[0];
    EXPECT_EQ(receivedCount(), 0u);
}

// A proven device may not send under another device's address.
TEST_F(DeviceProofTest, AlarmNamingAnotherDeviceIsDropped)
{
    loginDeviceOrFail();
    listen();
    device().sendForged("1.2.3.4");
    device().fireAlarms(devsim::AlarmKind::Incident);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == 1; }));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(received(), sent());
    EXPECT_TRUE(log_.contains("names device 1.2.3.4"));
}

TEST_F(DeviceProofTest, ListenerBindsTheAddressGiven)
{
    listen("127.0.0.1");
    RawAlarmPeer elsewhere;
    EXPECT_FALSE(elsewhere.connect(listenPort_, "127.0.0.2"));
    RawAlarmPeer here;
    ASSERT_TRUE(here.connect(listenPort_, "127.0.0.1"));
    EXPECT_TRUE(here.readChallenge());
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
