#pragma once

#include <QLabel>

// A label that acts like a link: pointing hand while enabled, clicked() on a left click.
class QClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QClickableLabel(QWidget* parent = nullptr);
    ~QClickableLabel() override;

signals:
    void clicked();

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
