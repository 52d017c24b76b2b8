// Logins, the login list and its lookups, and the IP channels of a device.

#include "DeviceLinkFixture.h"

#include <mutex>

namespace {

class DeviceLoginTest : public DeviceLinkTest
{
protected:
    DeviceLoginTest() { cameras = 4; }
};

TEST_F(DeviceLoginTest, LoginPassReadsEveryChannelAndStoresIt)
{
    LogCapture log("DeviceManager");
    long id = LoginDevice();
    ASSERT_GE(id, 0);
    EXPECT_TRUE(log.Contains("DeviceManager::DeviceLogin, 服务器设备" + DeviceIp().toStdString() + "登录成功，ID：" +
                             std::to_string(id)));

    QList<stu_DeviceChannelInfo> channels;
    ASSERT_TRUE(manager->GetDeviceChannelInfo(&id, DeviceIp(), &channels));
    ASSERT_EQ(channels.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const devsim::CameraSpec& camera = CameraSpec(static_cast<size_t>(i));
        EXPECT_EQ(channels[i].deviceIp, DeviceIp());
        EXPECT_EQ(channels[i].channelIp.toStdString(), camera.address);
        EXPECT_EQ(channels[i].channelPort, camera.port);
        EXPECT_EQ(channels[i].userName.toStdString(), camera.user);
        EXPECT_EQ(channels[i].password.toStdString(), camera.password);
        EXPECT_EQ(channels[i].channelNo, 0);
    }
    EXPECT_EQ(manager->GetChannelList().size(), 4);
    // Channel passwords are masked in the log.
    EXPECT_TRUE(log.Contains("通道：" + CameraSpec(0).address));
    EXPECT_TRUE(log.Contains("******"));
    EXPECT_FALSE(log.Contains(CameraSpec(0).password));

    // The records go into the database as the login pass stores them.
    DatabaseOperation* database = ImplementInstance::GetInstance()->GetDatabase();
    const stu_DeviceInfo device{QStringLiteral("路侧1"), DeviceIp(), DeviceSpec().port,
                                QString::fromStdString(DeviceSpec().user),
                                QString::fromStdString(DeviceSpec().password)};
    ASSERT_TRUE(database->ReplaceDeviceInfo(device, channels));
    QStringList stored;
    ASSERT_TRUE(database->GetChannelIpByDevIp(DeviceIp(), stored));
    stored.sort();
    QStringList expected;
    for (const stu_DeviceChannelInfo& channel : channels)
        expected.append(channel.channelIp);
    expected.sort();
    EXPECT_EQ(stored, expected);

    // A device read twice is listed twice.
    QList<stu_DeviceChannelInfo> again;
    ASSERT_TRUE(manager->GetDeviceChannelInfo(&id, DeviceIp(), &again));
    EXPECT_EQ(again.size(), 4);
    EXPECT_EQ(manager->GetChannelList().size(), 8);
}

TEST_F(DeviceLoginTest, LookupsFindLoginsByAddressPortAndUser)
{
    const stu_LoginInfo first = LoginCamera(0);
    const stu_LoginInfo second = LoginCamera(1);
    ASSERT_GE(first.lUserID, 0);
    ASSERT_GE(second.lUserID, 0);
    ASSERT_NE(first.lUserID, second.lUserID);

    EXPECT_EQ(manager->GetUserIdByIpPort(second.deviceIp, second.port), second.lUserID);
    EXPECT_EQ(manager->GetUserIdByIpPort(second.deviceIp, second.port + 1), -1);
    EXPECT_EQ(manager->GetUserIdByIpPort(QStringLiteral("127.0.0.99"), second.port), -1);

    long found = -5;
    EXPECT_TRUE(manager->GetUserIdByIpPortUser(first.deviceIp, first.port, first.userName, &found));
    EXPECT_EQ(found, first.lUserID);
    EXPECT_FALSE(manager->GetUserIdByIpPortUser(first.deviceIp, first.port, QStringLiteral("Admin"), &found));
    EXPECT_EQ(found, -1);

    stu_LoginInfo info;
    ASSERT_TRUE(manager->GetLoginInfoByUserId(second.lUserID, &info));
    EXPECT_EQ(info.deviceIp, second.deviceIp);
    EXPECT_EQ(info.port, second.port);
    EXPECT_EQ(info.userName, second.userName);
    EXPECT_EQ(info.lUserID, second.lUserID);
    EXPECT_FALSE(manager->GetLoginInfoByUserId(9999, &info));

    // Every login appends; the earlier one is found first.
    const stu_LoginInfo repeated = LoginCamera(0);
    ASSERT_GE(repeated.lUserID, 0);
    EXPECT_EQ(manager->GetLoginList().size(), 3);
    EXPECT_EQ(manager->GetUserIdByIpPort(first.deviceIp, first.port), first.lUserID);

    EXPECT_TRUE(manager->DeviceLogout(first.lUserID));
    EXPECT_EQ(manager->GetUserIdByIpPort(first.deviceIp, first.port), repeated.lUserID);
    EXPECT_FALSE(manager->DeviceLogout(first.lUserID));
    EXPECT_FALSE(manager->DeviceLogout(12345));
    EXPECT_EQ(manager->GetLoginList().size(), 2);
}

TEST_F(DeviceLoginTest, WrongChannelPasswordFailsAndListsNothing)
{
    LogCapture log("DeviceManager");
    long id = 7;
    EXPECT_FALSE(manager->DeviceLogin(CameraIp(0), CameraSpec(0).port, QString::fromStdString(CameraSpec(0).user),
                                      QStringLiteral("wrong"), &id));
    EXPECT_EQ(id, -1);
    EXPECT_TRUE(log.Contains("服务器设备" + CameraSpec(0).address + "登录失败，错误码：" +
                             std::to_string(TSR_ERR_BAD_CREDENTIALS)));
    EXPECT_TRUE(manager->GetLoginList().isEmpty());
}

TEST_F(DeviceLoginTest, OfflineDeviceFailsLoginAndChannelRead)
{
    long id = LoginDevice();
    ASSERT_GE(id, 0);

    std::mutex mutex;
    std::vector<std::pair<long, bool>> states;
    QObject receiver;
    QObject::connect(
        manager, &DeviceManager::DeviceStateSig, &receiver,
        [&](long lUserID, bool state) {
            std::lock_guard<std::mutex> lock(mutex);
            states.emplace_back(lUserID, state);
        },
        Qt::DirectConnection);
    manager->SetCallBack();
    auto stateCount = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return states.size();
    };

