#pragma once

#include <QWidget>

#include <memory>

class QLineEdit;
class QPassWordEditForm;

// Password field with a four-segment strength bar under it. Copy, cut and
// paste are refused; every change of the text re-rates the password.
class QPassWordEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(Level securityLevel READ securityLevel WRITE setSecurityLevel DESIGNABLE true STORED true)

public:
    enum Level { None = 0, Secure = 1, Strong = 2, Average = 3, Weak = 4 };
    Q_ENUM(Level)

    explicit QPassWordEdit(QWidget* parent = nullptr);
    ~QPassWordEdit() override;

    QLineEdit* lineEdit() const;
    Level securityLevel() const;
    void setSecurityLevel(Level level);

    // Fewer than six characters rate None; otherwise the number of character
    // classes present (lower case, upper case, digit, other) gives the level.
    static Level rate(const QString& password);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void slotTextChanged(const QString& text);

private:
    void colourBar();

    std::unique_ptr<QPassWordEditForm> ui;
    Level m_level = None;
};
