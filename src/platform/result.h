#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace dovex {

// The outcome of a platform call: success, or a message for the person.
class Result {
public:
    Result() = default;
    static Result failure(QString message) { return Result(std::move(message)); }

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const QString& error() const
    {
        static const QString none;
        return m_error ? *m_error : none;
    }

private:
    explicit Result(QString message) : m_error(std::move(message)) {}
    std::optional<QString> m_error;
};

} // namespace dovex