    Device().drop();
    LogCapture log("DeviceManager");
    long again = -1;
    EXPECT_FALSE(manager->DeviceLogin(DeviceIp(), DeviceSpec().port, QString::fromStdString(DeviceSpec().user),
                                      QString::fromStdString(DeviceSpec().password), &again));
    EXPECT_EQ(again, -1);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return stateCount() >= 1; }));
    QList<stu_DeviceChannelInfo> channels;
    EXPECT_FALSE(manager->GetDeviceChannelInfo(&id, DeviceIp(), &channels));
    EXPECT_TRUE(channels.isEmpty());
    EXPECT_TRUE(manager->GetChannelList().isEmpty());
    EXPECT_TRUE(log.Contains("获取通道信息失败，错误码:"));

    Device().restore();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return stateCount() >= 2; }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(states[0], std::make_pair(id, false));
    EXPECT_EQ(states[1], std::make_pair(id, true));
}

class NoEnabledChannelTest : public DeviceLinkTest
{
protected:
    void Customize(std::vector<devsim::DeviceSpec>& specs) override
    {
        for (devsim::CameraSpec& camera : specs.at(0).cameras)
            camera.enabled = false;
    }
};

TEST_F(NoEnabledChannelTest, ReadSucceedsWithNoChannel)
{
    long id = LoginDevice();
    ASSERT_GE(id, 0);
    QList<stu_DeviceChannelInfo> channels;
    EXPECT_TRUE(manager->GetDeviceChannelInfo(&id, DeviceIp(), &channels));
    EXPECT_TRUE(channels.isEmpty());
    EXPECT_TRUE(manager->GetChannelList().isEmpty());
}

TEST_F(DeviceLoginTest, LivePlayIntoNoWindowStartsAndStops)
{
    const stu_LoginInfo camera = LoginCamera(0);
    long handle = 0;
    ASSERT_TRUE(DeviceManager::StartRealPlay(camera.lUserID, 0, 1, 0, &handle));
    EXPECT_GE(handle, 0);
    EXPECT_TRUE(DeviceManager::StopRealPlay(handle));
    EXPECT_FALSE(DeviceManager::StopRealPlay(handle));
    EXPECT_FALSE(DeviceManager::StartRealPlay(camera.lUserID, 0, 9, 0, &handle));
    EXPECT_EQ(handle, -1);
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
