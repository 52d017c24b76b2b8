#pragma once

#include <QString>

// LIKE pattern that finds `fragment` anywhere in a text, with the fragment's own
// "%", "_" and escape characters matching themselves. Use with kLikeEscapeClause.
QString LikeContainsPattern(const QString& fragment);

inline constexpr const char* kLikeEscapeClause = "escape '\\'";
