#pragma once

class QDir;

// Draws the pictures of the client program into its resource folder
// (client/resources/images); false when a file could not be written.
bool drawClientPictures(const QDir& imagesDir);
