#include "LoginPass.h"

#include <boost/thread/locks.hpp>

using Lock = boost::unique_lock<boost::mutex>;

LoginPass::LoginPass(QList<stu_DeviceInfo> devices) : devices(std::move(devices))
{
    for (int i = 0; i < this->devices.size(); ++i) {
        order.insert(this->devices.at(i).deviceIp, i);
        failures.append(QString());
        byIndex.append(Outcome());
    }
}

void LoginPass::ExpectWorkers(int count)
{
    const Lock lock(mutex);
    workers = count;
}

void LoginPass::WorkerEnded()
{
    {
        const Lock lock(mutex);
        --workers;
    }
    arrived.notify_all();
}

bool LoginPass::Take(int* index, stu_DeviceInfo* device)
{
    const Lock lock(mutex);
    if (next >= devices.size())
        return false;
    *index = next;
    *device = devices.at(next);
    ++next;
    return true;
}

bool LoginPass::Deliver(Outcome outcome)
{
    bool handOver = false;
    {
        const Lock lock(mutex);
        failures[outcome.index] = outcome.failure;
        byIndex[outcome.index] = outcome;
        delivered.append(std::move(outcome));
        handOver = !handOverWaiting;
        handOverWaiting = true;
    }
    arrived.notify_all();
    return handOver;
}

QList<LoginPass::Outcome> LoginPass::TakeDelivered()
{
    const Lock lock(mutex);
    handOverWaiting = false;
    QList<Outcome> batch;
    batch.swap(delivered);
    return batch;
}

QList<LoginPass::Outcome> LoginPass::NextInOrder()
{
    Lock lock(mutex);
    for (;;) {
        QList<Outcome> batch;
        for (; inOrder < byIndex.size() && byIndex.at(inOrder).index != -1; ++inOrder)
            batch.append(byIndex.at(inOrder));
        if (!batch.isEmpty() || inOrder == byIndex.size() || workers <= 0)
            return batch;
        arrived.wait(lock);
    }
}

void LoginPass::AddFailure(int index, const QString& failure)
{
    const Lock lock(mutex);
    failures[index] += failure;
}

QString LoginPass::Summary() const
{
    const Lock lock(mutex);
    return failures.join(QString());
}
