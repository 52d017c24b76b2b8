#include "Logging.h"

#include "ApplicationDir.h"
#include "LogLineFormat.h"
#include "list_sink.h"
#include "rotating_file_mod_sink.h"
#include "vs_sink.h"

#include <QDir>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdarg>
#include <cwchar>
#include <mutex>
#include <set>
#include <vector>

namespace {

constexpr std::uint32_t kMaxLogFileSize = 2 * 1024 * 1024;
constexpr std::uint32_t kMaxLogFiles = 100;
const std::string kGuiLoggerName = "GUI";

struct LogState
{
    std::mutex mutex; // serialises set-up, shutdown and logger creation
    bool initialised = false;
    bool filesOpen = false;
    std::string directory; // native path, local 8-bit encoding
    std::vector<spdlog::sink_ptr> plainSinks;
    std::vector<spdlog::sink_ptr> guiSinks;
    std::shared_ptr<spdlog::sinks::list_sink_mt> listSink;
    std::set<std::string> loggerNames;
};

LogState& State()
{
    static LogState state;
    return state;
}

// Opens the folder and the first file; the reason when that fails, else empty.
std::string AddFileSink(LogState& state, const QString& folderName)
{
    const QString path =
        QDir::toNativeSeparators(QDir::cleanPath(ApplicationDirPath() + QDir::separator() + folderName));
    state.directory = path.toLocal8Bit().toStdString();
    if (!QDir().mkpath(path))
        return "cannot create the log folder " + path.toStdString();
    try {
        state.plainSinks.push_back(std::make_shared<spdlog::sinks::rotating_file_mod_sink_mt>(
            folderName.toStdString(), "log", state.directory, kMaxLogFileSize, kMaxLogFiles, true));
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

void SetLineFormat(const std::vector<spdlog::sink_ptr>& sinks)
{
    for (const auto& sink : sinks)
        sink->set_formatter(MakeLogLineFormatter());
}

spdlog::level::level_enum LevelOfWideCall(int level, bool* known)
{
    *known = true;
    switch (level) {
    case 1: return spdlog::level::info;
    case 2: return spdlog::level::trace;
    case 3: return spdlog::level::debug;
    case 4: return spdlog::level::warn;
    case 5: return spdlog::level::err;
    case 6: return spdlog::level::critical;
    default: *known = false; return spdlog::level::off;
    }
}

// vswprintf gives no length when the text does not fit, so longer messages
// are retried in bigger buffers and cut only past 64 Ki characters.
QString FormatWide(const wchar_t* format, va_list args)
{
    for (size_t capacity : {size_t(4096), size_t(65536)}) {
        std::vector<wchar_t> buffer(capacity);
        va_list attempt;
        va_copy(attempt, args);
        const int length = std::vswprintf(buffer.data(), capacity, format, attempt);
        va_end(attempt);
        if (length >= 0)
            return QString::fromWCharArray(buffer.data(), length);
        if (capacity == 65536) {
            buffer.back() = L'\0';
            return QString::fromWCharArray(buffer.data());
        }
    }
    return {};
}

} // namespace

bool InitLogging(const wchar_t* folderName)
{
    LogState& state = State();
    std::string failure;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.initialised)
            return state.filesOpen;
        state.plainSinks = {std::make_shared<spdlog::sinks::stdout_sink_mt>(),
                            std::make_shared<spdlog::sinks::vs_sink_mt>()};
        failure = AddFileSink(state, QString::fromWCharArray(folderName));
        state.listSink = std::make_shared<spdlog::sinks::list_sink_mt>();
        state.guiSinks = state.plainSinks;
        state.guiSinks.push_back(state.listSink);
        SetLineFormat(state.guiSinks);
        state.filesOpen = failure.empty();
        state.initialised = true;
    }
    if (!failure.empty())
        LoggerFor("Logging")->error("{}, log files are off: {}", "InitLogging", failure);
    return failure.empty();
}

void ShutdownLogging()
{
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.initialised)
        return;
    // Only the client's loggers: spdlog's default logger stays usable.
    for (const std::string& name : state.loggerNames)
        spdlog::drop(name);
    state.loggerNames.clear();
    state.initialised = false;
}

std::shared_ptr<spdlog::logger> GetOrCreateLogger(const std::string& name)
{
    LogState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (auto existing = spdlog::get(name))
        return existing;
    const auto& sinks = name == kGuiLoggerName ? state.guiSinks : state.plainSinks;
    auto logger = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
    spdlog::register_logger(logger);
    state.loggerNames.insert(name);
    return logger;
}

std::shared_ptr<spdlog::logger> LoggerFor(const std::string& name)
{
    return GetOrCreateLogger(name);
}

std::shared_ptr<spdlog::logger> GlobalLogger()
{
    return GetOrCreateLogger("Global");
}

void LogWideF(const wchar_t* category, const wchar_t*, const wchar_t*, int, int level, const wchar_t* format, ...)
{
    bool known = false;
    const spdlog::level::level_enum spdLevel = LevelOfWideCall(level, &known);
    if (!known || format == nullptr)
        return;
    va_list args;
    va_start(args, format);
    const QString message = FormatWide(format, args);
    va_end(args);
    const QString categoryName = category ? QString::fromWCharArray(category) : QString();
    const auto logger = categoryName.isEmpty() ? GlobalLogger() : GetOrCreateLogger(categoryName.toStdString());
    logger->log(spdLevel, "{}", message);
}
