#pragma once

#include <QLineEdit>

#include <memory>

class QSpecificLineEditPrivate;

// A line edit restricted to one kind of value (port, positive integer in an
// optional range, mobile phone number, identity card number) by the validator
// that its type installs.
class QSpecificLineEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(Type editerType READ editerType WRITE setEditerType DESIGNABLE true STORED true)
    Q_PROPERTY(int bottom READ bottom WRITE setPositiveBottom DESIGNABLE true STORED true)
    Q_PROPERTY(int top READ top WRITE setPositiveTop DESIGNABLE true STORED true)

public:
    enum Type { None = 0, Port = 1, PositiveInt = 2, PhoneNo = 3, IDCard = 4 };
    Q_ENUM(Type)

    explicit QSpecificLineEdit(QWidget* parent = nullptr);
    ~QSpecificLineEdit() override;

    Type editerType() const;
    void setEditerType(Type type);
    // Bounds of the integer kinds; values of 0 or less are ignored, -1 means never set.
    int bottom() const;
    void setPositiveBottom(int value);
    int top() const;
    void setPositiveTop(int value);

private:
    Type m_type = None;
    std::unique_ptr<QSpecificLineEditPrivate> d;
};
