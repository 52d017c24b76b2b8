#pragma once

#include <QLineEdit>

// The device search box: a search and a clear action at the trailing edge.
// Clearing is left to the listener of searchClear().
class QSreachBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit QSreachBox(QWidget* parent = nullptr);

signals:
    void searchTriggered(QString text);
    void searchClear();
};
