#pragma once

#include <QFrame>
#include <QPixmap>

// The magnifier of a picture frame: shows a region of the full picture, one
// picture pixel per screen pixel. Mouse events pass through it to the frame.
class QFloatPictureFrame : public QFrame
{
    Q_OBJECT

public:
    explicit QFloatPictureFrame(QWidget* parent = nullptr);

    void setPixmap(const QPixmap& pixmap);
    void setArea(int width, int height);
    QSize area() const { return QSize(m_nAreaWidth, m_nAreaHeight); }
    // Top-left of the region of the full picture that is shown.
    void setSource(int x, int y);
    QPoint source() const { return QPoint(m_nSourceX, m_nSourceY); }
    void centreOn(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPixmap m_pixmap;
    int m_nAreaWidth = 10;
    int m_nAreaHeight = 10;
    int m_nSourceX = 0;
    int m_nSourceY = 0;
};
