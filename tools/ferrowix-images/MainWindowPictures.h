#pragma once

#include <QDir>

// Draws the pictures of the client's main window (logo, title-bar and tool
// buttons, device-tree and incident-type icons, clock and split-screen
// pictures) into the client's resource folder, below "images/".
bool drawMainWindowPictures(const QDir& clientResources);
