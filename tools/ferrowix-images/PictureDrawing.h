#pragma once

// Drawing pictures into PNG files, shared by the widget library's and the
// client's pictures: every picture is drawn once at one pixel per point and
// once at two ("name@2x.png"), which screens with two pixels per point load
// instead of scaling the small one up.

#include <QColor>
#include <QDir>
#include <QPainter>

#include <array>
#include <functional>

using Drawing = std::function<void(QPainter&, const QRectF&)>;

// The four looks of a picture button: normal, hover, pressed, disabled.
using StateColours = std::array<QColor, 4>;
extern const StateColours kButtonStates;
extern const char* const kStateSuffixes[4];

// Draws `name` (a path below `dir`; its folders are made) and its "@2x" twin;
// false, with a line on standard error, when a file cannot be written.
bool draw(const QDir& dir, const QString& name, const QSize& size, const Drawing& drawing);

// One file per look, as separate state pictures are named: base, base_hover,
// base_pressed, base_disabled (".png" after each).
bool drawStates(const QDir& dir, const QString& base, const QSize& size,
                const std::function<Drawing(const QColor&)>& look, const StateColours& colours = kButtonStates);
