#include "vs_sink.h"

#include <QFile>
#include <QString>
#include <QTextCodec>

namespace spdlog {
namespace sinks {

namespace {
constexpr int kUtf8Mib = 106;
constexpr std::chrono::seconds kProbeInterval(1);
} // namespace

bool DebuggerAttached()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("TracerPid:"))
            return line.mid(10).trimmed().toLongLong() != 0;
    }
    return false;
}

template <typename Mutex>
vs_sink<Mutex>::vs_sink(std::FILE* out, probe attached)
    : out_(out), localIsUtf8_(QTextCodec::codecForLocale()->mibEnum() == kUtf8Mib),
      attached_(attached ? std::move(attached) : probe(&DebuggerAttached))
{
}

template <typename Mutex>
bool vs_sink<Mutex>::listening()
{
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextProbe_) {
        listening_ = attached_();
        nextProbe_ = now + kProbeInterval;
    }
    return listening_;
}

template <typename Mutex>
void vs_sink<Mutex>::sink_it_(const details::log_msg& msg)
{
    if (!listening())
        return;
    memory_buf_t formatted;
    this->formatter_->format(msg, formatted);
    if (localIsUtf8_) {
        std::fwrite(formatted.data(), 1, formatted.size(), out_);
        return;
    }
    const QByteArray local = QString::fromUtf8(formatted.data(), static_cast<int>(formatted.size())).toLocal8Bit();
    std::fwrite(local.constData(), 1, static_cast<size_t>(local.size()), out_);
}

template <typename Mutex>
void vs_sink<Mutex>::flush_()
{
    std::fflush(out_);
}

template class vs_sink<std::mutex>;
template class vs_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
