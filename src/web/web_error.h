#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace Web {

enum class ErrorKind {
    None,
    Connect,          // no connection: refused, unreachable, no such host
    Write,            // the request could not be sent
    Read,             // broken transfer: the peer closed early or the socket failed
    Timeout,          // a connect, read or whole-exchange deadline passed
    TooLarge,         // the answer exceeds the read cap
    Malformed,        // the answer or a URL cannot be understood
    TooManyRedirects, // a redirect chain longer than allowed
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    QString detail;

    explicit operator bool() const { return kind != ErrorKind::None; }
};

// A stable English word for an error kind, for logs of tests and the CLI's JSON.
QString errorKindName(ErrorKind kind);

// Either a value or an error; the web core throws nothing.
template <typename T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const Error& error() const { return m_error; }

private:
    std::optional<T> m_value;
    Error m_error;
};

} // namespace Web
