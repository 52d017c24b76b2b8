// Logins, the IP-channel configuration, handles and error reporting.

#include "SdkFixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono;

namespace {

struct LoginCase
{
    const char* name;
    const char* user;     // null: the device's own
    const char* password; // null: the device's own
    void (*prepare)(devsim::SimDevice&);
    uint32_t expectedError; // TSR_ERR_NONE: the login succeeds
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const LoginCase& c, std::ostream* os)
{
    *os << c.name;
}

class LoginTest : public SdkFixture, public ::testing::WithParamInterface<LoginCase>
{ };

TEST_P(LoginTest, AnswersAsTheDeviceBehaves)
{
    const LoginCase& c = GetParam();
    if (c.prepare)
        c.prepare(device());
    const devsim::DeviceSpec& d = deviceSpec();
    auto started = steady_clock::now();
    TSR_DEVICEINFO info{};
    int32_t id = login(d.address, d.port, c.user ? c.user : d.user, c.password ? c.password : d.password, &info);
    auto took = steady_clock::now() - started;
    if (c.expectedError == TSR_ERR_NONE) {
        ASSERT_GE(id, 0) << TSR_GetErrorMsg(nullptr);
        EXPECT_STREQ(info.sSerialNumber, d.serial.c_str());
        EXPECT_STREQ(info.sDeviceName, d.name.c_str());
        EXPECT_EQ(info.wIPChanNum, d.cameras.size());
        EXPECT_TRUE(TSR_Logout(id));
    } else {
        EXPECT_EQ(id, -1);
        EXPECT_EQ(TSR_GetLastError(), c.expectedError) << TSR_GetErrorMsg(nullptr);
    }
    // Bounded: connect and reply limits, plus slack for a loaded machine.
    EXPECT_LT(took, milliseconds(kConnectMs + kReplyMs + 3000));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginTest,
    ::testing::Values(LoginCase{"Right", nullptr, nullptr, nullptr, TSR_ERR_NONE},
                      LoginCase{"WrongPassword", nullptr, "guess", nullptr, TSR_ERR_BAD_CREDENTIALS},
                      LoginCase{"WrongUser", "intruder", nullptr, nullptr, TSR_ERR_BAD_CREDENTIALS},
                      LoginCase{"Refused", nullptr, nullptr, [](devsim::SimDevice& d) { d.refuseLogins(true); },
                                TSR_ERR_LOGIN_REFUSED},
                      LoginCase{"DeviceGone", nullptr, nullptr, [](devsim::SimDevice& d) { d.drop(); },
                                TSR_ERR_CONNECT_FAILED},
                      LoginCase{"ReplyStalled", nullptr, nullptr, [](devsim::SimDevice& d) { d.stall(true); },
                                TSR_ERR_REPLY_TIMEOUT}),
    [](const auto& info) { return std::string(info.param.name); });

// A listener whose accept queue is full drops further connection attempts, so
// connecting hangs: the login gives up at the connect limit.
TEST_F(SdkFixture, ConnectTimeoutIsBounded)
{
    std::string address = "127.0." + std::to_string(testsupport::privateSubnet()) + ".200";
    uint16_t port = testsupport::reservePort();
    int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(server, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(c);
    }
    std::this_thread::sleep_for(milliseconds(200));
    auto started = steady_clock::now();
    EXPECT_EQ(login(address, port, "admin", "x"), -1);
    auto took = steady_clock::now() - started;
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_CONNECT_TIMEOUT));
    EXPECT_GE(took, milliseconds(kConnectMs - 50));
    EXPECT_LT(took, milliseconds(kConnectMs + 3000));
    for (int c : fillers)
        close(c);
    close(server);
}

