#pragma once

#include <QDir>

// Draws the main window's own title-bar pictures (its close button and the
// look button) into <client images>/preview/title; the client's other
// pictures, the other window buttons among them, come from ClientPictures.
bool drawMainWindowPictures(const QDir& clientImages);
