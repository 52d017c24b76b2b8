#include "QSpecificLineEdit.h"

#include "QPositiveIntValidator.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <climits>

namespace {
const QString kPhonePattern = QStringLiteral("^1[34578]\\d{9}$");

// 15-digit (old) and 18-digit numbers, each with a real month (01-12) and day (01-31).
const QString kIdCardPattern =
    QStringLiteral("^[1-9]\\d{7}(?:0[1-9]|1[0-2])(?:0[1-9]|[12]\\d|3[01])\\d{3}$"
                   "|^[1-9]\\d{5}[1-9]\\d{3}(?:0[1-9]|1[0-2])(?:0[1-9]|[12]\\d|3[01])\\d{3}[0-9X]$");
} // namespace

class QSpecificLineEditPrivate
{
public:
    // Owned here rather than by Qt parent: it is replaced whenever the type changes.
    std::unique_ptr<QValidator> validator;
    int bottom = -1;
    int top = -1;

    QPositiveIntValidator* integerValidator() const { return qobject_cast<QPositiveIntValidator*>(validator.get()); }
};

QSpecificLineEdit::QSpecificLineEdit(QWidget* parent)
    : QLineEdit(parent), d(std::make_unique<QSpecificLineEditPrivate>())
{
}

QSpecificLineEdit::~QSpecificLineEdit()
{
    setValidator(nullptr);
}

QSpecificLineEdit::Type QSpecificLineEdit::editerType() const
{
    return m_type;
}

void QSpecificLineEdit::setEditerType(Type type)
{
    std::unique_ptr<QValidator> validator;
    switch (type) {
    case Port: validator = std::make_unique<QPositiveIntValidator>(1, 65535); break;
    case PositiveInt: {
        auto integer = std::make_unique<QPositiveIntValidator>(1, INT_MAX);
        if (d->bottom > 0)
            integer->setBottom(d->bottom);
        if (d->top > 0)
            integer->setTop(d->top);
        validator = std::move(integer);
        break;
    }
    case PhoneNo: validator = std::make_unique<QRegularExpressionValidator>(QRegularExpression(kPhonePattern)); break;
    case IDCard: validator = std::make_unique<QRegularExpressionValidator>(QRegularExpression(kIdCardPattern)); break;
    case None: break;
    }
    setValidator(validator.get());
    d->validator = std::move(validator);
    m_type = type;
}

int QSpecificLineEdit::bottom() const
{
    return d->bottom;
}

void QSpecificLineEdit::setPositiveBottom(int value)
{
    if (value <= 0)
        return;
    d->bottom = value;
    if (QPositiveIntValidator* integer = d->integerValidator())
        integer->setBottom(value);
}

int QSpecificLineEdit::top() const
{
    return d->top;
}

void QSpecificLineEdit::setPositiveTop(int value)
{
    if (value <= 0)
        return;
    d->top = value;
    if (QPositiveIntValidator* integer = d->integerValidator())
        integer->setTop(value);
}
