#include "QIconPushButton.h"

#include "ScaledPicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
enum LookState { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
const char* const kSuffixes[] = {"", "_hover", "_pressed", "_disabled"};
} // namespace

class QIconPushButtonPrivate
{
public:
    explicit QIconPushButtonPrivate(QIconPushButton* owner) : q(owner) { }

    QPixmap load(const QString& path) const { return ScaledPicture::load(path, q); }

    void fixSizeToPicture(const QPixmap& picture)
    {
        const QSize size = ScaledPicture::logicalSize(picture);
        q->setFixedSize(size.width(), composite ? size.height() / 4 : size.height());
    }

    void setState(LookState state)
    {
        lookState = state;
        q->update();
    }

    // Pictures are read at every paint, so a changed file shows without a reload.
    QPixmap pictureFor(int state) const
    {
        if (composite) {
            const QPixmap whole = load(picName);
            const int bandHeight = whole.height() / 4;
            QPixmap band = whole.copy(0, state * bandHeight, whole.width(), bandHeight);
            band.setDevicePixelRatio(whole.devicePixelRatioF());
            return band;
        }
        const QPixmap own = load(picName + QLatin1String(kSuffixes[state]));
        return own.isNull() ? load(picName) : own;
    }

    QIconPushButton* q;
    int lookState = Normal;
    QString picName;
    bool pressed = false;
    bool composite = false;
    int picHeight = 0;
    int picWidth = 0;
};

QIconPushButton::QIconPushButton(QWidget* parent)
    : QAbstractButton(parent), d(std::make_unique<QIconPushButtonPrivate>(this))
{
    setCursor(Qt::PointingHandCursor);
}

QIconPushButton::~QIconPushButton() = default;

void QIconPushButton::setPicName(const QString& name)
{
    if (name == d->picName)
        return;
    d->picName = name;
    const QPixmap picture = d->load(name);
    d->fixSizeToPicture(picture);
    const QSize size = ScaledPicture::logicalSize(picture);
    d->picHeight = size.height();
    d->picWidth = size.width();
    update();
}

QString QIconPushButton::picName() const
{
    return d->picName;
}

void QIconPushButton::setPicComposited(bool composite)
{
    if (composite == d->composite)
        return;
    d->composite = composite;
    d->fixSizeToPicture(d->load(d->picName));
    update();
}

bool QIconPushButton::isPicComposite() const
{
    return d->composite;
}

QSize QIconPushButton::minimumSizeHint() const
{
    if (d->picWidth > 0 && d->picHeight > 0)
        return QSize(d->picWidth, d->picHeight);
    return QSize(24, 24);
}

QSize QIconPushButton::sizeHint() const
{
    return minimumSizeHint();
}

void QIconPushButton::enterEvent(QEvent*)
{
    d->setState(Hover);
}

void QIconPushButton::leaveEvent(QEvent*)
{
    d->setState(Normal);
}

void QIconPushButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    d->pressed = true;
    d->setState(Pressed);
}

void QIconPushButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!d->pressed || !rect().contains(event->pos()))
        return;
    d->pressed = false;
    d->setState(Hover);
    emit clicked(false);
}

void QIconPushButton::paintEvent(QPaintEvent*)
{
    if (!isEnabled())
        d->lookState = Disabled;
    const QPixmap picture = d->pictureFor(d->lookState);
    QPainter painter(this);
    painter.drawPixmap(QRectF(rect()), picture, QRectF(picture.rect()));
}
