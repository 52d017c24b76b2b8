#include "LoginPass.h"

LoginPass::LoginPass(QList<stu_DeviceInfo> devices)
    : devices(std::move(devices))
{
    for (int i = 0; i < this->devices.size(); ++i) {
        order.insert(this->devices.at(i).deviceIp, i);
        failures.append(QString());
        byIndex.append(Outcome());
    }
}

bool LoginPass::Take(int* index, stu_DeviceInfo* device)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (next >= devices.size())
        return false;
    *index = next;
    *device = devices.at(next);
    ++next;
    return true;
}

bool LoginPass::Deliver(Outcome outcome)
{
    std::lock_guard<std::mutex> lock(mutex);
    failures[outcome.index] = outcome.failure;
    byIndex[outcome.index] = outcome;
    delivered.append(std::move(outcome));
    const bool handOver = !handOverWaiting;
    handOverWaiting = true;
    return handOver;
}

QList<LoginPass::Outcome> LoginPass::TakeDelivered()
{
    std::lock_guard<std::mutex> lock(mutex);
    handOverWaiting = false;
    QList<Outcome> batch;
    batch.swap(delivered);
    return batch;
}

QList<LoginPass::Outcome> LoginPass::Outcomes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    QList<Outcome> outcomes;
    for (const Outcome& outcome : byIndex)
        if (outcome.index != -1)
            outcomes.append(outcome);
    return outcomes;
}

void LoginPass::AddFailure(int index, const QString& failure)
{
    std::lock_guard<std::mutex> lock(mutex);
    failures[index] += failure;
}

QString LoginPass::Summary() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return failures.join(QString());
}
