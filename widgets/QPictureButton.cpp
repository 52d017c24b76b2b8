#include "QPictureButton.h"

#include "ValueChange.h"

#include <QPainter>

namespace {
const QColor kWhite(Qt::white);
const QColor kTextDisabled(204, 204, 204);
const QColor kButtonPushed(70, 149, 182);
const QColor kButtonHot(121, 200, 233);
const QColor kButtonDisabled(242, 242, 242);
const QColor kButtonNormalReset(242, 242, 242, 0);
constexpr int kIconSpaceReset = 4;
constexpr int kTextSpaceDefault = 4;
} // namespace

class QPictureButtonPrivate
{
public:
    explicit QPictureButtonPrivate(QPictureButton* owner) : q(owner) { }

    // Stores the value and repaints, only when it changes.
    template <typename T>
    void change(T& field, const T& value)
    {
        if (ValueChange::assign(field, value))
            q->update();
    }

    // Pictures are not compared: setting one always repaints.
    void replace(QPixmap& field, const QPixmap& value)
    {
        field = value;
        q->update();
    }

    QPictureButton* q;
    bool hot = false;
    bool borderEnabled = false;
    bool isTextPushedBold = true;
    QColor textColorNormal = kWhite;
    QColor textColorHot = kWhite;
    QColor textColorPushed = kWhite;
    QColor textColorDisabled = kTextDisabled;
    QColor borderColor = kWhite;
    QColor buttonColorNormal = QColor(88, 187, 228);
    QColor buttonColorPushed = kButtonPushed;
    QColor buttonColorHot = kButtonHot;
    QColor buttonColorCheckedHot = kButtonHot;
    QColor buttonColorDisabled = kButtonDisabled;
    QPixmap iconNormal;
    QPixmap iconPushed;
    QPixmap iconHot;
    QPixmap iconCheckedHot;
    QPixmap iconDisabled;
    QPictureButton::EIconPosition iconPosition = QPictureButton::Left;
    int iconSpace = 0;
    int textSpace = kTextSpaceDefault;
};

QPictureButton::QPictureButton(QWidget* parent)
    : QAbstractButton(parent), d(std::make_unique<QPictureButtonPrivate>(this))
{
    setText(QStringLiteral("pictureButton"));
}

QPictureButton::~QPictureButton() = default;

QColor QPictureButton::textColorNormal() const
{
    return d->textColorNormal;
}
void QPictureButton::SetTextColorNormal(const QColor& color)
{
    d->change(d->textColorNormal, color);
}
void QPictureButton::ResetTextColorNormal()
{
    d->change(d->textColorNormal, kWhite);
}
QColor QPictureButton::textColorHot() const
{
    return d->textColorHot;
}
void QPictureButton::SetTextColorHot(const QColor& color)
{
    d->change(d->textColorHot, color);
}
void QPictureButton::ResetTextColorHot()
{
    d->change(d->textColorHot, kWhite);
}
QColor QPictureButton::textColorPushed() const
{
    return d->textColorPushed;
}
void QPictureButton::SetTextColorPushed(const QColor& color)
{
    d->change(d->textColorPushed, color);
}
void QPictureButton::ResetTextColorPushed()
{
    d->change(d->textColorPushed, kWhite);
}
QColor QPictureButton::textColorDisabled() const
{
    return d->textColorDisabled;
}
void QPictureButton::SetTextColorDisabled(const QColor& color)
{
    d->change(d->textColorDisabled, color);
}
void QPictureButton::ResetTextColorDisabled()
{
    d->change(d->textColorDisabled, kTextDisabled);
}

bool QPictureButton::borderEnabled() const
{
    return d->borderEnabled;
}
void QPictureButton::SetBorderEnabled(bool enabled)
{
    d->change(d->borderEnabled, enabled);
}
void QPictureButton::ResetBorderEnabled()
{
    d->change(d->borderEnabled, false);
}
QColor QPictureButton::borderColor() const
{
    return d->borderColor;
}
void QPictureButton::SetBorderColor(const QColor& color)
{
    d->change(d->borderColor, color);
}
void QPictureButton::ResetBorderColor()
{
    d->change(d->borderColor, kWhite);
}

