// The client that bench_startup times: the program Corvane is, with the probe
// that reports its first paint. It links what Corvane links and nothing more,
// so it loads the same libraries; the benchmark itself, with the device
// simulator and its libraries, is never the program timed.
#include "FirstPaintProbe.h"

#include "monitor/ClientStartup.h"
#include "monitor/Corvane.h"

int main(int argc, char** argv)
{
    return RunClient(argc, argv, [](const QStringList& arguments) {
        ClientStartOptions options = ParseClientOptions(arguments);
        options.onWindowBuilt = [](Corvane& window) { new FirstPaintProbe(&window); };
        return options;
    });
}
