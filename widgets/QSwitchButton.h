#pragma once

#include "ferrowix_export.h"

#include <QWidget>

#include <memory>

class QSwitchButtonPrivate;

// An on/off slide switch. Settings store the state's number: 0 on, 1 off.
class FERROWIX_EXPORT QSwitchButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(StateFlag switchState READ switchState WRITE setSwitchState)
    Q_PROPERTY(bool showText READ isShowText WRITE setShowText)
    Q_PROPERTY(QColor stateOnColor READ stateOnColor WRITE setStateOnColor)
    Q_PROPERTY(QColor stateOffColor READ stateOffColor WRITE setStateOffColor)
    Q_PROPERTY(QColor slideBtnColor READ slideBtnColor WRITE setSlideBtnColor)
    Q_PROPERTY(int crack READ crack WRITE setCrack)
    Q_PROPERTY(QFont font READ font WRITE setFont)

public:
    enum StateFlag { on = 0, off = 1 };
    Q_ENUM(StateFlag)

    explicit QSwitchButton(QWidget* parent = nullptr);
    ~QSwitchButton() override;

    void setSwitchState(QSwitchButton::StateFlag state);
    QSwitchButton::StateFlag switchState() const;
    void setShowText(bool show);
    bool isShowText() const;
    void setStateOnColor(const QColor& color);
    QColor stateOnColor() const;
    void setStateOffColor(const QColor& color);
    QColor stateOffColor() const;
    void setSlideBtnColor(const QColor& color);
    QColor slideBtnColor() const;
    void setCrack(int crack);
    int crack() const;
    // The font of the on/off word; hides QWidget's own font, which stays separate.
    void setFont(const QFont& font);
    QFont font() const;

signals:
    void stateChanged(int state);

protected:
    QSize sizeHint() const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void toggle();
    void drawButtonBackground(QPainter* painter);
    void drawFocusMark(QPainter* painter);
    void drawText(QPainter* painter);
    void drawButtonSlide(QPainter* painter);

    std::unique_ptr<QSwitchButtonPrivate> d;
};
