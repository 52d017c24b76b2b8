#pragma once

#include <QLineEdit>

// A line edit with a search button inside its right end; the button, and only
// the button, emits searchTriggered with the current text.
class QSreachBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit QSreachBox(QWidget* parent = nullptr);

signals:
    void searchTriggered(const QString& text);
};
