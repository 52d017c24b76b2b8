#pragma once

#include <spdlog/details/file_helper.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace spdlog {
namespace sinks {

// Writes the log into time-stamped files "<base>_yyyy-MM-dd_HH-mm-ss_zzz.<ext>"
// in one folder. Each instance starts a new file; a line that would carry the
// file past the size limit starts the next one, and once that line is in the
// new file the oldest "<base>*.<ext>" files are deleted down to the file limit.
//
// The file being written is never deleted: names are strictly increasing within
// the process even when the clock goes back, and the open file is left out of
// the deletion whatever its name sorts as.
template <typename Mutex>
class rotating_file_mod_sink final : public base_sink<Mutex>
{
public:
    using clock = std::function<QDateTime()>;

    // Opens the first file; throws spdlog_ex when it cannot. `now` gives the
    // local time for the names (the system clock when empty).
    rotating_file_mod_sink(const std::string& baseFileName, const std::string& extension, const std::string& directory,
                           std::uint32_t maxSize, std::uint32_t maxFiles, bool flushEveryLine, clock now = {});

    std::string current_filename();

protected:
    void sink_it_(const details::log_msg& msg) override;
    void flush_() override;

private:
    std::string nextFilePath();
    void writeLine(const memory_buf_t& line);
    size_t sizeOnDisk() const;
    void rotate();
    void deleteOldestFiles();

    const std::string baseFileName_;
    const std::string extension_;
    const std::uint32_t maxSize_;
    const std::uint32_t maxFiles_;
    const std::string directory_; // native separators, local 8-bit encoding
    const bool flushEveryLine_;
    const clock now_;
    size_t currentSize_ = 0;       // bytes the current file holds, never those that failed to arrive
    bool oldFilesPending_ = false; // a rotation's deletions wait for the new file's first line
    QDateTime lastStamp_;          // wall-clock fields of the newest name, held as UTC to compare them plainly
    std::unique_ptr<details::file_helper> file_;
};

using rotating_file_mod_sink_mt = rotating_file_mod_sink<std::mutex>;
using rotating_file_mod_sink_st = rotating_file_mod_sink<details::null_mutex>;

extern template class rotating_file_mod_sink<std::mutex>;
extern template class rotating_file_mod_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
