#pragma once

#include <QDir>

// Draws the main window's own title-bar pictures (window buttons and the
// look button) into <client images>/preview/title; the client's other
// pictures come from ClientPictures.
bool drawMainWindowPictures(const QDir& clientImages);
