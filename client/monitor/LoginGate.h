#pragma once

#include <QSet>
#include <QString>

#include <condition_variable>
#include <mutex>

class DeviceManager;

// Lets one thread at a time log in to one address, port and user, so passes
// that meet on a device (a full refresh and a single device, say) share its
// login instead of each opening one that nobody would ever log out.
class LoginGate
{
public:
    // The device link's login for the address, made with `password` when there
    // is none yet; with `fresh` a new login is made even beside an existing one
    // (an edit may have changed the password). -1 when the login failed.
    long Login(DeviceManager& link, const QString& ip, int port, const QString& user, const QString& password,
               bool fresh = false);

private:
    std::mutex mutex;
    std::condition_variable released;
    QSet<QString> inUse;
};
