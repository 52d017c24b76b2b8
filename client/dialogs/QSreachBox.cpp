#include "QSreachBox.h"

#include <QAction>

namespace {

// Normal, hover and pressed pictures of an action under ":/images/preview/".
QIcon ActionIcon(const QString& base)
{
    const QString stem = QStringLiteral(":/images/preview/") + base;
    QIcon icon(stem + QStringLiteral("_normal.png"));
    icon.addPixmap(QPixmap(stem + QStringLiteral("_hover.png")), QIcon::Active, QIcon::Off);
    icon.addPixmap(QPixmap(stem + QStringLiteral("_click.png")), QIcon::Selected, QIcon::Off);
    return icon;
}

} // namespace

QSreachBox::QSreachBox(QWidget* parent) : QLineEdit(parent)
{
    auto* search = new QAction(QString(), this);
    search->setObjectName(QStringLiteral("actionSearch"));
    search->setIcon(ActionIcon(QStringLiteral("search")));
    addAction(search, QLineEdit::TrailingPosition);
    auto* clear = new QAction(QString(), this);
    clear->setObjectName(QStringLiteral("actionClear"));
    clear->setIcon(ActionIcon(QStringLiteral("clear")));
    addAction(clear, QLineEdit::TrailingPosition);

    connect(
        search, &QAction::triggered, this, [this] { emit searchTriggered(text()); }, Qt::AutoConnection);
    connect(
        clear, &QAction::triggered, this, [this] { emit searchClear(); }, Qt::AutoConnection);
}
