#include "ComboArrowGeometry.h"

#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>

QRect comboBoxArrowRect(const QWidget* widget)
{
    QStyleOptionComboBox option;
    option.initFrom(widget);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    return widget->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, widget);
}
