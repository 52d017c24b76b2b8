#include "CheckIndicatorGeometry.h"

#include <QStyle>
#include <QStyleOptionButton>

QRect centredCheckIndicatorRect(const QRect& area, const QStyle* style)
{
    QStyleOptionButton option;
    option.rect = area;
    const QSize size = style->subElementRect(QStyle::SE_CheckBoxIndicator, &option).size();
    return {area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2,
            size.width(), size.height()};
}
