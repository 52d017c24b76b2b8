#include "QBaseDialog.h"

#include "QLightBoxWidget.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QToolButton>

#include <array>

namespace {

// Margins that the painted shadow fills; the subclass's form lays out inside them.
constexpr int kShadowLeft = 10;
constexpr int kShadowTop = 5;
constexpr int kShadowRight = 10;
constexpr int kShadowBottom = 15;

// The eight shadow images in paint order, loaded once (as images, which
// outlive the application object safely): a frameless dialog is
// repainted for every incident it shows, and decoding a resource (which also
// stats the time zone file) per paint made each repaint cost milliseconds.
const std::array<QImage, 8>& ShadowImages()
{
    static const std::array<QImage, 8> pixmaps = [] {
        const char* const names[] = {
            "left_top", "top", "right_top", "left", "right", "left_bottom", "bottom", "right_bottom",
        };
        std::array<QImage, 8> loaded;
        for (std::size_t i = 0; i < loaded.size(); ++i)
            loaded[i] = QImage(QStringLiteral(":/images/shadow/%1.png").arg(QLatin1String(names[i])));
        return loaded;
    }();
    return pixmaps;
}

} // namespace

QBaseDialog::QBaseDialog(QWidget* parent) : QDialog(parent, Qt::WindowFlags())
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setContentsMargins(kShadowLeft, kShadowTop, kShadowRight, kShadowBottom);
}

QBaseDialog::~QBaseDialog()
{
    QObject::disconnect(m_closeConnection);
}

void QBaseDialog::SetTitleBar(QWidget* titleBar)
{
    if (m_pTitleBar)
        m_pTitleBar->removeEventFilter(this);
    if (m_closeConnection)
        QObject::disconnect(m_closeConnection);
    m_closeConnection = {};
    m_titleDrag.Reset();

    m_pTitleBar = titleBar;
    if (!titleBar)
        return;
    titleBar->installEventFilter(this);

    const QList<QWidget*> closeButtons =
        titleBar->findChildren<QWidget*>(QStringLiteral("toolButton_close"), Qt::FindChildrenRecursively);
    if (closeButtons.isEmpty())
        return;
    if (auto* button = qobject_cast<QToolButton*>(closeButtons.first()))
        m_closeConnection = connect(
            button, &QToolButton::clicked, this, [this] { close(); }, Qt::AutoConnection);
}

void QBaseDialog::EnableLightBox(QWidget* host)
{
    if (!host) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow*>(widget)) {
                host = widget;
                break;
            }
        }
    }
    if (!host)
        return;
    m_pHostWidget = host;
    m_pLightBox.reset(new QLightBoxWidget(host, false));
}

bool QBaseDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pTitleBar && m_pTitleBar && m_titleDrag.HandleTitleEvent(this, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void QBaseDialog::paintEvent(QPaintEvent* event)
{
    const qreal w = width();
    const qreal h = height();
    const qreal middleWidth = w - kShadowLeft - kShadowRight;
    const qreal middleHeight = h - kShadowTop - kShadowBottom;
    const QRectF rects[] = {
        {0, 0, kShadowLeft, kShadowTop},
        {kShadowLeft, 0, middleWidth, kShadowTop},
        {w - kShadowRight, 0, kShadowRight, kShadowTop},
        {0, kShadowTop, kShadowLeft, middleHeight},
        {w - kShadowRight, kShadowTop, kShadowRight, middleHeight},
        {0, h - kShadowBottom, kShadowLeft, kShadowBottom},
        {kShadowLeft, h - kShadowBottom, middleWidth, kShadowBottom},
        {w - kShadowRight, h - kShadowBottom, kShadowRight, kShadowBottom},
    };
    const std::array<QImage, 8>& pixmaps = ShadowImages();
    QPainter painter(this);
    for (std::size_t i = 0; i < pixmaps.size(); ++i) {
        if (!pixmaps[i].isNull())
            painter.drawImage(rects[i], pixmaps[i], QRectF(pixmaps[i].rect()));
    }
    painter.end();
    QWidget::paintEvent(event);
}

void QBaseDialog::showEvent(QShowEvent* event)
{
    if (m_pLightBox)
        m_pLightBox->show();
    QDialog::showEvent(event);
}

void QBaseDialog::hideEvent(QHideEvent* event)
{
    if (m_pLightBox)
        m_pLightBox->hide();
    QWidget::hideEvent(event);
}
