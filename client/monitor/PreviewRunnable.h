#pragma once

#include "KvorPlayWindow.h"

#include <QRunnable>

#include <functional>

// Starts the SDK play of one channel on a pool thread. The pool thread works
// on copies only; the pane and whatever `done` touches are reached on the GUI
// thread through a queued call, and RequstRunables::WaitForPreviews keeps the
// panes alive until every start has handed its result back.
class PreviewRunnable : public QRunnable
{
public:
    using Done = std::function<void(bool ok)>;

    PreviewRunnable(KvorPlayWindow* pane, const stu_DeviceChannelInfo& channel, WId window, int streamType,
                    Done done);
    ~PreviewRunnable() override;

    void run() override;

private:
    KvorPlayWindow* pane;
    stu_DeviceChannelInfo channel;
    WId window;
    int streamType;
    Done done;
    quint64 ticket;
};
