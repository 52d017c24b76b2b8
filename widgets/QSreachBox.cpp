#include "QSreachBox.h"

#include <QAction>
#include <QIcon>

QSreachBox::QSreachBox(QWidget* parent) : QLineEdit(parent)
{
    QIcon icon(QStringLiteral(":/images/search_normal.png"));
    // addFile, like the constructor, also takes the "@2x" picture for sharp screens.
    icon.addFile(QStringLiteral(":/images/search_click.png"), QSize(), QIcon::Selected, QIcon::Off);
    auto* search = new QAction(icon, QString(), this);
    connect(search, &QAction::triggered, this, [this] { emit searchTriggered(text()); });
    addAction(search, QLineEdit::TrailingPosition);
}
