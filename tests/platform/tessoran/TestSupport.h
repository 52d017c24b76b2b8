#pragma once
// Helpers shared by the SDK and simulator tests: free loopback ports, a private
// loopback subnet per test process, waiting on conditions, and a main that
// gives the simulator's picture drawing a (headless) GUI application.

#include "../../support/ReservedPort.h"
#include "../../support/WaitUntil.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace testsupport {

// Third address byte for this process's devices, so parallel tests keep apart.
inline int privateSubnet()
{
    return 20 + static_cast<int>(getpid() % 200);
}

// Runs the tests with a (headless) application that lives until the process
// ends: the offscreen platform of Qt 5.15 leaks its screen when the application
// is destroyed, which the leak checker of sanitizer builds would report.
template <class Application>
int runTestsWithApplication(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int count = argc;
    static Application* application = new Application(count, argv);
    (void)application;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
} // namespace testsupport

#define CORVANE_GTEST_MAIN_WITH_GUI                                                                                    \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return testsupport::runTestsWithApplication<QGuiApplication>(argc, argv);                                      \
    }

#define CORVANE_GTEST_MAIN_WITH_WIDGETS                                                                                \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return testsupport::runTestsWithApplication<QApplication>(argc, argv);                                         \
    }
