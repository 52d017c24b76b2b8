#pragma once

#include <QDir>

// The folder the client keeps config.ini, Corvane.db, logs and dumps in: the
// program's folder, or $CORVANE_APP_DIR when set (tests run in temporary folders).
QDir ApplicationDir();
QString ApplicationDirPath();
