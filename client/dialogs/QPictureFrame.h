#pragma once

#include "dialogs/QFloatPictureFrame.h"

#include <QFrame>
#include <QPixmap>

// Shows one picture scaled to the frame and, while the pointer moves over
// it, a magnifier with the picture at full resolution around that spot.
class QPictureFrame : public QFrame
{
    Q_OBJECT

public:
    // Where a detached magnifier sits beside the frame.
    enum MagnifierSide { Left = 0, Below = 1, Right = 2, Above = 3 };

    explicit QPictureFrame(QWidget* parent = nullptr);
    ~QPictureFrame() override;

    // Loads the picture at `path` unless it is the one shown. A picture that
    // cannot be shown (missing, not a picture, too large, cut short) leaves
    // the frame empty but keeps the path for the double-click. Returns 0.
    int setImage(const QString& path, bool fixSize = false);
    int setPixmap(const QPixmap& pixmap, bool fixSize = false);
    void clearImage();

    QString getPath() const { return m_strPath; }
    bool hasImage() const { return !m_fullPixmap.isNull(); }
    void setKeepAspectRatio(bool keep) { m_bKeepAspect = keep; }
    void enableMagnifier() { m_bMagnifierEnabled = true; }
    void disableMagnifier();
    // The magnifier follows the pointer inside the frame (the default) ...
    void attachMagnifier();
    // ... or stands beside the frame as a window of its own, of a fixed size.
    void detachMagnifier(MagnifierSide side, int width, int height);
    // The part of the full picture under `frameRect` (frame coordinates).
    QPixmap zoomCopy(const QRect& frameRect) const;

    const QFloatPictureFrame* magnifier() const { return m_pMagnifier; }

signals:
    void doubleClicked();
    void doubleClickedPath(QString path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowPicture(const QPixmap& full, const QString& path, bool fixSize);
    void Rescale();
    QSize MagnifierSize() const;
    void PlaceDetachedMagnifier();

    QPixmap m_displayPixmap;
    int m_nPointerX = 0;
    int m_nPointerY = 0;
    int m_nPictureX = 0;
    int m_nPictureY = 0;
    int m_nFullX = 0;
    int m_nFullY = 0;
    int m_nSourceX = 0;
    int m_nSourceY = 0;
    int m_nMagnifierWidth = 0;
    int m_nMagnifierHeight = 0;
    bool m_bMagnifierEnabled = true;
    int m_nMagnifierMode = 0;
    int m_nDetachedWidth = 300;
    int m_nDetachedHeight = 300;
    int m_nDetachedSide = Left;
    QString m_strPath;
    QPixmap m_fullPixmap;
    bool m_bKeepAspect = false;
    QFloatPictureFrame* m_pMagnifier = nullptr;
};
