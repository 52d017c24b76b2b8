#include "WidgetPresenter.h"

#include "FrameSlot.h"

#include <QEvent>
#include <QPainter>

namespace vendaro {

WidgetPresenter::WidgetPresenter(QWidget* widget, std::weak_ptr<FrameSlot> slot)
    : QObject(widget), m_widget(widget), m_slot(std::move(slot))
{
    widget->installEventFilter(this);
    reportSize();
}

WidgetPresenter::~WidgetPresenter()
{
    if (m_widget) {
        m_widget->setAttribute(Qt::WA_OpaquePaintEvent, m_widgetWasOpaque);
        m_widget->update();
    }
}

void WidgetPresenter::show(const QImage& image)
{
    if (!m_widget)
        return;
    if (m_image.isNull()) {
        // The picture covers the whole widget: what lies beneath it need not
        // be painted first, for every picture of every pane.
        m_widgetWasOpaque = m_widget->testAttribute(Qt::WA_OpaquePaintEvent);
        m_widget->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    m_image = image;
    // Callers switch the widget's updates off while a player draws into its
    // native window; here the picture goes through Qt, so it needs them on.
    if (!m_widget->updatesEnabled())
        m_widget->setUpdatesEnabled(true);
    m_widget->update();
}

bool WidgetPresenter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_widget)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::WinIdChange:
    case QEvent::Show: reportSize(); break;
    case QEvent::Paint:
        if (m_image.isNull())
            break;
        if (auto slot = m_slot.lock()) {
            QPainter painter(m_widget);
            painter.drawImage(m_widget->rect(), m_image);
            slot->pictureShown();
            return true;
        }
        deleteLater(); // the port is gone: the widget paints itself again
        break;
    default: break;
    }
    return false;
}

void WidgetPresenter::reportSize()
{
    if (auto slot = m_slot.lock())
        slot->setTargetSize(m_widget->size() * m_widget->devicePixelRatioF());
}

} // namespace vendaro
