#pragma once

#include <QtGlobal>
#include <Qt>

class QStandardItem;

// Data roles of the device tree's items.
namespace DeviceTreeRoles {
// Channel rows: the stu_DeviceChannelInfo.
constexpr int Channel = Qt::UserRole;
// Device rows: the stu_DeviceInfo. Channel rows: the quint16 index of the pane that shows them.
constexpr int Device = Qt::UserRole + 1;
constexpr int PaneIndex = Qt::UserRole + 1;
// Channel rows: 1 playing, 2 preview failed.
constexpr int PreviewState = Qt::UserRole + 2;
// Channel rows: 1 logged in, 0 not.
constexpr int LoginState = Qt::UserRole + 3;
// Device rows: 1 while a pass fetches the device's channels.
constexpr int Busy = Qt::UserRole + 5;
// Channel rows that logged in: their stu_LoginInfo.
constexpr int Login = Qt::UserRole + 6;
} // namespace DeviceTreeRoles

// Marks a camera's row with the pane that previews it and whether the preview
// plays; callable from any thread (the change itself runs on the model's).
void MarkChannelPane(QStandardItem* item, quint16 paneIndex, bool ok);
