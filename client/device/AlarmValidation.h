#pragma once

#include "tessoran.h"

#include <cstdint>
#include <string>

// Checked copies of what the device SDK hands to the alarm listener. The alarm
// handlers read counts, lengths and texts of these records straight into loops,
// picture writes and file paths, so every copy they get has
//  - a body at least as long as its record (shorter bodies are refused),
//  - lane and picture counts clamped to the record's eight entries,
//  - picture lengths within what one alarm frame can carry and a picture
//    pointer wherever a length is given,
//  - every text field ending inside its field, and the addresses that become
//    parts of file paths holding IPv4 text only.
// Each function fills `out` (zeroed first) and returns true, or returns false
// with the reason in `why`.

// The largest alarm frame the SDK accepts; no picture can be longer.
constexpr uint32_t kMaxAlarmPictureBytes = 16u << 20;

bool CopyAlarmer(const TSR_ALARMER& alarmer, TSR_ALARMER& out, std::string& why);
bool CopyIncidentAlarm(const char* body, uint32_t length, TSR_AID_ALARM& out, std::string& why);
bool CopyTrafficParamAlarm(const char* body, uint32_t length, TSR_TPS_ALARM& out, std::string& why);
bool CopyViolationAlarm(const char* body, uint32_t length, TSR_TFS_ALARM& out, std::string& why);
