#pragma once

#include <QLineEdit>
#include <QTime>

class QScrollTimePopup;

// A time field showing "HH:mm:ss"; it is not typed into: a press opens the
// scrolling time picker below it.
class QTimeLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit QTimeLineEdit(QWidget* parent = nullptr);

    QTime time() const;
    QScrollTimePopup* popup() const;

public slots:
    // An invalid time empties the field: no time chosen yet.
    void setTime(QTime time);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTime m_time;
    QScrollTimePopup* m_popup;
};
