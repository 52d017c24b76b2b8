#pragma once

class QPixmap;
class QWidget;

// Draws `pixmap` at its own size centred in `widget` (integer division, so a
// picture smaller than the widget sits in its middle). A null pixmap draws nothing.
void DrawCentredPixmap(QWidget* widget, const QPixmap& pixmap);
