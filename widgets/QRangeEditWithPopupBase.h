#pragma once

#include "ferrowix_export.h"

#include <QLineEdit>

class QDateTimeEdit;
class QListWidgetItem;
class QRangeCalendarWidget;

// A one-line box showing a period as two inline fields joined by a dash, with a
// calendar button that opens the range calendar pop-up under the box.
class FERROWIX_EXPORT QRangeEditWithPopupBase : public QLineEdit
{
    Q_OBJECT

public:
    QRangeEditWithPopupBase(QWidget* parent, bool withTime);
    ~QRangeEditWithPopupBase() override;

    QSize sizeHint() const override;
    // Appends the pop-up's shortcut items; they stay owned by the pop-up.
    void getShortCutDateItem(QList<QListWidgetItem*>& items);
    // `value` counts days in bits 0-7, months in bits 8-15, years in bits 16-23.
    void insertShortCutDate(const QString& text, int value);

protected:
    QDateTimeEdit* beginEdit() const;
    QDateTimeEdit* endEdit() const;

private slots:
    void onCalendarBtnClicked();

private:
    void initCalendarPopup();
    void positionCalendarPopup();

    QDateTimeEdit* m_beginEdit = nullptr;
    QDateTimeEdit* m_endEdit = nullptr;
    QRangeCalendarWidget* m_popup = nullptr;
    bool m_withTime;
};
