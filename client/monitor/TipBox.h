#pragma once

#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <array>

class QLabel;
class QPushButton;

// A small message bubble: one text, one button, and a pointer drawn as a
// four-point polygon. The button counts its clicks, hides the widget attached
// to the bubble and closes the bubble.
class TipBox : public QWidget
{
    Q_OBJECT

public:
    explicit TipBox(QWidget* parent = nullptr);

    void SetText(const QString& text, const QString& buttonText);
    // The bubble's pointer, drawn over the box.
    void SetPointer(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d);
    // Hidden together with the bubble when its button is clicked.
    void SetAttachedWidget(QWidget* widget) { attached = widget; }
    int Times() const { return nTimes; }

    Q_INVOKABLE void PushButtonClickedSlot();

signals:
    void TimesSig(int nTimes);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QPointF, 4> pointer{};
    QPointer<QWidget> attached;
    QLabel* pLabel = nullptr;
    QPushButton* pButton = nullptr;
    int nTimes = 0;
};
