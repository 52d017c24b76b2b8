#pragma once

#include "KvorPlayWindow.h"

#include <QPointer>
#include <QRunnable>

#include <functional>

// Starts the SDK play of one channel on a pool thread. The pool thread works
// on copies only; the pane and whatever `done` touches are reached on the GUI
// thread through a queued call, which finds out there whether the pane still
// exists. Nobody has to wait for a start before deleting a pane.
class PreviewRunnable : public QRunnable
{
public:
    using Done = std::function<void(bool ok)>;

    PreviewRunnable(KvorPlayWindow* pane, const stu_DeviceChannelInfo& channel, WId window, int streamType, Done done);
    ~PreviewRunnable() override;

    void run() override;

private:
    QPointer<KvorPlayWindow> pane;
    stu_DeviceChannelInfo channel;
    WId window;
    int streamType;
    Done done;
    quint64 ticket;
};
