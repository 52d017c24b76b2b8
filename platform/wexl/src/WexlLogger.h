#ifndef WEXL_WEXLLOGGER_H
#define WEXL_WEXLLOGGER_H

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace wexl {

// The one logger behind the C entry: a rotating file and standard error.
// The file sink is swapped under the mutex, so lines never see a half-made
// sink; spdlog's own sink locks keep each line whole.
class WexlLogger
{
public:
    static WexlLogger& instance();

    void log(int level, const char* module, const std::string& text);
    bool setFile(const std::string& path);
    void setStderrLevel(int level);
    void setLevel(int level) { m_minimumLevel = level; }
    // Lets callers skip formatting a line that would be dropped.
    bool wants(int level) const { return level >= m_minimumLevel; }

private:
    WexlLogger();
    std::shared_ptr<spdlog::logger> current();
    std::shared_ptr<spdlog::logger> makeLogger(std::shared_ptr<spdlog::sinks::sink> file) const;

    std::mutex m_mutex;
    std::shared_ptr<spdlog::sinks::stderr_sink_mt> m_stderr;
    std::shared_ptr<spdlog::logger> m_logger;
    bool m_fileTried = false;
    std::atomic<int> m_minimumLevel{0};
};

} // namespace wexl

#endif
