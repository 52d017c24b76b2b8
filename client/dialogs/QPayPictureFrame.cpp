#include "QPayPictureFrame.h"

#include "CentredPixmap.h"

QPayPictureFrame::QPayPictureFrame(QWidget* parent) : QFrame(parent)
{
    setAttribute(Qt::WA_MouseTracking);
}

int QPayPictureFrame::setPixmap(const QPixmap& pixmap, bool fixSize)
{
    if (pixmap.isNull())
        return 0;
    clearImage();
    m_fullPixmap = pixmap;
    m_strPath = QStringLiteral("pic");
    if (fixSize) {
        setMinimumWidth(pixmap.width());
        setMinimumHeight(pixmap.height());
        setMaximumWidth(pixmap.width());
    }
    Rescale();
    return 0;
}

void QPayPictureFrame::clearImage()
{
    m_strPath.clear();
    m_fullPixmap = QPixmap();
    m_displayPixmap = QPixmap();
    update();
}

void QPayPictureFrame::Rescale()
{
    if (m_strPath.isEmpty())
        return;
    m_displayPixmap = m_fullPixmap.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    update();
}

void QPayPictureFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    DrawCentredPixmap(this, m_displayPixmap);
}

void QPayPictureFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Rescale();
}

void QPayPictureFrame::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(Qt::PointingHandCursor);
    QFrame::mouseMoveEvent(event);
}

void QPayPictureFrame::leaveEvent(QEvent* event)
{
    setCursor(Qt::ArrowCursor);
    QFrame::leaveEvent(event);
}

void QPayPictureFrame::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    emit doubleClicked();
}