QColor QPictureButton::buttonColorNormal() const
{
    return d->buttonColorNormal;
}
void QPictureButton::SetButtonColorNormal(const QColor& color)
{
    d->change(d->buttonColorNormal, color);
}
// Reset means "no background": forms that reset it want the parent to show through.
void QPictureButton::ResetButtonColorNormal()
{
    d->change(d->buttonColorNormal, kButtonNormalReset);
}
QColor QPictureButton::buttonColorPushed() const
{
    return d->buttonColorPushed;
}
void QPictureButton::SetButtonColorPushed(const QColor& color)
{
    d->change(d->buttonColorPushed, color);
}
void QPictureButton::ResetButtonColorPushed()
{
    d->change(d->buttonColorPushed, kButtonPushed);
}
QColor QPictureButton::buttonColorHot() const
{
    return d->buttonColorHot;
}
void QPictureButton::SetButtonColorHot(const QColor& color)
{
    d->change(d->buttonColorHot, color);
}
void QPictureButton::ResetButtonColorHot()
{
    d->change(d->buttonColorHot, kButtonHot);
}
QColor QPictureButton::buttonColorCheckedHot() const
{
    return d->buttonColorCheckedHot;
}
void QPictureButton::SetButtonColorCheckedHot(const QColor& color)
{
    d->change(d->buttonColorCheckedHot, color);
}
void QPictureButton::ResetButtonColorCheckedHot()
{
    d->change(d->buttonColorCheckedHot, kButtonHot);
}
QColor QPictureButton::buttonColorDisabled() const
{
    return d->buttonColorDisabled;
}
void QPictureButton::SetButtonColorDisabled(const QColor& color)
{
    d->change(d->buttonColorDisabled, color);
}
void QPictureButton::ResetButtonColorDisabled()
{
    d->change(d->buttonColorDisabled, kButtonDisabled);
}

QPixmap QPictureButton::iconNormal() const
{
    return d->iconNormal;
}
void QPictureButton::SetIconNormal(const QPixmap& icon)
{
    d->replace(d->iconNormal, icon);
}
void QPictureButton::ResetIconNormal()
{
    d->replace(d->iconNormal, QPixmap());
}
QPixmap QPictureButton::iconPushed() const
{
    return d->iconPushed;
}
void QPictureButton::SetIconPushed(const QPixmap& icon)
{
    d->replace(d->iconPushed, icon);
}
void QPictureButton::ResetIconPushed()
{
    d->replace(d->iconPushed, QPixmap());
}
QPixmap QPictureButton::iconHot() const
{
    return d->iconHot;
}
void QPictureButton::SetIconHot(const QPixmap& icon)
{
    d->replace(d->iconHot, icon);
}
void QPictureButton::ResetIconHot()
{
    d->replace(d->iconHot, QPixmap());
}
QPixmap QPictureButton::iconCheckedHot() const
{
    return d->iconCheckedHot;
}
void QPictureButton::SetIconCheckedHot(const QPixmap& icon)
{
    d->replace(d->iconCheckedHot, icon);
}
void QPictureButton::ResetIconCheckedHot()
{
    d->replace(d->iconCheckedHot, QPixmap());
}
QPixmap QPictureButton::iconDisabled() const
{
    return d->iconDisabled;
}
void QPictureButton::SetIconDisabled(const QPixmap& icon)
{
    d->replace(d->iconDisabled, icon);
}
void QPictureButton::ResetIconDisabled()
{
    d->replace(d->iconDisabled, QPixmap());
}

QPictureButton::EIconPosition QPictureButton::iconPosition() const
{
    return d->iconPosition;
}
void QPictureButton::SetIconPosition(EIconPosition position)
{
    d->change(d->iconPosition, position);
}
void QPictureButton::ResetIconPosition()
{
    d->change(d->iconPosition, Left);
}
int QPictureButton::iconSpace() const
{
    return d->iconSpace;
}
void QPictureButton::SetIconSpace(int space)
{
    d->change(d->iconSpace, space);
}
void QPictureButton::ResetIconSpace()
{
    d->change(d->iconSpace, kIconSpaceReset);
}
int QPictureButton::textSpace() const
{
    return d->textSpace;
}
void QPictureButton::SetTextSpace(int space)
{
    d->change(d->textSpace, space);
}
void QPictureButton::ResetTextSpace()
{
    d->change(d->textSpace, kTextSpaceDefault);
}
bool QPictureButton::isTextPushedBold() const
{
    return d->isTextPushedBold;
}
void QPictureButton::SetTextPushedBold(bool bold)
{
    d->change(d->isTextPushedBold, bold);
}
void QPictureButton::ResetTextPushedBold()
{
    d->change(d->isTextPushedBold, true);
}

