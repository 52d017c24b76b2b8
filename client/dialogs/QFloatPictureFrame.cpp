#include "QFloatPictureFrame.h"

#include <QMouseEvent>
#include <QPainter>

QFloatPictureFrame::QFloatPictureFrame(QWidget* parent) : QFrame(parent)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void QFloatPictureFrame::setPixmap(const QPixmap& pixmap)
{
    m_pixmap = pixmap;
}

void QFloatPictureFrame::setArea(int width, int height)
{
    resize(width, height);
    m_nAreaWidth = width;
    m_nAreaHeight = height;
    update();
}

void QFloatPictureFrame::setSource(int x, int y)
{
    m_nSourceX = x;
    m_nSourceY = y;
}

void QFloatPictureFrame::centreOn(int x, int y)
{
    move(x - m_nAreaWidth / 2, y - m_nAreaHeight / 2);
}

void QFloatPictureFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, m_nAreaWidth, m_nAreaHeight), m_pixmap,
                       QRect(m_nSourceX, m_nSourceY, m_nAreaWidth, m_nAreaHeight));
}

void QFloatPictureFrame::mouseMoveEvent(QMouseEvent* event)
{
    event->ignore();
}
