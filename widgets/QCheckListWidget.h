#pragma once

#include <QVariant>
#include <QVector>
#include <QWidget>

#include <memory>

class InternalListWidget;
class QCheckListWidgetPrivate;

// The panel of QCheckListComboBox: a wrapping grid of check-box items led by
// the "全部" item (row 0, user value 0xffff), and a "确定" button.
class QCheckListWidget : public QWidget
{
    Q_OBJECT

public:
    // `owner` is the combo box whose text shows the selection.
    QCheckListWidget(QWidget* owner, Qt::WindowFlags flags = {});
    ~QCheckListWidget() override;

    InternalListWidget* listWidget() const;
    void addItem(const QString& text, Qt::CheckState state, const QVariant& value);
    bool getCheckItems(QVector<QVariant>& values) const;
    bool setItemChecked(const QVector<QVariant>& values);
    // The size the panel takes when shown: the owner's width, the grid's height.
    QSize fittedSize() const;

signals:
    void signalSelectConfirm();

public slots:
    // Writes the summary of the selection into the owning combo box.
    void slotSelectionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    QWidget* owner() const;

private:
    std::unique_ptr<QCheckListWidgetPrivate> d;
};