void QPictureButton::getCurrentIcon(QColor& textColor, QColor& buttonColor, QPixmap& icon) const
{
    const bool checkedNow = isCheckable() && isChecked();
    if (!isEnabled()) {
        buttonColor = d->buttonColorDisabled;
        icon = d->iconDisabled;
        textColor = d->textColorDisabled;
    } else if (d->hot && checkedNow) {
        buttonColor = d->buttonColorCheckedHot;
        icon = d->iconCheckedHot;
        textColor = d->textColorPushed;
    } else if (d->hot && isDown()) {
        buttonColor = d->buttonColorPushed;
        icon = d->iconPushed;
        textColor = d->textColorPushed;
    } else if (d->hot) {
        buttonColor = d->buttonColorHot;
        icon = d->iconHot;
        textColor = d->textColorHot;
    } else if (checkedNow || isDown()) {
        buttonColor = d->buttonColorPushed;
        icon = d->iconPushed;
        textColor = d->textColorPushed;
    } else {
        buttonColor = d->buttonColorNormal;
        icon = d->iconNormal;
        textColor = d->textColorNormal;
    }
}

void QPictureButton::enterEvent(QEvent*)
{
    d->hot = true;
    update();
}

void QPictureButton::leaveEvent(QEvent*)
{
    d->hot = false;
    update();
}

void QPictureButton::paintEvent(QPaintEvent*)
{
    QColor textColor;
    QColor buttonColor;
    QPixmap icon;
    getCurrentIcon(textColor, buttonColor, icon);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect whole = painter.window();
    if (buttonColor.alpha() > 0)
        painter.fillRect(whole, buttonColor);
    if (d->borderEnabled) {
        painter.setPen(d->borderColor);
        painter.setBrush(Qt::NoBrush);
        // On pixel centres, so the one-pixel line stays crisp and inside the widget.
        painter.drawRect(QRectF(whole).adjusted(0.5, 0.5, -0.5, -0.5));
    }

    const bool pushed = (isCheckable() && isChecked()) || isDown();
    QRect textRect = whole;
    int alignment = Qt::AlignHCenter | Qt::AlignVCenter;
    if (isDown() || isChecked())
        textRect.translate(1, 1);

    if (!icon.isNull()) {
        const int w = iconSize().width();
        const int h = iconSize().height();
        int x = (whole.width() - w) / 2;
        int y = (whole.height() - h) / 2;
        switch (d->iconPosition) {
        case Top:
            y = d->iconSpace;
            textRect.translate(0, d->iconSpace + d->textSpace + h);
            alignment = Qt::AlignHCenter | Qt::AlignTop;
            break;
        case Bottom:
            y = whole.height() - d->iconSpace - h;
            textRect.translate(0, -(d->iconSpace + d->textSpace + h));
            alignment = Qt::AlignHCenter | Qt::AlignBottom;
            break;
        case Left:
            x = d->iconSpace;
            textRect.translate(d->iconSpace + d->textSpace + w, 0);
            alignment = Qt::AlignLeft | Qt::AlignVCenter;
            break;
        case Right:
            x = whole.width() - d->iconSpace - w;
            textRect.translate(-(d->iconSpace + d->textSpace + w), 0);
            alignment = Qt::AlignRight | Qt::AlignVCenter;
            break;
        }
        painter.drawPixmap(QRect(x, y, w, h), icon.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }

    if (pushed && d->isTextPushedBold) {
        QFont bold = painter.font();
        bold.setWeight(QFont::Bold);
        painter.setFont(bold);
    }
    painter.setPen(textColor);
    painter.drawText(textRect, alignment, text());
}

QSize QPictureButton::sizeHint() const
{
    QColor textColor;
    QColor buttonColor;
    QPixmap icon;
    getCurrentIcon(textColor, buttonColor, icon);
    if (icon.isNull())
        return QSize(96, 32);
    const QSize picture = iconSize();
    if (text().isEmpty())
        return picture;

    const QFontMetrics metrics = fontMetrics();
    const QSize textSize = metrics.size(Qt::TextSingleLine, text());
    const int spaceWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    if (d->iconPosition == Top || d->iconPosition == Bottom) {
        return QSize(qMax(textSize.width() + 2 * spaceWidth, picture.width()),
                     textSize.height() + d->iconSpace + d->textSpace + picture.height());
    }
    return QSize(textSize.width() + d->textSpace + picture.width() + d->iconSpace + qMax(spaceWidth, 8),
                 qMax(textSize.height(), picture.height()) + 8);
}

QSize QPictureButton::minimumSizeHint() const
{
    return sizeHint();
}
