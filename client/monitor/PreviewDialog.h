#pragma once

#include "core/stu_DeviceChannelInfo.h"

#include <QDialog>

namespace Ui {
class PreviewDialog;
}
class KvorPlayWindow;

// A frameless 810 x 552 window that plays one channel large in a pane of its
// own, independently of the pane it was opened from. However it closes (its
// buttons, the window manager, its owner), its stream stops.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreviewDialog(QWidget* parent = nullptr);
    ~PreviewDialog() override;

    void StartSdkPreview(const stu_DeviceChannelInfo& channel);
    // A second RTSP session of its own on the same URL.
    void StartRtspPreview(const QString& url, const QString& user, const QString& password);
    void StopPreview();
    KvorPlayWindow* Pane() const;

private slots:
    void on_pBtnExitPreview_clicked();
    void on_tBtn_close_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Ui::PreviewDialog* ui;
    bool bDragging = false;
    QPoint dragOffset;
};
