#pragma once

#include "core/stu_DeviceChannelInfo.h"
#include "core/stu_DeviceInfo.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

// One login pass over a list of devices, shared by the threads that log the
// devices in side by side: each takes the next device, logs it in and
// delivers the outcome. The GUI thread takes the outcomes delivered so far in
// batches, whatever their order; the pass's own thread stores them in the
// order of the list as soon as they are in. Holds no widget and makes no
// device or database call itself.
class LoginPass
{
public:
    struct Channel
    {
        stu_DeviceChannelInfo info;
        long userId = -1; // -1: the camera's own login failed
    };
    struct Outcome
    {
        int index = -1; // of the device in the pass's list
        stu_DeviceInfo device;
        long userId = -1; // -1: the device's login failed
        QList<Channel> channels;
        QString failure; // what the summary says of this device; empty when all went well
    };

    explicit LoginPass(QList<stu_DeviceInfo> devices);

    const QList<stu_DeviceInfo>& Devices() const { return devices; }
    // Where the device at this address stands in the list; -1 when it is not in it.
    int IndexOf(const QString& deviceIp) const { return order.value(deviceIp, -1); }

    // ---- the logging-in threads ----
    // How many threads will log in; each calls WorkerEnded once, however it ends.
    void ExpectWorkers(int count);
    void WorkerEnded();
    // The next device nobody has taken yet; false when all are taken.
    bool Take(int* index, stu_DeviceInfo* device);
    // Keeps the outcome of a device. True when no batch is waiting for the
    // GUI thread, so the caller must hand one over.
    bool Deliver(Outcome outcome);

    // ---- the GUI thread ----
    // The outcomes delivered since the last call, in the order they came;
    // the next delivery asks for a new hand-over.
    QList<Outcome> TakeDelivered();

    // ---- the pass's thread ----
    // Waits until the outcomes that follow the last ones returned here are in
    // and returns them in the order of the list; an empty list once all are
    // returned or every logging-in thread has ended. An interruption point.
    QList<Outcome> NextInOrder();
    // Adds to what the summary says of the device at `index`.
    void AddFailure(int index, const QString& failure);
    // The failures of every device, in the order of the list, run together.
    QString Summary() const;

private:
    const QList<stu_DeviceInfo> devices;
    QHash<QString, int> order;
    mutable boost::mutex mutex;
    boost::condition_variable arrived;
    int next = 0;
    int workers = 0;
    QList<Outcome> delivered;
    bool handOverWaiting = false;
    QList<Outcome> byIndex; // index -1 where nothing was delivered yet
    int inOrder = 0;        // outcomes returned by NextInOrder
    QStringList failures;
};
