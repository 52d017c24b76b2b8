#pragma once

// Small helpers shared by the widget tests.

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

namespace WidgetTestSupport {

// Some widgets keep their size hints protected; layouts reach them as QWidget.
inline QSize sizeHintOf(const QWidget& widget)
{
    return widget.sizeHint();
}

inline QSize minimumSizeHintOf(const QWidget& widget)
{
    return widget.minimumSizeHint();
}

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

} // namespace WidgetTestSupport
