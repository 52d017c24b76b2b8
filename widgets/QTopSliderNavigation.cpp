#include "QTopSliderNavigation.h"

#include "ValueChange.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

#include <map>

namespace {
struct NavigationItem
{
    QString text;
    QRectF rect;
    int index = 0;
    bool visible = true;
};
} // namespace

class QTopSliderNavigationPrivate
{
public:
    explicit QTopSliderNavigationPrivate(QTopSliderNavigation* owner) : q(owner) { }

    // Runs once the owner can answer for its property: the animation reads it.
    void createAnimation()
    {
        animation = std::make_unique<QPropertyAnimation>(q, "sliderGeometry");
        animation->setEasingCurve(QEasingCurve::OutQuad);
        animation->setDuration(200);
    }

    void relayout()
    {
        qreal x = 0;
        for (auto& entry : items) {
            NavigationItem& item = entry.second;
            if (!item.visible)
                continue;
            item.rect = QRectF(x, 0, itemWidth, itemHeight);
            x += itemWidth + space;
        }
        const int n = int(items.size());
        totalWidth = n == 0 ? 0 : n * itemWidth + (n - 1) * space;
        totalHeight = itemHeight;
    }

    void select(int index)
    {
        const QRectF itemRect = items.at(index).rect;
        if (currentIndex == -1) {
            currentIndex = index;
            q->setSliderGeometry(itemRect);
            return;
        }
        currentIndex = index;
        targetRect = itemRect;
        animation->stop();
        animation->setStartValue(sliderRect);
        animation->setEndValue(targetRect);
        animation->start();
    }

    QTopSliderNavigation* q;
    int itemWidth = 92;
    int itemHeight = 48;
    int space = 18;
    int lineWidth = 2;
    QColor lineColor = QColor(43, 248, 207);
    QColor itemColor = QColor(240, 240, 240);
    QColor currentItemColor = Qt::white;
    std::map<int, NavigationItem> items;
    int totalWidth = 0;
    int totalHeight = 0;
    int currentIndex = -1;
    QRectF sliderRect;
    QRectF targetRect;
    std::unique_ptr<QPropertyAnimation> animation;
};

QTopSliderNavigation::QTopSliderNavigation(QWidget* parent)
    : QWidget(parent), d(std::make_unique<QTopSliderNavigationPrivate>(this))
{
    d->createAnimation();
}

QTopSliderNavigation::~QTopSliderNavigation() = default;

void QTopSliderNavigation::addItem(const QString& text)
{
    const int n = int(d->items.size());
    NavigationItem item;
    item.text = text;
    item.index = n;
    if (n == 0) {
        item.rect = QRectF(0, 0, d->itemWidth, d->itemHeight);
        d->totalWidth = d->itemWidth;
        d->totalHeight = d->itemHeight;
    } else {
        const int x = d->totalWidth + d->space;
        item.rect = QRectF(x, 0, d->itemWidth, d->totalHeight);
        d->totalWidth = x + d->itemWidth;
    }
    d->items.emplace(n, item);
    setMinimumSize(d->totalWidth, d->totalHeight);
    update();
}

void QTopSliderNavigation::clearItem()
{
    d->items.clear();
}

int QTopSliderNavigation::setCurrentIndex(int index)
{
    if (index < 0 || index >= int(d->items.size()))
        return -1;
    if (index == d->currentIndex)
        return 0;
    emit itemClicked(index);
    d->select(index);
    return 0;
}

int QTopSliderNavigation::setItemVisible(int index, bool visible)
{
    if (index < 0 || index >= int(d->items.size()))
        return -1;
    const auto it = d->items.find(index);
    if (it != d->items.end() && it->second.visible != visible) {
        it->second.visible = visible;
        d->relayout();
        update();
    }
    return 0;
}

void QTopSliderNavigation::setItemSize(const QSize& size)
{
    d->itemWidth = size.width();
    d->itemHeight = size.height();
    if (d->items.empty())
        return;
    d->relayout();
    setMinimumSize(d->totalWidth, d->totalHeight);
    update();
}

void QTopSliderNavigation::setSpace(int space)
{
    if (space < 0 || space == d->space)
        return;
    d->space = space;
    if (d->items.size() < 2)
        return;
    d->relayout();
    setMinimumSize(d->totalWidth, d->totalHeight);
    update();
}

void QTopSliderNavigation::setLineColor(const QColor& color)
{
    if (ValueChange::assign(d->lineColor, color))
        update();
}

void QTopSliderNavigation::setItemColor(const QColor& color)
{
    if (ValueChange::assign(d->itemColor, color))
        update();
}

void QTopSliderNavigation::setCurrentItemColor(const QColor& color)
{
    if (ValueChange::assign(d->currentItemColor, color))
        update();
}

void QTopSliderNavigation::setLineWidth(int width)
{
    if (ValueChange::assign(d->lineWidth, width))
        update();
}

void QTopSliderNavigation::setSelectItemLineWidth(int width)
{
    setLineWidth(width);
}

void QTopSliderNavigation::setSliderGeometry(const QRectF& rect)
{
    d->sliderRect = rect;
    update();
}

const QRectF& QTopSliderNavigation::sliderGeometry() const
{
    return d->sliderRect;
}

void QTopSliderNavigation::drawItemBackground(QPainter* painter)
{
    if (d->sliderRect.isNull())
        return;
    painter->setPen(Qt::NoPen);
    QColor fill(Qt::white);
    fill.setAlphaF(0.2);
    painter->setBrush(fill);
    painter->drawRect(d->sliderRect);
}

void QTopSliderNavigation::drawItemLine(QPainter* painter)
{
    if (d->sliderRect.isNull())
        return;
    painter->setPen(QPen(d->lineColor, d->lineWidth));
    painter->drawLine(d->sliderRect.topLeft(), d->sliderRect.topRight());
}

void QTopSliderNavigation::drawText(QPainter* painter)
{
    painter->setPen(Qt::white);
    for (const auto& entry : d->items) {
        const NavigationItem& item = entry.second;
        if (item.visible)
            painter->drawText(item.rect, Qt::AlignHCenter | Qt::AlignVCenter, item.text);
    }
}

void QTopSliderNavigation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawItemBackground(&painter);
    drawItemLine(&painter);
    drawText(&painter);
}

void QTopSliderNavigation::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->localPos();
    for (const auto& entry : d->items) {
        const NavigationItem& item = entry.second;
        // A hidden item keeps its old rectangle, which a visible item may now cover.
        if (!item.visible || !item.rect.contains(pos))
            continue;
        emit itemClicked(entry.first);
        if (item.index != d->currentIndex)
            d->select(item.index);
        return;
    }
}
