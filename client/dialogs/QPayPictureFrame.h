#pragma once

#include <QFrame>
#include <QPixmap>

// A plain picture frame without magnifier: the picture stretched to the
// frame, a pointing hand over it and doubleClicked() on a double click.
class QPayPictureFrame : public QFrame
{
    Q_OBJECT

public:
    explicit QPayPictureFrame(QWidget* parent = nullptr);

    int setPixmap(const QPixmap& pixmap, bool fixSize = false);
    void clearImage();

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Rescale();

    QString m_strPath;
    QPixmap m_fullPixmap;
    QPixmap m_displayPixmap;
};
