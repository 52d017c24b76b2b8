#include "LoginGate.h"

#include "device/DeviceManager.h"

long LoginGate::Login(DeviceManager& link, const QString& ip, int port, const QString& user, const QString& password,
                      bool fresh)
{
    const QString key = QStringLiteral("%1:%2 %3").arg(ip).arg(port).arg(user);
    {
        std::unique_lock<std::mutex> lock(mutex);
        released.wait(lock, [&] { return !inUse.contains(key); });
        inUse.insert(key);
    }
    long userId = -1;
    if (fresh || !link.GetUserIdByIpPortUser(ip, port, user, &userId))
        link.DeviceLogin(ip, port, user, password, &userId);
    {
        std::lock_guard<std::mutex> lock(mutex);
        inUse.remove(key);
    }
    released.notify_all();
    return userId;
}
