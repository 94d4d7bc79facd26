#pragma once
// Logger: the engine core's thread-safe logger. Every record is kept in the
// history; it goes to the sink when one is set, else to standard error.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace korvane {

enum class LogLevel : int32_t { Trace = 0, Info = 1, Warn = 2, Error = 3 };

struct LogRecord {
    LogLevel level = LogLevel::Info;
    std::string message;
};

class Logger {
public:
    using Sink = std::function<void(const LogRecord&)>;

    Logger() = default;
    Logger(Logger&& other) noexcept;
    Logger& operator=(Logger&& other) noexcept;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void SetSink(Sink sink);
    void Log(LogLevel level, std::string message);
    void Info(std::string message) { Log(LogLevel::Info, std::move(message)); }
    void Error(std::string message) { Log(LogLevel::Error, std::move(message)); }
    std::vector<LogRecord> History() const;

    static std::string Format(const LogRecord& record);
    static const char* LevelName(LogLevel level);

private:
    mutable std::mutex m_mutex;
    std::vector<LogRecord> m_history;
    Sink m_sink;
};

} // namespace korvane
