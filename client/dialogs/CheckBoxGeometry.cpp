#include "CheckBoxGeometry.h"

#include <QStyle>
#include <QStyleOptionButton>

QRect CentredCheckBoxRect(const QStyle* style, const QRect& area)
{
    QStyleOptionButton option;
    const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &option);
    const int x = area.left() + (area.width() - indicator.width()) / 2;
    const int y = area.top() + (area.height() - indicator.height()) / 2;
    return QRect(QPoint(x, y), indicator.size());
}
