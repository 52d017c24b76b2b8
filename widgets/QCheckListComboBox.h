#pragma once

#include <QComboBox>
#include <QStyle>
#include <QVariant>
#include <QVector>

class QCheckListPopup;

// Multi-select drop-down: the arrow opens a panel of check-box items in a
// wrapping grid, led by an "全部" (all) item, with a "确定" button that closes
// the panel and emits signalSelectConfirm(). The box shows the checked texts
// joined by ";", or "全部". Items carry a user value (Qt::UserRole); callers
// read and set the selection as a list of those values.
class QCheckListComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit QCheckListComboBox(QWidget* parent = nullptr);
    ~QCheckListComboBox() override;

    void addItem(const QString& text, Qt::CheckState state, const QVariant& value);
    // Fills `values` with the checked items' values; true only when every item is checked.
    bool getCheckItems(QVector<QVariant>& values);
    // Checks exactly the items whose value is in `values`; false and no change when none matches.
    bool setItemChecked(const QVector<QVariant>& values);

    void showPopup() override;
    void hidePopup() override;

signals:
    void signalSelectConfirm();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Init();
    void updateArrow(QStyle::StateFlag state);

    QCheckListPopup* m_popup = nullptr;
    QStyle::StateFlag m_arrowState = QStyle::State_None;
};
