#pragma once

// Small helpers shared by the widget tests.

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

namespace WidgetTestSupport {

inline QColor pixel(QWidget& widget, const QPoint& at)
{
    return widget.grab().toImage().pixelColor(at);
}

// Offscreen windows get no crossing events from the platform, so tests send them.
inline void enter(QWidget& widget)
{
    QEvent event(QEvent::Enter);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

}
