#include "CentredPixmap.h"

#include <QPainter>
#include <QWidget>

void DrawCentredPixmap(QWidget* widget, const QPixmap& pixmap)
{
    if (pixmap.isNull())
        return;
    QPainter painter(widget);
    painter.drawPixmap((widget->width() - pixmap.width()) / 2, (widget->height() - pixmap.height()) / 2, pixmap);
}
