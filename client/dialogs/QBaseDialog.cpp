#include "QBaseDialog.h"

#include "QLightBoxWidget.h"

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QToolButton>

namespace {

// Margins that the painted shadow fills; the subclass's form lays out inside them.
constexpr int kShadowLeft = 10;
constexpr int kShadowTop = 5;
constexpr int kShadowRight = 10;
constexpr int kShadowBottom = 15;

struct ShadowPiece
{
    const char* resource;
    QRectF rect;
};

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
        m_closeConnection = connect(button, &QToolButton::clicked, this, [this] { close(); }, Qt::AutoConnection);
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
    const ShadowPiece pieces[] = {
        {":/images/shadow/left_top.png", {0, 0, kShadowLeft, kShadowTop}},
        {":/images/shadow/top.png", {kShadowLeft, 0, middleWidth, kShadowTop}},
        {":/images/shadow/right_top.png", {w - kShadowRight, 0, kShadowRight, kShadowTop}},
        {":/images/shadow/left.png", {0, kShadowTop, kShadowLeft, middleHeight}},
        {":/images/shadow/right.png", {w - kShadowRight, kShadowTop, kShadowRight, middleHeight}},
        {":/images/shadow/left_bottom.png", {0, h - kShadowBottom, kShadowLeft, kShadowBottom}},
        {":/images/shadow/bottom.png", {kShadowLeft, h - kShadowBottom, middleWidth, kShadowBottom}},
        {":/images/shadow/right_bottom.png", {w - kShadowRight, h - kShadowBottom, kShadowRight, kShadowBottom}},
    };
    QPainter painter(this);
    for (const ShadowPiece& piece : pieces) {
        const QPixmap pixmap(QString::fromLatin1(piece.resource));
        if (!pixmap.isNull())
            painter.drawPixmap(piece.rect, pixmap, QRectF(pixmap.rect()));
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
