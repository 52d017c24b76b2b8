#pragma once

#include <QDir>

// The folder the client keeps config.ini, Corvane.db, logs and dumps in: the
// program's folder, or $CORVANE_APP_DIR when set (tests run in temporary folders).
QDir ApplicationDir();
QString ApplicationDirPath();

// Empty when files can be written into `folder` (made when missing); else the
// system's reason, e.g. "Permission denied" for a read-only folder.
QString FolderWriteProblem(const QString& folder);
