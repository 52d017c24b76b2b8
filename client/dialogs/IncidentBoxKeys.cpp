#include "dialogs/IncidentBoxKeys.h"

#include <array>

namespace {

struct BoxKey
{
    const char* objectName;
    const char* key;
};

constexpr std::array<BoxKey, 18> kBoxKeys{{
    {"checkBoxCongestion", "Incident/Congestion"},
    {"checkBoxIllegallyPark", "Incident/IllegallyPark"},
    {"checkBoxWrongWayDriving", "Incident/WrongWayDriving"},
    {"checkBoxPedestrian", "Incident/Pedestrian"},
    {"checkBoxObjectsDroppedDown", "Incident/ObjectsDroppedDown"},
    {"checkBoxSmog", "Incident/Smog"},
    {"checkBoxLinePressing", "Incident/LinePressing"},
    {"checkBoxLowSpeed", "Incident/LowSpeed"},
    {"checkBoxChangeLane", "Incident/ChangeLane"},
    {"checkBoxTurnRound", "Incident/TurnRound"},
    {"checkBoxVehicleViolation", "Incident/VehicleViolation"},
    {"checkBoxQueueJumping", "Incident/QueueJumping"},
    {"checkBoxRoadBlock", "Incident/RoadBlock"},
    {"checkBoxRoadblock", "Incident/RoadBlock"},
    {"checkBoxConstruction", "Incident/Construction"},
    {"checkBoxAccident", "Incident/Accident"},
    {"checkBoxVisibility", "Incident/Visibility"},
    {"checkBoxFire", "Incident/Fire"},
}};

} // namespace

QString IncidentBoxKeys::AllKey()
{
    return QStringLiteral("Incident/CheckeAll");
}

QString IncidentBoxKeys::KeyOfBox(const QString& objectName)
{
    for (const BoxKey& entry : kBoxKeys) {
        if (objectName == QLatin1String(entry.objectName))
            return QString::fromLatin1(entry.key);
    }
    return {};
}
