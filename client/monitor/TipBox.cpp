#include "TipBox.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

TipBox::TipBox(QWidget* parent) : QWidget(parent)
{
    setFixedSize(168, 78);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    pLabel = new QLabel(this);
    pLabel->move(20, 0);
    pLabel->setFixedSize(width() - 2, height() - 17);
    pLabel->setStyleSheet(QStringLiteral("font-size:12px;color:#778494;line-height:20px;"));
    pButton = new QPushButton(this);
    pButton->move(94, 44);
    pButton->setFixedSize(64, 24);
    connect(pButton, &QPushButton::clicked, this, &TipBox::PushButtonClickedSlot);
}

void TipBox::SetText(const QString& text, const QString& buttonText)
{
    pLabel->setText(text);
    pButton->setText(buttonText);
}

void TipBox::SetPointer(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d)
{
    pointer = {a, b, c, d};
    update();
}

void TipBox::PushButtonClickedSlot()
{
    ++nTimes;
    emit TimesSig(nTimes);
    if (attached)
        attached->hide();
    close();
}

void TipBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QLinearGradient gradient(rect().topLeft(), rect().bottomLeft());
    gradient.setColorAt(0, QColor(0, 255, 127));
    gradient.setColorAt(1, QColor(0, 255, 127));
    painter.setBrush(gradient);
    painter.drawRoundedRect(rect().adjusted(0, 5, 0, 0), 3, 3);
    painter.drawPolygon(pointer.data(), static_cast<int>(pointer.size()));
}
