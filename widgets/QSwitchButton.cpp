#include "QSwitchButton.h"

#include "ValueChange.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

class QSwitchButtonPrivate
{
public:
    explicit QSwitchButtonPrivate(QSwitchButton* owner) : q(owner)
    {
        font.setFamily(QStringLiteral("微软雅黑"));
        font.setPointSize(12);
    }

    QSwitchButton* q;
    QSwitchButton::StateFlag state = QSwitchButton::on;
    bool showText = false;
    QColor onColor = QColor(88, 187, 228);
    QColor offColor = QColor(191, 203, 217);
    QColor knobColor = QColor(255, 255, 255);
    int crack = 2;
    QFont font;
    bool pressed = false;
};

using ValueChange::assign;

namespace {
// Dark enough to show on both track colours.
const QColor kFocusMarkColor(64, 71, 83);

// The track: two half circles joined by straight edges, filling `box`.
QPainterPath capsulePath(const QRectF& box)
{
    const qreal h = box.height();
    QPainterPath capsule;
    capsule.moveTo(box.left() + h / 2, box.top());
    capsule.arcTo(QRectF(box.left(), box.top(), h, h), 90, 180);
    capsule.lineTo(box.right() - h / 2, box.bottom());
    capsule.arcTo(QRectF(box.right() - h, box.top(), h, h), 270, 180);
    capsule.closeSubpath();
    return capsule;
}
} // namespace

QSwitchButton::QSwitchButton(QWidget* parent) : QWidget(parent), d(std::make_unique<QSwitchButtonPrivate>(this))
{
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab like any other control of a settings form; Space toggles it.
    setFocusPolicy(Qt::StrongFocus);
}

QSwitchButton::~QSwitchButton() = default;

void QSwitchButton::setSwitchState(QSwitchButton::StateFlag state)
{
    if (!assign(d->state, state))
        return;
    emit stateChanged(state);
    update();
}

QSwitchButton::StateFlag QSwitchButton::switchState() const
{
    return d->state;
}

void QSwitchButton::setShowText(bool show)
{
    if (assign(d->showText, show))
        update();
}

bool QSwitchButton::isShowText() const
{
    return d->showText;
}

void QSwitchButton::setStateOnColor(const QColor& color)
{
    if (assign(d->onColor, color))
        update();
}

QColor QSwitchButton::stateOnColor() const
{
    return d->onColor;
}

void QSwitchButton::setStateOffColor(const QColor& color)
{
    if (assign(d->offColor, color))
        update();
}

QColor QSwitchButton::stateOffColor() const
{
    return d->offColor;
}

void QSwitchButton::setSlideBtnColor(const QColor& color)
{
    if (assign(d->knobColor, color))
        update();
}

QColor QSwitchButton::slideBtnColor() const
{
    return d->knobColor;
}

void QSwitchButton::setCrack(int crack)
{
    if (crack < 0 || crack > width())
        return;
    if (assign(d->crack, crack))
        update();
}

int QSwitchButton::crack() const
{
    return d->crack;
}

void QSwitchButton::setFont(const QFont& font)
{
    if (assign(d->font, font))
        update();
}

QFont QSwitchButton::font() const
{
    return d->font;
}

QSize QSwitchButton::sizeHint() const
{
    return QSize(64, 32);
}

void QSwitchButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    d->pressed = true;
    event->accept();
}

void QSwitchButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!d->pressed)
        return;
    d->pressed = false;
    toggle();
}

void QSwitchButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && !event->isAutoRepeat()) {
        toggle();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QSwitchButton::toggle()
{
    d->state = d->state == on ? off : on;
    emit stateChanged(d->state);
    repaint();
}

void QSwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawButtonBackground(&painter);
    if (hasFocus())
        drawFocusMark(&painter);
    if (d->showText)
        drawText(&painter);
    drawButtonSlide(&painter);
}

void QSwitchButton::drawButtonBackground(QPainter* painter)
{
    painter->setPen(Qt::NoPen);
    painter->setBrush(d->state == on ? d->onColor : d->offColor);
    painter->drawPath(capsulePath(QRectF(0, 0, width(), height())));
}

void QSwitchButton::drawFocusMark(QPainter* painter)
{
    painter->setPen(QPen(kFocusMarkColor, 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(capsulePath(QRectF(1, 1, width() - 2, height() - 2)));
}

void QSwitchButton::drawText(QPainter* painter)
{
    const bool isOn = d->state == on;
    const QString word = isOn ? QStringLiteral("开") : QStringLiteral("关");
    // Placement measures with the widget's own font, drawing uses the switch's.
    const QFontMetrics metrics = QWidget::fontMetrics();
    const int g = width() / 7;
    const int anchor = isOn ? 2 * g : 5 * g;
    const int x = anchor - metrics.horizontalAdvance(QStringLiteral("开")) / 2;
    const int y = metrics.height() / 2 + height() / 2;
    painter->setPen(Qt::white);
    painter->setFont(d->font);
    painter->drawText(x, y, word);
}

void QSwitchButton::drawButtonSlide(QPainter* painter)
{
    const int c = d->crack;
    const int side = height() - 2 * c;
    const int left = d->state == off ? c : width() - height() + c;
    const QRect knob = QRect(left, c, side, side).intersected(rect());
    painter->setPen(Qt::NoPen);
    painter->setBrush(d->knobColor);
    painter->drawEllipse(knob);
}
