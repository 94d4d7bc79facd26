#include "engine/core/Logger.h"

#include <cstdio>

namespace korvane {

Logger::Logger(Logger&& other) noexcept {
    std::lock_guard<std::mutex> lock(other.m_mutex);
    m_history = std::move(other.m_history);
    m_sink = std::move(other.m_sink);
}

Logger& Logger::operator=(Logger&& other) noexcept {
    if (this == &other) return *this;
    std::scoped_lock lock(m_mutex, other.m_mutex);
    m_history = std::move(other.m_history);
    m_sink = std::move(other.m_sink);
    return *this;
}

void Logger::SetSink(Sink sink) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sink = std::move(sink);
}

void Logger::Log(LogLevel level, std::string message) {
    LogRecord record{level, std::move(message)};
    Sink sink;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_history.push_back(record);
        sink = m_sink;
    }
    // Outside the lock, so a sink may log through this logger again.
    if (sink) {
        sink(record);
    } else {
        std::fprintf(stderr, "%s\n", Format(record).c_str());
    }
}

std::vector<LogRecord> Logger::History() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history;
}

std::string Logger::Format(const LogRecord& record) {
    std::string out = "[";
    out += LevelName(record.level);
    out += "] ";
    out += record.message;
    return out;
}

const char* Logger::LevelName(LogLevel level) {
    switch (static_cast<int32_t>(level)) {
    case 0: return "TRACE";
    case 2: return "WARN";
    case 3: return "ERROR";
    default: return "INFO";
    }
}

} // namespace korvane
