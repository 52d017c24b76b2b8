#pragma once

#include <QLabel>

// A label that acts as a button: clicked() on a left press and release,
// pointing-hand cursor while enabled.
class QClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_bPressed = false;
};
