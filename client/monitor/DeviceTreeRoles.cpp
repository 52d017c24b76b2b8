#include "DeviceTreeRoles.h"

#include <QIcon>
#include <QStandardItemModel>
#include <QThread>

void MarkChannelPane(QStandardItem* item, quint16 paneIndex, bool ok)
{
    if (!item)
        return;
    QStandardItemModel* model = item->model();
    auto apply = [item, paneIndex, ok] {
        item->setData(paneIndex, DeviceTreeRoles::PaneIndex);
        item->setData(ok ? 1 : 2, DeviceTreeRoles::PreviewState);
        item->setIcon(QIcon(ok ? QStringLiteral(":images/preview/previewChannel.png")
                               : QStringLiteral(":images/preview/previewFailed.png")));
    };
    // Preview runnables call this from the pool; the model belongs to the GUI thread.
    if (!model || model->thread() == QThread::currentThread())
        apply();
    else
        QMetaObject::invokeMethod(model, apply, Qt::BlockingQueuedConnection);
}
