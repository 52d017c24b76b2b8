#pragma once

#include <QIntValidator>

// An integer validator that refuses a lone "0", for ports and counts.
class QPositiveIntValidator : public QIntValidator
{
    Q_OBJECT

public:
    explicit QPositiveIntValidator(QObject* parent = nullptr);
    QPositiveIntValidator(int bottom, int top, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
};
