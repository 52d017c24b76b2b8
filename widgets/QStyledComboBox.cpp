#include "QStyledComboBox.h"

#include "TranslucentWindow.h"

#include <QEvent>
#include <QListView>
#include <QPainter>

namespace {
// Margin of the container around the list: room for the shadow.
constexpr int kShadowWidth = 5;

void paintShadow(QWidget* container)
{
    QPainter painter(container);
    TranslucentWindow::fillWhereOpaque(container, painter, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    static constexpr int alphaByInset[] = {5, 10, 20, 30, 40};
    for (int inset = 4; inset >= 0; --inset) {
        const int grow = 2 * (4 - inset);
        painter.setPen(QColor(90, 90, 90, alphaByInset[inset]));
        painter.drawRect(inset, inset, container->width() - 8 + grow, container->height() - 8 + grow);
    }
}
} // namespace

QStyledComboBox::QStyledComboBox(QWidget* parent) : QComboBox(parent)
{
    setView(new QListView(this));
    QWidget* container = popupContainer();
    // The selector keeps the transparency on the container; the list keeps its own background.
    container->setStyleSheet(
        QStringLiteral("QComboBoxPrivateContainer {background-color: transparent;border-radius: 4px;}"));
    // A compositing window manager shows the list floating over what lies
    // behind, shadow included; without one the shadow is painted over white.
    TranslucentWindow::enable(container);
    container->setContentsMargins(kShadowWidth, kShadowWidth, kShadowWidth, kShadowWidth);
    container->setWindowFlags(container->windowFlags() | Qt::NoDropShadowWindowHint);
    container->installEventFilter(this);
}

QWidget* QStyledComboBox::popupContainer() const
{
    return view()->parentWidget();
}

bool QStyledComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == popupContainer())
        paintShadow(popupContainer());
    return QComboBox::eventFilter(watched, event);
}

void QStyledComboBox::showPopup()
{
    QComboBox::showPopup();
    QWidget* container = popupContainer();
    container->setGeometry(container->geometry().adjusted(-kShadowWidth, 1, kShadowWidth, 1));
}
