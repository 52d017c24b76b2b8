#pragma once

#include <QLineEdit>

#include <memory>

class QIP4LineEditPrivate;

// Input field for a dotted IPv4 address: four octet edits side by side with
// dots painted between them. A "." or a full octet moves on to the next octet;
// Backspace and Left at the start move back, Right at the end moves on.
class QIP4LineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit QIP4LineEdit(QWidget* parent = nullptr);
    ~QIP4LineEdit() override;

    // The four octets joined by "." (a blank field reads "...").
    QString getIpText() const;
    // Accepts only a full dotted address; anything else changes nothing and returns false.
    bool setIpText(const QString& ip);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<QIP4LineEditPrivate> d;
};
