// The simulator's control language and its device layout.

#include "ControlCommands.h"
#include "Simulator.h"
#include "Socket.h"

#include "../../platform/tessoran/TestSupport.h"

#include "tessoran.h"

#include <QProcess>

#include <cstring>

namespace {

class ControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        devsim::Layout layout;
        layout.devices = 2;
        layout.camerasPerDevice = 2;
        layout.port = testsupport::reservePort();
        layout.alarmPort = 0;
        layout.firstSubnet = testsupport::privateSubnet();
        specs_ = devsim::Simulator::devicesFor(layout);
        std::string error;
        ASSERT_TRUE(sim_.start(specs_, devsim::Simulator::defaultClipPath(), error)) << error;
        first_ = specs_[0].address;
    }
    std::string run(const std::string& line) { return devsim::executeControl(sim_, line); }

    std::vector<devsim::DeviceSpec> specs_;
    devsim::Simulator sim_;
    std::string first_;
};

TEST_F(ControlTest, LayoutGivesEveryDeviceAndCameraItsOwnAddress)
{
    ASSERT_EQ(sim_.devices().size(), 2u);
    std::set<std::string> addresses;
    for (const auto& d : specs_) {
        addresses.insert(d.address);
        EXPECT_NE(sim_.find(d.address), nullptr);
        for (const auto& c : d.cameras) {
            addresses.insert(c.address);
            EXPECT_NE(sim_.find(c.address), nullptr);
            EXPECT_EQ(c.address.rfind("127.0.", 0), 0u);
        }
    }
    EXPECT_EQ(addresses.size(), 6u);
    EXPECT_EQ(sim_.find("127.0.0.99"), nullptr);
}

struct CommandCase
{
    const char* name;
    const char* line; // "%d" stands for the first device's address
    const char* answerStart;
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

class ControlCommandTest : public ControlTest, public ::testing::WithParamInterface<CommandCase>
{ };

TEST_P(ControlCommandTest, Answers)
{
    std::string line = GetParam().line;
    auto at = line.find("%d");
    if (at != std::string::npos)
        line.replace(at, 2, first_);
    std::string answer = run(line);
    EXPECT_EQ(answer.rfind(GetParam().answerStart, 0), 0u) << line << " -> " << answer;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ControlCommandTest,
    ::testing::Values(
        CommandCase{"Help", "help", "ok"}, CommandCase{"StreamsNoneOpen", "streams", "ok 0"},
        CommandCase{"FireIncident", "fire %d incident", "ok"}, CommandCase{"FireMany", "fire %d violation 5", "ok"},
        CommandCase{"FireUnknownKind", "fire %d parade", "error: fire takes"},
        CommandCase{"FireZero", "fire %d traffic 0", "error: count"}, CommandCase{"RateAll", "rate all 0.5", "ok"},
        CommandCase{"RateNotANumber", "rate %d fast", "error: rate needs a number"},
        CommandCase{"RateNegative", "rate %d -1", "error: rate must not"}, CommandCase{"StallOn", "stall %d on", "ok"},
        CommandCase{"StallMaybe", "stall %d maybe", "error: stall takes"},
        CommandCase{"Malformed", "malformed %d lane-count-nine", "ok"},
        CommandCase{"MalformedUnknown", "malformed %d scribble", "error: unknown malformed"},
        CommandCase{"DownloadRate", "download-rate %d 1024", "ok"},
        CommandCase{"UnknownDevice", "drop 127.0.0.99", "error: no device"},
        CommandCase{"NoDevice", "drop", "error: drop needs a device"},
        CommandCase{"UnknownCommand", "jump %d", "error: unknown command"},
        CommandCase{"Empty", "   ", "error: empty"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlTest, DropRestoreAndListShowTheState)
{
    ASSERT_EQ(run("drop " + first_), "ok");
    EXPECT_TRUE(sim_.find(first_)->isDropped());
    EXPECT_NE(run("list").find(first_ + ":" + std::to_string(specs_[0].port) + " user admin password dev12345 dropped"),
              std::string::npos);
    ASSERT_EQ(run("restore " + first_), "ok");
    EXPECT_FALSE(sim_.find(first_)->isDropped());
    std::string camera = specs_[1].cameras[1].address;
    EXPECT_EQ(run("drop " + camera), "ok");
    EXPECT_TRUE(sim_.find(camera)->isDropped());
}

TEST_F(ControlTest, SessionsCountTheOpenLoginsOfADeviceOrOfAll)
{
    ASSERT_TRUE(TSR_Init());
    auto login = [](const std::string& address, uint16_t port, const std::string& user, const std::string& password) {
        TSR_USER_LOGIN_INFO info{};
        std::strncpy(info.sDeviceAddress, address.c_str(), sizeof info.sDeviceAddress - 1);
        info.wPort = port;
        std::strncpy(info.sUserName, user.c_str(), sizeof info.sUserName - 1);
        std::strncpy(info.sPassword, password.c_str(), sizeof info.sPassword - 1);
        return TSR_Login(&info, nullptr);
    };
    EXPECT_EQ(run("sessions all"), "ok 0");
    const devsim::CameraSpec& camera = specs_[1].cameras[0];
    const int32_t device = login(first_, specs_[0].port, specs_[0].user, specs_[0].password);
    const int32_t again = login(first_, specs_[0].port, specs_[0].user, specs_[0].password);
    const int32_t cameraLogin = login(camera.address, camera.port, camera.user, camera.password);
    ASSERT_GE(device, 0);
    ASSERT_GE(again, 0);
    ASSERT_GE(cameraLogin, 0);
    EXPECT_EQ(run("sessions " + first_), "ok 2");
    EXPECT_EQ(run("sessions " + camera.address), "ok 1");
    EXPECT_EQ(run("sessions " + specs_[1].address), "ok 0");
    EXPECT_EQ(run("sessions all"), "ok 3");
    EXPECT_EQ(run("sessions 127.0.0.99"), "error: no device at 127.0.0.99");
    EXPECT_EQ(run("sessions"), "error: sessions needs a device");

    // A logout closes the session on the device's side shortly after.
    ASSERT_TRUE(TSR_Logout(again));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return run("sessions " + first_) == "ok 1"; }));
    ASSERT_TRUE(TSR_Logout(device));
    ASSERT_TRUE(TSR_Logout(cameraLogin));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return run("sessions all") == "ok 0"; }));
    TSR_Cleanup();
}

