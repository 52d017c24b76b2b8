#pragma once

#include <QString>

// The one table from the object names of the incident check boxes of both
// settings forms to their keys in the "Incident" group. The configuration form
// names the road-block box "checkBoxRoadblock", the quick-set form
// "checkBoxRoadBlock": both mean "Incident/RoadBlock".
namespace IncidentBoxKeys {

// The key of the box "checkBoxAll" ("全部").
QString AllKey();
// The settings key of a type box; empty for a name the table does not hold.
QString KeyOfBox(const QString& objectName);

} // namespace IncidentBoxKeys
