#pragma once

#include "ferrowix_export.h"

#include <QAbstractButton>

#include <memory>

class QPictureButtonPrivate;

// A self-painted push button: background colour, optional border, optional picture
// beside the text, each chosen per state (normal, hot, pushed, checked-hot, disabled).
class FERROWIX_EXPORT QPictureButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QColor textColorNormal READ textColorNormal WRITE SetTextColorNormal RESET ResetTextColorNormal)
    Q_PROPERTY(QColor textColorHot READ textColorHot WRITE SetTextColorHot RESET ResetTextColorHot)
    Q_PROPERTY(QColor textColorPushed READ textColorPushed WRITE SetTextColorPushed RESET ResetTextColorPushed)
    Q_PROPERTY(QColor textColorDisabled READ textColorDisabled WRITE SetTextColorDisabled RESET ResetTextColorDisabled)
    Q_PROPERTY(bool borderEnabled READ borderEnabled WRITE SetBorderEnabled RESET ResetBorderEnabled)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE SetBorderColor RESET ResetBorderColor)
    Q_PROPERTY(QColor buttonColorNormal READ buttonColorNormal WRITE SetButtonColorNormal RESET ResetButtonColorNormal)
    Q_PROPERTY(QColor buttonColorPushed READ buttonColorPushed WRITE SetButtonColorPushed RESET ResetButtonColorPushed)
    Q_PROPERTY(QColor buttonColorHot READ buttonColorHot WRITE SetButtonColorHot RESET ResetButtonColorHot)
    Q_PROPERTY(QColor buttonColorCheckedHot READ buttonColorCheckedHot WRITE SetButtonColorCheckedHot RESET
                   ResetButtonColorCheckedHot)
    Q_PROPERTY(
        QColor buttonColorDisabled READ buttonColorDisabled WRITE SetButtonColorDisabled RESET ResetButtonColorDisabled)
    Q_PROPERTY(QPixmap iconNormal READ iconNormal WRITE SetIconNormal RESET ResetIconNormal)
    Q_PROPERTY(QPixmap iconPushed READ iconPushed WRITE SetIconPushed RESET ResetIconPushed)
    Q_PROPERTY(QPixmap iconHot READ iconHot WRITE SetIconHot RESET ResetIconHot)
    Q_PROPERTY(QPixmap iconCheckedHot READ iconCheckedHot WRITE SetIconCheckedHot RESET ResetIconCheckedHot)
    Q_PROPERTY(QPixmap iconDisabled READ iconDisabled WRITE SetIconDisabled RESET ResetIconDisabled)
    Q_PROPERTY(EIconPosition iconPosition READ iconPosition WRITE SetIconPosition RESET ResetIconPosition)
    Q_PROPERTY(int iconSpace READ iconSpace WRITE SetIconSpace RESET ResetIconSpace)
    Q_PROPERTY(int textSpace READ textSpace WRITE SetTextSpace RESET ResetTextSpace)
    Q_PROPERTY(bool isTextPushedBold READ isTextPushedBold WRITE SetTextPushedBold RESET ResetTextPushedBold)

public:
    // Where the picture stands relative to the text.
    enum EIconPosition { Top = 0, Bottom = 1, Left = 2, Right = 3 };
    Q_ENUM(EIconPosition)

    explicit QPictureButton(QWidget* parent = nullptr);
    ~QPictureButton() override;

    QColor textColorNormal() const;
    void SetTextColorNormal(const QColor& color);
    void ResetTextColorNormal();
    QColor textColorHot() const;
    void SetTextColorHot(const QColor& color);
    void ResetTextColorHot();
    QColor textColorPushed() const;
    void SetTextColorPushed(const QColor& color);
    void ResetTextColorPushed();
    QColor textColorDisabled() const;
    void SetTextColorDisabled(const QColor& color);
    void ResetTextColorDisabled();

    bool borderEnabled() const;
    void SetBorderEnabled(bool enabled);
    void ResetBorderEnabled();
    QColor borderColor() const;
    void SetBorderColor(const QColor& color);
    void ResetBorderColor();

    QColor buttonColorNormal() const;
    void SetButtonColorNormal(const QColor& color);
    void ResetButtonColorNormal();
    QColor buttonColorPushed() const;
    void SetButtonColorPushed(const QColor& color);
    void ResetButtonColorPushed();
    QColor buttonColorHot() const;
    void SetButtonColorHot(const QColor& color);
    void ResetButtonColorHot();
    QColor buttonColorCheckedHot() const;
    void SetButtonColorCheckedHot(const QColor& color);
    void ResetButtonColorCheckedHot();
    QColor buttonColorDisabled() const;
    void SetButtonColorDisabled(const QColor& color);
    void ResetButtonColorDisabled();

    QPixmap iconNormal() const;
    void SetIconNormal(const QPixmap& icon);
    void ResetIconNormal();
    QPixmap iconPushed() const;
    void SetIconPushed(const QPixmap& icon);
    void ResetIconPushed();
    QPixmap iconHot() const;
    void SetIconHot(const QPixmap& icon);
    void ResetIconHot();
    QPixmap iconCheckedHot() const;
    void SetIconCheckedHot(const QPixmap& icon);
    void ResetIconCheckedHot();
    QPixmap iconDisabled() const;
    void SetIconDisabled(const QPixmap& icon);
    void ResetIconDisabled();

    EIconPosition iconPosition() const;
    void SetIconPosition(EIconPosition position);
    void ResetIconPosition();
    // Pixels between the widget's edge and the picture.
    int iconSpace() const;
    void SetIconSpace(int space);
    void ResetIconSpace();
    // Pixels between the picture and the text.
    int textSpace() const;
    void SetTextSpace(int space);
    void ResetTextSpace();
    bool isTextPushedBold() const;
    void SetTextPushedBold(bool bold);
    void ResetTextPushedBold();

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void getCurrentIcon(QColor& textColor, QColor& buttonColor, QPixmap& icon) const;

    std::unique_ptr<QPictureButtonPrivate> d;
};
