// Corvane: the client of the roadside traffic-incident detection devices.
//   Corvane [--alarm-port N]   (the alarm listener's local port, 5650 by default)
#include "ClientStartup.h"

int main(int argc, char* argv[])
{
    return RunClient(argc, argv, ParseClientOptions);
}
