#include "DeliveredAlarms.h"

#include "ByteIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace tessoran {
namespace {

// A ledger record: the device ("address:port", NUL-padded), its run, the last
// number delivered.
constexpr size_t kKeySize = 48;
constexpr size_t kRecordSize = kKeySize + 8 + 4 + 4;

// A new file exists after a power cut only once its folder's entry is on the disk.
void syncFolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

DeliveredAlarms::~DeliveredAlarms()
{
    if (ledger_ >= 0)
        ::close(ledger_);
}

bool DeliveredAlarms::openLedger(const std::string& path, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        syncFolderOf(path);
    else if (errno == EEXIST)
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    uint8_t record[kRecordSize];
    int64_t offset = 0;
    while (::pread(fd, record, sizeof record, offset) == static_cast<ssize_t>(sizeof record)) {
        wire::ByteReader in(record + kKeySize, kRecordSize - kKeySize);
        std::string device(reinterpret_cast<const char*>(record),
                           strnlen(reinterpret_cast<const char*>(record), kKeySize));
        Run run;
        run.id = in.u64();
        run.last = in.u32();
        run.offset = offset;
        runs_[device] = run;
        offset += kRecordSize;
    }
    ledger_ = fd;
    ledgerSize_ = offset;
    return true;
}

uint32_t DeliveredAlarms::last(const std::string& device, uint64_t runId) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = runs_.find(device);
    return it != runs_.end() && it->second.id == runId ? it->second.last : 0;
}

bool DeliveredAlarms::isNew(const std::string& device, uint64_t runId, uint32_t number) const
{
    return number != 0 && number > last(device, runId);
}

void DeliveredAlarms::markDelivered(const std::string& device, uint64_t runId, uint32_t number)
{
    if (number == 0)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    Run& run = runs_[device];
    if (run.id != runId) {
        run.id = runId;
        run.last = 0;
    }
    if (number <= run.last)
        return;
    run.last = number;
    write(device, run);
}

void DeliveredAlarms::write(const std::string& device, Run& run)
{
    if (ledger_ < 0)
        return;
    if (run.offset < 0) {
        run.offset = ledgerSize_;
        ledgerSize_ += kRecordSize;
    }
    wire::ByteWriter out;
    char key[kKeySize] = {};
    std::strncpy(key, device.c_str(), kKeySize - 1);
    out.raw(key, kKeySize);
    out.u64(run.id);
    out.u32(run.last);
    out.u32(0);
    const std::vector<uint8_t>& bytes = out.bytes();
    const ssize_t written = ::pwrite(ledger_, bytes.data(), bytes.size(), run.offset);
    if (written != static_cast<ssize_t>(bytes.size()))
        writeError_ = written < 0 ? std::strerror(errno) : "short write";
    unsynced_ = true;
}

bool DeliveredAlarms::sync(std::string& error)
{
    int fd = -1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ledger_ < 0 || !unsynced_)
            return true;
        unsynced_ = false;
        fd = ledger_;
        error = std::exchange(writeError_, std::string());
    }
    // Outside the lock: the next round's checks of new alarms do not wait for
    // the disk. A record written meanwhile marks the ledger unsynced again.
    if (::fdatasync(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return error.empty();
}

} // namespace tessoran