TEST_F(SdkFixture, LoginRejectsBadArguments)
{
    EXPECT_EQ(TSR_Login(nullptr, nullptr), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
    EXPECT_EQ(login("device.local", 8000, "admin", "x"), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
    TSR_USER_LOGIN_INFO unterminated{};
    std::memset(unterminated.sDeviceAddress, '1', sizeof unterminated.sDeviceAddress);
    unterminated.wPort = 8000;
    EXPECT_EQ(TSR_Login(&unterminated, nullptr), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
}

TEST_F(SdkFixture, LoginIdsAreNeverReused)
{
    std::vector<int32_t> ids;
    for (int round = 0; round < 3; ++round) {
        int32_t id = loginDevice();
        ASSERT_GE(id, 0);
        ids.push_back(id);
        ASSERT_TRUE(TSR_Logout(id));
        EXPECT_FALSE(TSR_Logout(id));
        EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    }
    TSR_Cleanup();
    ASSERT_TRUE(TSR_Init());
    int32_t afterRestart = loginDevice();
    ASSERT_GE(afterRestart, 0);
    ids.push_back(afterRestart);
    for (size_t i = 1; i < ids.size(); ++i)
        EXPECT_GT(ids[i], ids[i - 1]);
}

class ConfigTest : public SdkFixture
{
    void customize(std::vector<devsim::DeviceSpec>& specs) override
    {
        devsim::CameraSpec disabled;
        disabled.address = "127.0.250.9";
        disabled.port = 9100;
        disabled.user = "old";
        disabled.password = "retired";
        disabled.enabled = false;
        specs[0].cameras.push_back(disabled);
        specs[0].cameras[1].port = 8554;
        specs[0].cameras[1].user = "operator";
        specs[0].cameras[1].password = "p@ss-2";
    }
};

TEST_F(ConfigTest, IpChannelConfigurationIsParsedFieldByField)
{
    int32_t id = loginDevice();
    ASSERT_GE(id, 0);
    auto config = std::make_unique<TSR_IPPARACFG>();
    std::memset(config.get(), 0x5A, sizeof *config);
    uint32_t returned = 0;
    ASSERT_TRUE(TSR_GetDeviceConfig(id, TSR_GET_IPPARACFG, 0, config.get(), sizeof *config, &returned))
        << TSR_GetErrorMsg(nullptr);
    EXPECT_EQ(returned, 50792u);
    EXPECT_EQ(config->dwSize, 50792u);
    EXPECT_EQ(config->dwIPChanNum, 2u);
    const auto& cameras = deviceSpec().cameras;
    ASSERT_EQ(cameras.size(), 3u);
    for (size_t i = 0; i < cameras.size(); ++i) {
        const TSR_IPDEVINFO& entry = config->struIPDevInfo[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(entry.byEnable, cameras[i].enabled ? 1 : 0);
        EXPECT_STREQ(entry.sUserName, cameras[i].user.c_str());
        EXPECT_STREQ(entry.sPassword, cameras[i].password.c_str());
        EXPECT_STREQ(entry.sIpV4, cameras[i].address.c_str());
        EXPECT_EQ(entry.wPort, cameras[i].port);
    }
    for (size_t i = cameras.size(); i < TSR_MAX_IP_DEVICES; ++i) {
        EXPECT_EQ(config->struIPDevInfo[i].byEnable, 0);
        EXPECT_STREQ(config->struIPDevInfo[i].sIpV4, "");
    }
}

TEST_F(ConfigTest, ConfigurationQueryFailures)
{
    // Heartbeats slower than the reply limit, so the stall below is a reply
    // timeout rather than a dropped device.
    ASSERT_TRUE(TSR_SetNetworkTimes(0, kReplyMs, 2 * kReplyMs));
    int32_t id = loginDevice();
    ASSERT_GE(id, 0);
    auto config = std::make_unique<TSR_IPPARACFG>();
    uint32_t returned = 0;
    EXPECT_FALSE(TSR_GetDeviceConfig(id, TSR_GET_IPPARACFG, 0, config.get(), 1000, &returned));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_BUFFER_TOO_SMALL));
    EXPECT_FALSE(TSR_GetDeviceConfig(id, 1063, 0, config.get(), sizeof *config, &returned));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_UNSUPPORTED));
    EXPECT_FALSE(TSR_GetDeviceConfig(id + 1000, TSR_GET_IPPARACFG, 0, config.get(), sizeof *config, &returned));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    device().stall(true);
    auto started = steady_clock::now();
    EXPECT_FALSE(TSR_GetDeviceConfig(id, TSR_GET_IPPARACFG, 0, config.get(), sizeof *config, &returned));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_REPLY_TIMEOUT));
    EXPECT_LT(steady_clock::now() - started, milliseconds(kReplyMs + 3000));
}

TEST_F(SdkFixture, LastErrorIsPerThreadAndKeptBySuccess)
{
    EXPECT_FALSE(TSR_Logout(123456));
    ASSERT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    std::atomic<uint32_t> otherThread{99};
    std::thread([&] { otherThread = TSR_GetLastError(); }).join();
    EXPECT_EQ(otherThread, uint32_t(TSR_ERR_NONE));

    int32_t id = loginDevice();
    ASSERT_GE(id, 0);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    int32_t code = -1;
    const char* text = TSR_GetErrorMsg(&code);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(code, TSR_ERR_INVALID_HANDLE);
    EXPECT_STRNE(text, "");
}

TEST_F(SdkFixture, DroppedDeviceIsReportedAndRestored)
{
    struct Seen
    {
        std::mutex mutex;
        std::vector<std::pair<uint32_t, int32_t>> events;
    } seen;
    ASSERT_TRUE(TSR_SetExceptionCallBack(
        0, nullptr,
        [](uint32_t type, int32_t id, int32_t, void* user) {
            auto* s = static_cast<Seen*>(user);
            std::lock_guard<std::mutex> lock(s->mutex);
            s->events.emplace_back(type, id);
        },
        &seen));
    int32_t id = loginDevice();
    ASSERT_GE(id, 0);
    auto has = [&](uint32_t type) {
        std::lock_guard<std::mutex> lock(seen.mutex);
        for (auto& e : seen.events)
            if (e.first == type && e.second == id)
                return true;
        return false;
    };
    device().stall(true); // heartbeats go unanswered
    ASSERT_TRUE(testsupport::WaitUntil([&] { return has(TSR_EXCEPTION_DEVICE_DROPPED); }));
    EXPECT_FALSE(has(TSR_EXCEPTION_DEVICE_RESTORED));
    device().stall(false);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return has(TSR_EXCEPTION_DEVICE_RESTORED); }));
    auto config = std::make_unique<TSR_IPPARACFG>();
    uint32_t returned = 0;
    EXPECT_TRUE(TSR_GetDeviceConfig(id, TSR_GET_IPPARACFG, 0, config.get(), sizeof *config, &returned))
        << TSR_GetErrorMsg(nullptr);
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
