#include "PreviewDialog.h"

#include "KvorPlayWindow.h"
#include "RequstRunables.h"
#include "ui_PreviewDialog.h"

#include "data/ImplementInstance.h"
#include "core/SettingsStore.h"

#include <QKeyEvent>
#include <QMouseEvent>

PreviewDialog::PreviewDialog(QWidget* parent) : QDialog(parent), ui(new Ui::PreviewDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->tBtn_close->setPicName(tr(":/images/close"));
    ui->labelPreviewDlgName->setAttribute(Qt::WA_TranslucentBackground);
    ui->tBtn_close->setAttribute(Qt::WA_TranslucentBackground);
}

PreviewDialog::~PreviewDialog()
{
    ui->widgetPreview->StopPlay();
    delete ui;
}

KvorPlayWindow* PreviewDialog::Pane() const
{
    return ui->widgetPreview;
}

void PreviewDialog::StartSdkPreview(const stu_DeviceChannelInfo& channel)
{
    int streamType = 0;
    if (ImplementInstance* instance = ImplementInstance::GetInstance())
        streamType = instance->GetConfig()->GetValue(QStringLiteral("Param/StreamType"), true).toInt();
    RequstRunables::RequestPreview(ui->widgetPreview, channel, streamType);
}

void PreviewDialog::StartRtspPreview(const QString& url, const QString& user, const QString& password)
{
    ui->widgetPreview->StartRtspPlaySlot(url, user, password);
}

void PreviewDialog::StopPreview()
{
    ui->widgetPreview->StopPlay();
}

void PreviewDialog::on_pBtnExitPreview_clicked()
{
    close();
}

void PreviewDialog::on_tBtn_close_clicked()
{
    close();
}

void PreviewDialog::closeEvent(QCloseEvent* event)
{
    // Also when the window manager closes the dialog.
    StopPreview();
    QDialog::closeEvent(event);
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void PreviewDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragOffset = event->globalPos() - frameGeometry().topLeft();
        bDragging = true;
        event->accept();
    }
}

void PreviewDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (bDragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPos() - dragOffset);
        event->accept();
    }
}

void PreviewDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        bDragging = false;
}

void PreviewDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange && !isMinimized())
        setAttribute(Qt::WA_Mapped);
    QDialog::changeEvent(event);
}
