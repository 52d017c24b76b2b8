#pragma once

#include <QtGlobal>

#include <array>
#include <string>

// Codes of incidents as the devices send them and the incidentType column
// stores them. The enumerator names are the keys of the "Incident" settings
// group. LowSpeed is 260 (bits 2 and 8), not 256; bits 65536 and 262144 are unused.
enum IncidentType : quint32 {
    Congestion = 1,
    IllegallyPark = 2,
    WrongWayDriving = 4,
    Pedestrian = 8,
    ObjectsDroppedDown = 16,
    Smog = 32,
    LinePressing = 64,
    LowSpeed = 260,
    ChangeLane = 512,
    TurnRound = 1024,
    VehicleViolation = 2048,
    QueueJumping = 4096,
    RoadBlock = 8192,
    Construction = 16384,
    Accident = 32768,
    Visibility = 131072,
    Fire = 524288,
};

// Traffic state of a lane in a traffic-parameter record.
enum TrafficState : quint32 {
    TrafficStateInvalid = 0,
    TrafficStateFree = 1,
    TrafficStateCrowded = 2,
    TrafficStateJammed = 3,
};

struct IncidentTypeEntry
{
    IncidentType code;
    const char* settingsKey; // "Incident/<enumerator>"
    const char* displayName; // Chinese source text of the translation (context "QObject")
};

struct ViolationTypeEntry
{
    quint32 code;
    const char* displayName; // Chinese source text of the translation (context "QObject")
};

// Every incident type, in ascending code order (the order of the filter settings).
const std::array<IncidentTypeEntry, 17>& IncidentTypes();
// Every violation code the devices send, ascending.
const std::array<ViolationTypeEntry, 8>& ViolationTypes();

// Display names follow the installed translation and come back as UTF-8;
// a code without a name gives an empty string.
std::string IncidentTypeName(quint32 code);
std::string ViolationTypeName(quint32 code);
std::string TrafficStateName(quint32 state);

// Exact, case-sensitive match of a whole "Incident/..." key; 0 when none matches.
quint32 IncidentTypeFromKey(const std::string& key);
// The settings key of an incident code; empty when the code has no type.
std::string IncidentTypeKey(quint32 code);
