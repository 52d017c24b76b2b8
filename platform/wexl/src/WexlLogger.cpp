#include "WexlLogger.h"

#include <LogText.h>

#include <cstdlib>
#include <filesystem>

namespace wexl {

namespace {

constexpr size_t kFileBytes = 10 * 1024 * 1024;
constexpr size_t kFiles = 5;

std::shared_ptr<spdlog::sinks::sink> openFile(const std::string& path)
{
    try {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        return std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kFileBytes, kFiles);
    } catch (const std::exception&) {
        return nullptr;
    }
}

spdlog::level::level_enum levelOf(int level)
{
    switch (level) {
    case 0: return spdlog::level::trace;
    case 1: return spdlog::level::debug;
    case 2: return spdlog::level::info;
    case 3:
    case 4: return spdlog::level::warn;
    case 5: return spdlog::level::err;
    default: return level < 0 ? spdlog::level::trace : spdlog::level::critical;
    }
}

std::string defaultLogFile()
{
    std::filesystem::path directory;
    if (const char* appDir = std::getenv("CORVANE_APP_DIR"); appDir && *appDir) {
        directory = appDir;
    } else {
        std::error_code error;
        directory = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
        if (error)
            directory = std::filesystem::current_path(error);
    }
    return (directory / "PellmarLogs" / "Pellmar.log").string();
}

} // namespace

WexlLogger& WexlLogger::instance()
{
    // Never destroyed: the library may log from threads that outlive main().
    static auto* logger = new WexlLogger;
    return *logger;
}

WexlLogger::WexlLogger() : m_stderr(std::make_shared<spdlog::sinks::stderr_sink_mt>())
{
    m_stderr->set_level(spdlog::level::info);
    m_logger = makeLogger(nullptr);
}

std::shared_ptr<spdlog::logger> WexlLogger::makeLogger(std::shared_ptr<spdlog::sinks::sink> file) const
{
    std::vector<spdlog::sink_ptr> sinks{m_stderr};
    if (file)
        sinks.push_back(std::move(file));
    auto logger = std::make_shared<spdlog::logger>("wexl", sinks.begin(), sinks.end());
    // RTSP headers and server texts reach these lines: the message is escaped.
    logger->set_formatter(logtext::makeEscapingFormatter("[%Y-%m-%d %H:%M:%S.%e] [%t] [%l] %*"));
    logger->set_level(spdlog::level::trace);
    logger->flush_on(spdlog::level::trace);
    return logger;
}

std::shared_ptr<spdlog::logger> WexlLogger::current()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_fileTried) {
        // The default file is opened at the first line, so a program that sets
        // its own file first never creates the default one.
        m_fileTried = true;
        if (auto file = openFile(defaultLogFile()))
            m_logger = makeLogger(std::move(file));
    }
    return m_logger;
}

void WexlLogger::log(int level, const char* module, const std::string& text)
{
    current()->log(levelOf(level), "[{}] {}", module ? module : "", text);
}

bool WexlLogger::setFile(const std::string& path)
{
    auto file = openFile(path);
    if (!file)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileTried = true;
    m_logger = makeLogger(std::move(file));
    return true;
}

void WexlLogger::setStderrLevel(int level)
{
    m_stderr->set_level(levelOf(level));
}

} // namespace wexl
