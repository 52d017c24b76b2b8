#include "ControlCommands.h"

#include "Simulator.h"

#include <map>
#include <sstream>
#include <vector>

namespace devsim {

const char* const kControlHelp =
    "commands (one a line; <device> is an address such as 127.0.10.1, or 'all'):\n"
    "  list                                  devices and cameras with their state (and\n"
    "                                        RTSP URLs when served)\n"
    "  streams                               live video streams open, over all devices\n"
    "  fire <device> incident|traffic|violation [count]\n"
    "  rate <device> <alarms per second>     0 stops timed alarms\n"
    "  drop <device> / restore <device>      cut and refuse connections, then allow again\n"
    "  refuse <device> on|off                refuse logins\n"
    "  stall <device> on|off                 accept connections but answer nothing\n"
    "  download-rate <device> <bytes/s>      0 means unlimited\n"
    "  malformed <device> <kind>             bad-magic, bad-version, length-over-cap,\n"
    "      truncated, wrong-record-size, lane-count-nine, picture-longer-than-sent,\n"
    "      unterminated-text, non-ipv4-text\n"
    "  impostor <device> on|off              the device forgets its password: the client\n"
    "                                        must refuse its login and its alarms\n"
    "  forge <device> <address>              an alarm naming another device as sender\n"
    "  unauthenticated <device>              an alarm sent without proving a device\n"
    "  trickle <device> <ms>                 a hello sent one byte every ms\n"
    "  hold <device> <count>                 connections announcing 16 MiB, trickling\n"
    "                                        a byte every 3 s (attack lines in list)\n"
    "  sessions <device>                     logins open on it; 'all' counts every\n"
    "                                        device and camera\n"
    "  help\n";

namespace {

const std::map<std::string, Malformed> kMalformed = {
    {"bad-magic", Malformed::BadMagic},
    {"bad-version", Malformed::BadVersion},
    {"length-over-cap", Malformed::LengthOverCap},
    {"truncated", Malformed::Truncated},
    {"wrong-record-size", Malformed::WrongRecordSize},
    {"lane-count-nine", Malformed::LaneCountNine},
    {"picture-longer-than-sent", Malformed::PictureLongerThanSent},
    {"unterminated-text", Malformed::UnterminatedText},
    {"non-ipv4-text", Malformed::NonIpv4Text},
};

const std::map<std::string, AlarmKind> kAlarmKinds = {
    {"incident", AlarmKind::Incident},
    {"traffic", AlarmKind::TrafficParams},
    {"violation", AlarmKind::Violation},
};

bool parseSwitch(const std::string& word, bool& on)
{
    if (word == "on")
        on = true;
    else if (word == "off")
        on = false;
    else
        return false;
    return true;
}

std::string list(Simulator& simulator)
{
    std::ostringstream out;
    out << "ok\n";
    for (SimDevice* device : simulator.devices()) {
        const DeviceSpec& spec = device->spec();
        out << spec.address << ":" << spec.port << " user " << spec.user << " password " << spec.password
            << (device->isDropped() ? " dropped" : "") << " alarms sent " << device->alarmsSent() << " unacknowledged "
            << device->alarmsUnacknowledged() << " resent " << device->alarmsResent()
            << (device->isImpostor() ? " impostor" : "") << "\n";
        for (const std::string& attack : device->attacks().results())
            out << "  attack " << attack << "\n";
        for (const CameraSpec& camera : spec.cameras) {
            SimDevice* served = simulator.find(camera.address);
            out << "  camera " << camera.address << ":" << camera.port << " user " << camera.user << " password "
                << camera.password << (camera.enabled ? "" : " disabled")
                << (served && served->isDropped() ? " dropped" : "");
            const std::string url = simulator.rtsp().urlOf(camera.address);
            if (!url.empty())
                out << " rtsp " << url;
            out << "\n";
        }
    }
    return out.str();
}

std::string sessions(Simulator& simulator, const std::string& address)
{
    size_t open = 0;
    if (address == "all") {
        for (SimDevice* device : simulator.devices()) {
            open += device->openSessions();
            for (const CameraSpec& camera : device->spec().cameras)
                if (SimDevice* served = simulator.find(camera.address))
                    open += served->openSessions();
        }
    } else if (SimDevice* device = simulator.find(address)) {
        open = device->openSessions();
    } else {
        return "error: no device at " + address;
    }
    return "ok " + std::to_string(open);
}

} // namespace

std::string executeControl(Simulator& simulator, const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    if (words.empty())
        return "error: empty command";
    const std::string& command = words[0];
    if (command == "help")
        return std::string("ok\n") + kControlHelp;
    if (command == "list")
        return list(simulator);
    if (command == "streams")
        return "ok " + std::to_string(simulator.liveStreams());
    if (words.size() < 2)
        return "error: " + command + " needs a device";
    if (command == "sessions")
        return sessions(simulator, words[1]);

    std::vector<SimDevice*> targets;
    if (words[1] == "all") {
        targets = simulator.devices();
    } else if (SimDevice* device = simulator.find(words[1])) {
        targets.push_back(device);
    } else {
        return "error: no device at " + words[1];
    }
    auto argument = [&](size_t i) { return i < words.size() ? words[i] : std::string(); };

    if (command == "drop" || command == "restore") {
        for (SimDevice* d : targets)
            command == "drop" ? d->drop() : d->restore();
        return "ok";
    }
    if (command == "refuse" || command == "stall" || command == "impostor") {
        bool on;
        if (!parseSwitch(argument(2), on))
            return "error: " + command + " takes on or off";
        for (SimDevice* d : targets) {
            if (command == "refuse")
                d->refuseLogins(on);
            else if (command == "stall")
                d->stall(on);
            else
                d->impersonate(on);
        }
        return "ok";
    }
    if (command == "forge") {
        if (argument(2).empty())
            return "error: forge takes the address to name";
        for (SimDevice* d : targets)
            d->sendForged(argument(2));
        return "ok";
    }
    if (command == "unauthenticated") {
        for (SimDevice* d : targets)
            d->attacks().unauthenticatedAlarm(d->makeAlarm(AlarmKind::Incident));
        return "ok";
    }
    try {
        if (command == "fire") {
            auto kind = kAlarmKinds.find(argument(2));
            if (kind == kAlarmKinds.end())
                return "error: fire takes incident, traffic or violation";
            int count = words.size() > 3 ? std::stoi(words[3]) : 1;
            if (count < 1)
                return "error: count must be positive";
            for (SimDevice* d : targets)
                d->fireAlarms(kind->second, count);
            return "ok";
        }
        if (command == "rate") {
            double rate = std::stod(argument(2));
            if (rate < 0)
                return "error: rate must not be negative";
            for (SimDevice* d : targets)
                d->setAlarmRate(rate);
            return "ok";
        }
        if (command == "trickle" || command == "hold") {
            int value = std::stoi(argument(2));
            if (value < 1)
                return "error: " + command + " takes a positive number";
            for (SimDevice* d : targets)
                command == "trickle" ? d->attacks().trickle(value) : d->attacks().hold(value);
            return "ok";
        }
        if (command == "download-rate") {
            long long rate = std::stoll(argument(2));
            if (rate < 0)
                return "error: rate must not be negative";
            for (SimDevice* d : targets)
                d->setDownloadRate(static_cast<size_t>(rate));
            return "ok";
        }
    } catch (const std::exception&) {
        return "error: " + command + " needs a number";
    }
    if (command == "malformed") {
        auto kind = kMalformed.find(argument(2));
        if (kind == kMalformed.end())
            return "error: unknown malformed kind " + argument(2);
        for (SimDevice* d : targets)
            d->sendMalformed(kind->second);
        return "ok";
    }
    return "error: unknown command " + command;
}

} // namespace devsim
