// Multicast sessions: each track joins the group its SETUP answer names and
// receives. Runs only inside a network namespace of its own (ctest starts it
// through unshare -n with loopback up, multicast on and 224.0.0.0/4 routed
// to it), so no group is joined and no datagram sent outside it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LibraryEnvironment.h"
#include "ScriptedServer.h"
#include "SessionHandle.h"
#include "StreamRecorder.h"

namespace {

// The namespace's only interface is loopback; a run outside one would join
// groups on the machine's network.
bool InOwnNetworkNamespace()
{
    std::ifstream devices("/proc/net/dev");
    std::string line;
    std::vector<std::string> interfaces;
    for (int header = 0; header < 2 && std::getline(devices, line); ++header) { }
    while (std::getline(devices, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        interfaces.push_back(name);
    }
    return interfaces == std::vector<std::string>{"lo:"};
}

TEST(Multicast, RunsInItsOwnNetworkNamespace)
{
    ASSERT_TRUE(InOwnNetworkNamespace()) << "start this program through unshare -n (see its CMakeLists.txt)";
}

TEST(Multicast, EveryTrackJoinsItsGroupAndReceives)
{
    ASSERT_TRUE(InOwnNetworkNamespace());
    ScriptedServer server({"--multicast", "239.10.20.30:5004", "--tracks", "2", "--rate", "100"});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_UDP);
    ASSERT_EQ(Pellmar_StartMulticast(session, &param, 5004), 0);
    EXPECT_EQ(recorder.Block(PELLMAR_DATA_DESTINATION), "239.10.20.30");
    EXPECT_EQ(recorder.Block(PELLMAR_DATA_PORT), "5004-5005");
    EXPECT_EQ(server.Events().Count({"\"Transport\": \"RTP/AVP;multicast;port=5004-5005\""}), 1u);
    EXPECT_EQ(server.Events().Count({"\"Transport\": \"RTP/AVP;multicast;port=5006-5007\""}), 1u);
    EXPECT_TRUE(recorder.WaitUntil([&] { return recorder.perMedia[0] >= 10 && recorder.perMedia[1] >= 10; }))
        << recorder.perMedia[0] << " " << recorder.perMedia[1];
    EXPECT_EQ(Pellmar_StopMulticast(session), 0);
    recorder.stopped = true;
    const long stopped = recorder.packets;
    EXPECT_TRUE(server.Events().WaitFor({"\"method\": \"TEARDOWN\""}));
    EXPECT_EQ(recorder.packets, stopped);
    EXPECT_EQ(recorder.afterStop, 0);
    param.iTransCode = PELLMAR_TRANS_TCP;
    EXPECT_EQ(Pellmar_StartMulticast(session, &param, 5004), PELLMAR_ERR_PARAM);
}

TEST(Multicast, TwoSessionsShareTheGroupPort)
{
    ASSERT_TRUE(InOwnNetworkNamespace());
    ScriptedServer server({"--multicast", "239.10.20.31:5010", "--rate", "100"});
    ASSERT_TRUE(server.Started());
    StreamRecorder first, second;
    SessionHandle one, two;
    STREAM_PARAM_T firstParam = first.Param(server.Url(), PELLMAR_TRANS_UDP);
    STREAM_PARAM_T secondParam = second.Param(server.Url(), PELLMAR_TRANS_UDP);
    ASSERT_EQ(Pellmar_StartMulticast(one, &firstParam, 5010), 0);
    ASSERT_EQ(Pellmar_StartMulticast(two, &secondParam, 5010), 0);
    EXPECT_TRUE(first.WaitPackets(10));
    EXPECT_TRUE(second.WaitPackets(10));
}

} // namespace