TEST(DevsimProgram, HelpExplainsItsOptions)
{
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + "/corvane-devsim", {"--help"});
    ASSERT_TRUE(program.waitForFinished(30000));
    QString help = QString::fromUtf8(program.readAllStandardOutput());
    for (const char* option : {"--demo", "--devices", "--cameras", "--port", "--alarm-port", "--alarm-rate",
                               "--control-port", "--clip", "malformed"})
        EXPECT_TRUE(help.contains(option)) << option;
}

// Scripts act right after a command returns: by then the port refuses, or
// takes, connections. A connection open before the drop is cut.
TEST_F(ControlTest, DropAndRestoreHaveTakenEffectWhenTheyReturn)
{
    auto connect = [&] {
        tessoran::wire::IoStatus status;
        tessoran::wire::Socket socket = tessoran::wire::Socket::connectTo(first_, specs_[0].port, 5000, {}, status);
        return socket;
    };
    for (int round = 0; round < 20; ++round) {
        tessoran::wire::Socket earlier = connect();
        ASSERT_TRUE(earlier.valid());
        ASSERT_EQ(run("drop " + first_), "ok");
        EXPECT_FALSE(connect().valid()) << "round " << round;
        char byte;
        EXPECT_EQ(earlier.readExact(&byte, 1, 5000, {}), tessoran::wire::IoStatus::Closed);
        ASSERT_EQ(run("restore " + first_), "ok");
        EXPECT_TRUE(connect().valid()) << "round " << round;
    }
}

// A bad option stops the program before any device starts, whatever follows it.
struct BadOptions
{
    const char* name;
    QStringList arguments;
};

// Test listings show the case name instead of the bytes.
void PrintTo(const BadOptions& options, std::ostream* os)
{
    *os << options.name;
}

class DevsimProgramOptions : public ::testing::TestWithParam<BadOptions>
{ };

TEST_P(DevsimProgramOptions, AreRefused)
{
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + "/corvane-devsim",
                  GetParam().arguments + QStringList{"--alarm-port", "0", "--control-port", "0"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_FALSE(QString::fromUtf8(program.readAllStandardOutput()).contains("device "));
}

INSTANTIATE_TEST_SUITE_P(
    Devsim, DevsimProgramOptions,
    ::testing::Values(BadOptions{"NoDevices", {"--devices", "0"}},
                      BadOptions{"NoDevicesThenAGoodRate", {"--devices", "0", "--alarm-rate", "0.5"}},
                      BadOptions{"RateNotANumber", {"--alarm-rate", "fast"}},
                      BadOptions{"NegativeRate", {"--alarm-rate", "-1"}},
                      BadOptions{"AddressesPastTheLastSubnet", {"--first-subnet", "250", "--devices", "10"}},
                      BadOptions{"ClipSizeOdd", {"--clip-size", "1281x720"}},
                      BadOptions{"ClipSizeNotASize", {"--clip-size", "large"}}),
    [](const ::testing::TestParamInfo<BadOptions>& info) { return info.param.name; });

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
