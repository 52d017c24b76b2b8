#pragma once

#include "ferrowix_export.h"

#include <QAbstractButton>

#include <memory>

class QIconPushButtonPrivate;

// A button drawn only from pictures: "name", "name_hover", "name_pressed" and
// "name_disabled", or the four states as equal horizontal bands of one picture.
// The widget takes the size of one state's picture.
class FERROWIX_EXPORT QIconPushButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString picName READ picName WRITE setPicName)
    Q_PROPERTY(bool isPicComposite READ isPicComposite WRITE setPicComposited)

public:
    explicit QIconPushButton(QWidget* parent = nullptr);
    ~QIconPushButton() override;

    void setPicName(const QString& name);
    QString picName() const;
    void setPicComposited(bool composite);
    bool isPicComposite() const;

protected:
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<QIconPushButtonPrivate> d;
};
