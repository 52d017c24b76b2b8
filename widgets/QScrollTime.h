#pragma once

#include <QFrame>
#include <QModelIndex>
#include <QTime>

#include <memory>

class QListView;
class QScrollTimeForm;

// Picks a time of day on three scrolling columns (hours, minutes, seconds): the
// row that scrolls into the highlighted band is the chosen value.
class QScrollTime : public QFrame
{
    Q_OBJECT

public:
    QScrollTime(QWidget* parent, Qt::WindowFlags flags);
    ~QScrollTime() override;

    // Shows `time`; an invalid time (an empty field) shows 00:00:00, which
    // confirming fills in and cancelling leaves out.
    void setTime(const QTime& time);
    QTime time() const;

signals:
    void timeChanged(QTime time);
    void singalCancelClicked(QTime time);

public slots:
    void slotTimeClicked(QModelIndex index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private slots:
    void slotDelaySetTime();

private:
    void slotTimeChangedByScorll(QListView* list);
    void scrollToValue(QListView* list, int value);
    QListView* listOf(const QObject* viewport) const;

    std::unique_ptr<QScrollTimeForm> ui;
    QTime m_initialTime;
    QTime m_chosenTime;
    QRect m_bandRect;
};
