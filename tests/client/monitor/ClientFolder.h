#pragma once
// A temporary application folder for the client: the translations next to the
// program, a Corvane.db made from the schema holding the given devices, and
// the simulator that plays those devices on a private loopback subnet.

#include "Simulator.h"
#include "TestSupport.h"

#include "core/FontSubstitution.h"
#include "core/SharedRecords.h"
#include "data/DatabaseOperation.h"
#include "monitor/ClientStartup.h"

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

class ClientFolder
{
public:
    ClientFolder()
    {
        for (const char* translation : {"corvane_zh.qm", "corvane_en.qm"})
            QFile::copy(QStringLiteral(CORVANE_BIN_DIR "/") + translation, dir.filePath(translation));
    }

    QString Path() const { return dir.path(); }
    // Makes this the program's folder and sets the application up as the
    // client's start-up does: fonts, record types, style sheet.
    void PrepareApplication() const
    {
        qputenv("CORVANE_APP_DIR", QFile::encodeName(Path()));
        InstallFontSubstitutions();
        RegisterSharedRecordTypes();
        qApp->setStyleSheet(ClientStyleSheet());
    }
    QString DatabasePath() const { return dir.filePath(QStringLiteral("Corvane.db")); }

    // Makes Corvane.db from the schema and stores the devices in it.
    bool StoreDevices(const std::vector<devsim::DeviceSpec>& devices)
    {
        DatabaseOperation database;
        if (!database.ConnectDatabase(DatabasePath()))
            return false;
        for (const devsim::DeviceSpec& device : devices) {
            const stu_DeviceInfo info{QString::fromStdString(device.name), QString::fromStdString(device.address),
                                      device.port, QString::fromStdString(device.user),
                                      QString::fromStdString(device.password)};
            if (!database.AddDeviceInfo(info))
                return false;
        }
        database.CloseDatabase();
        return true;
    }

private:
    QTemporaryDir dir;
};

// Simulated devices with their cameras, pushing alarms to `alarmPort`.
inline std::vector<devsim::DeviceSpec> SimulatedDevices(int devices, int cameras, uint16_t alarmPort)
{
    devsim::Layout layout;
    layout.devices = devices;
    layout.camerasPerDevice = cameras;
    layout.port = testsupport::reservePort();
    layout.alarmPort = alarmPort;
    layout.alarmsPerSecond = 0;
    layout.firstSubnet = testsupport::privateSubnet();
    return devsim::Simulator::devicesFor(layout);
}
