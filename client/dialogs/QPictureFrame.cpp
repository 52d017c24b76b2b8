#include "QPictureFrame.h"

#include "CentredPixmap.h"
#include "PictureLoader.h"

#include <QMouseEvent>

namespace {

constexpr int kAttachedSize = 200;
// Frames narrower or lower than this get a magnifier half their size.
constexpr int kSmallFrame = 300;
constexpr int kDetachedGap = 10;

} // namespace

QPictureFrame::QPictureFrame(QWidget* parent) : QFrame(parent)
{
    setAttribute(Qt::WA_MouseTracking);
    m_pMagnifier = new QFloatPictureFrame(this);
    m_pMagnifier->resize(kAttachedSize, kAttachedSize);
    m_pMagnifier->setArea(kAttachedSize, kAttachedSize);
    m_pMagnifier->hide();
}

QPictureFrame::~QPictureFrame()
{
    // A detached magnifier is a window of its own, not a child.
    if (m_pMagnifier && m_pMagnifier->parent() != this)
        delete m_pMagnifier;
}

int QPictureFrame::setImage(const QString& path, bool fixSize)
{
    if (path == m_strPath)
        return 0;
    ShowPicture(QPixmap::fromImage(PictureLoader::Load(path)), path, fixSize);
    return 0;
}

int QPictureFrame::setPixmap(const QPixmap& pixmap, bool fixSize)
{
    if (pixmap.isNull())
        return 0;
    ShowPicture(pixmap, QStringLiteral("pic"), fixSize);
    return 0;
}

void QPictureFrame::ShowPicture(const QPixmap& full, const QString& path, bool fixSize)
{
    clearImage();
    m_fullPixmap = full;
    if (!m_fullPixmap.isNull())
        m_pMagnifier->setPixmap(m_fullPixmap);
    m_strPath = path;
    if (fixSize && !m_fullPixmap.isNull()) {
        setMinimumWidth(m_fullPixmap.width());
        setMinimumHeight(m_fullPixmap.height());
        setMaximumWidth(m_fullPixmap.width());
    }
    Rescale();
    update();
}

void QPictureFrame::clearImage()
{
    m_strPath.clear();
    m_fullPixmap = QPixmap();
    m_displayPixmap = QPixmap();
    m_pMagnifier->setPixmap(QPixmap());
    m_pMagnifier->hide();
    m_pMagnifier->update();
    update();
}

void QPictureFrame::disableMagnifier()
{
    m_bMagnifierEnabled = false;
    m_pMagnifier->hide();
}

void QPictureFrame::attachMagnifier()
{
    m_nMagnifierMode = 0;
    m_pMagnifier->hide();
    m_pMagnifier->setParent(this);
    m_pMagnifier->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void QPictureFrame::detachMagnifier(MagnifierSide side, int width, int height)
{
    m_nMagnifierMode = 1;
    m_nDetachedSide = side;
    m_nDetachedWidth = width;
    m_nDetachedHeight = height;
    m_pMagnifier->hide();
    m_pMagnifier->setParent(nullptr);
    m_pMagnifier->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

QPixmap QPictureFrame::zoomCopy(const QRect& frameRect) const
{
    if (width() == 0 || height() == 0)
        return m_fullPixmap;
    const double ratioX = double(m_fullPixmap.width()) / width();
    const double ratioY = double(m_fullPixmap.height()) / height();
    return m_fullPixmap.copy(int(frameRect.x() * ratioX), int(frameRect.y() * ratioY), int(frameRect.width() * ratioX),
                             int(frameRect.height() * ratioY));
}

void QPictureFrame::Rescale()
{
    if (m_strPath.isEmpty())
        return;
    m_displayPixmap = m_fullPixmap.isNull()
                          ? QPixmap()
                          : m_fullPixmap.scaled(size(), m_bKeepAspect ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio,
                                                Qt::FastTransformation);
}

void QPictureFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    DrawCentredPixmap(this, m_displayPixmap);
}

void QPictureFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Rescale();
}

QSize QPictureFrame::MagnifierSize() const
{
    if (m_nMagnifierMode == 1)
        return QSize(m_nDetachedWidth, m_nDetachedHeight);
    return QSize(width() < kSmallFrame ? width() / 2 : kAttachedSize,
                 height() < kSmallFrame ? height() / 2 : kAttachedSize);
}

void QPictureFrame::PlaceDetachedMagnifier()
{
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    switch (m_nDetachedSide) {
    case Left: m_pMagnifier->move(topLeft.x() - kDetachedGap - m_nDetachedWidth, topLeft.y()); break;
    case Below: m_pMagnifier->move(topLeft.x(), topLeft.y() + height() + kDetachedGap); break;
    case Right: m_pMagnifier->move(topLeft.x() + width() + kDetachedGap, topLeft.y()); break;
    // Clear of the frame by its whole height, as the left side is by its width.
    default: m_pMagnifier->move(topLeft.x(), topLeft.y() - kDetachedGap - m_nDetachedHeight); break;
    }
}

void QPictureFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bMagnifierEnabled || m_fullPixmap.width() == 0 || m_fullPixmap.height() == 0 ||
        m_displayPixmap.width() == 0 || m_displayPixmap.height() == 0)
        return;
    m_nPointerX = event->pos().x();
    m_nPointerY = event->pos().y();

    const QSize magnifier = MagnifierSize();
    m_nMagnifierWidth = magnifier.width();
    m_nMagnifierHeight = magnifier.height();
    if (m_pMagnifier->size() != magnifier)
        m_pMagnifier->setArea(m_nMagnifierWidth, m_nMagnifierHeight);

    const int displayWidth = m_displayPixmap.width();
    const int displayHeight = m_displayPixmap.height();
    m_nPictureX = m_nPointerX - (width() - displayWidth) / 2;
    m_nPictureY = m_nPointerY - (height() - displayHeight) / 2;
    if (m_nPictureX < 0 || m_nPictureX > displayWidth || m_nPictureY < 0 || m_nPictureY > displayHeight) {
        m_pMagnifier->hide();
        return;
    }
    m_nFullX = m_fullPixmap.width() * m_nPictureX / displayWidth;
    m_nFullY = m_fullPixmap.height() * m_nPictureY / displayHeight;
    m_nSourceX = m_nFullX - m_nMagnifierWidth / 2;
    m_nSourceY = m_nFullY - m_nMagnifierHeight / 2;

    m_pMagnifier->show();
    m_pMagnifier->raise();
    m_pMagnifier->setSource(m_nSourceX, m_nSourceY);
    m_pMagnifier->update();
    if (m_nMagnifierMode == 0)
        m_pMagnifier->centreOn(m_nPointerX, m_nPointerY);
    else
        PlaceDetachedMagnifier();
}

void QPictureFrame::leaveEvent(QEvent* event)
{
    m_pMagnifier->hide();
    QFrame::leaveEvent(event);
}

void QPictureFrame::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    emit doubleClicked();
    if (!m_strPath.isEmpty())
        emit doubleClickedPath(m_strPath);
}
