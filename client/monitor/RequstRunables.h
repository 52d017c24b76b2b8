#pragma once

#include "PreviewRunnable.h"

// Entry to the preview starts on Qt's global pool.
class RequstRunables
{
public:
    // GUI thread: starts `channel` in `pane`; `done` runs on the GUI thread
    // with the outcome unless the pane is gone or was stopped meanwhile.
    static void RequestPreview(KvorPlayWindow* pane, const stu_DeviceChannelInfo& channel, int streamType,
                               PreviewRunnable::Done done = {});
    // Waits until no preview start is queued or running. The starts hand their
    // results over by queued calls only, so the GUI thread may wait here.
    static void WaitForPreviews();
    static int PendingPreviews();
};
