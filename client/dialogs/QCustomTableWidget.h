#pragma once

#include <QBitArray>
#include <QTableWidget>
#include <QVector>

// The client's result table: column 0 may carry check boxes, with a
// check-all box in the header; the checked rows are tracked by row.
class QCustomTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit QCustomTableWidget(QWidget* parent = nullptr);
    QCustomTableWidget(int rows, int columns, QWidget* parent = nullptr);
    ~QCustomTableWidget() override;

    void setFirstColCheckable(bool checkable);
    // Rows whose column-0 item is checked, ascending.
    QVector<int> getCheckedRows();

private:
    void init();
    void SetAllRowsChecked(bool checked);
    void TrackRowCheck(QTableWidgetItem* item);
    void RereadRowChecks();
    void UpdateHeaderCheck();

    QBitArray m_checkedRows;
};
