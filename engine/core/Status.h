#pragma once
// Status and Result: how the engine core reports success and failure.
// The core never throws; every failure carries a plain English message.

#include <optional>
#include <string>
#include <utility>

namespace korvane {

class Status {
public:
    Status(bool ok, std::string message) : m_ok(ok), m_message(std::move(message)) {}

    static Status Ok() { return Status(true, std::string()); }
    static Status Failure(std::string message) { return Status(false, std::move(message)); }

    bool ok() const { return m_ok; }
    const std::string& message() const { return m_message; }

private:
    bool m_ok;
    std::string m_message;
};

template <typename T>
class Result {
public:
    Result(Status status) : m_status(std::move(status)) {}
    Result(T value) : m_status(Status::Ok()), m_value(std::move(value)) {}

    static Result Success(T value) { return Result(std::move(value)); }
    static Result Failure(std::string message) { return Result(Status::Failure(std::move(message))); }

    bool ok() const { return m_status.ok(); }
    const Status& status() const { return m_status; }
    // Callers only ask for the value after ok() returned true.
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    bool has_value() const { return m_value.has_value(); }

private:
    Status m_status;
    std::optional<T> m_value;
};

} // namespace korvane
