#pragma once

#include <QString>

// True for dotted-quad IPv4 text ("192.0.2.10"): four decimal parts of one to
// three digits, each at most 255, nothing else. Addresses sent by devices become
// folder and file names, so nothing looser (no "..", separators or short forms)
// may pass.
bool IsIpv4Text(const QString& text);
