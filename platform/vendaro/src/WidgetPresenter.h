#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace vendaro {

class FrameSlot;

// Lives on the GUI thread as a child of the target widget, so it dies with
// it. It paints the newest picture over the widget's own painting through an
// event filter; input events are left alone and keep reaching the widget.
class WidgetPresenter : public QObject
{
public:
    WidgetPresenter(QWidget* widget, std::weak_ptr<FrameSlot> slot);
    ~WidgetPresenter() override;

    void show(const QImage& image);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reportSize();

    QPointer<QWidget> m_widget;
    std::weak_ptr<FrameSlot> m_slot;
    QImage m_image;
    bool m_widgetWasOpaque = false;
};

} // namespace vendaro
