// SPDX-License-Identifier: MIT
// Errors as values. Every layer below the windows returns Result<T>; the
// window (or the prompt interface that tests script) decides what the user sees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace arbolith {

// Where a failure comes from; the code is read in that domain's terms.
enum class ErrorDomain : std::uint8_t {
    Database,     // the database engine: an SQLite result code
    FileSystem,   // the operating system: an errno value (0 when none applies)
    TypeLibrary,  // the type-library reader: a reader code
    Model,        // a model's own content or the caller's request: 0 or a code of the caller's
};

// "database", "file system", "type library", "model".
constexpr std::string_view DomainName(ErrorDomain domain)
{
    switch (domain) {
        case ErrorDomain::Database:
            return "database";
        case ErrorDomain::FileSystem:
            return "file system";
        case ErrorDomain::TypeLibrary:
            return "type library";
        case ErrorDomain::Model:
            break;
    }
    return "model";
}

struct Error {
    ErrorDomain domain = ErrorDomain::Model;
    int code = 0;             // in the terms of `domain`
    std::string description;  // what failed, where and which: "open /x/Foo.DAT: file is not a database"

    static Error Database(int code, std::string description)
    {
        return {ErrorDomain::Database, code, std::move(description)};
    }
    static Error FileSystem(int errnoValue, std::string description)
    {
        return {ErrorDomain::FileSystem, errnoValue, std::move(description)};
    }
    static Error TypeLibrary(int code, std::string description)
    {
        return {ErrorDomain::TypeLibrary, code, std::move(description)};
    }
    static Error Model(std::string description) { return {ErrorDomain::Model, 0, std::move(description)}; }

    // The domain and code as log lines show them: "database 13", "file system 28".
    std::string Number() const { return std::string(DomainName(domain)) + " " + std::to_string(code); }

    // Adds the outer context in front and keeps the first cause behind it.
    [[nodiscard]] Error In(std::string_view outer) const
    {
        return Error{domain, code, std::string(outer) + ": " + description};
    }
};

// A value or an error; E is Error everywhere but in readers that carry a
// richer error of their own.
template <class T, class E = Error>
class [[nodiscard]] Result {
public:
    Result(T value) : m_v(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_v(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_v); }
    const T& value() const& { return std::get<0>(m_v); }
    T&& value() && { return std::get<0>(std::move(m_v)); }
    T* operator->() { return &std::get<0>(m_v); }
    const T* operator->() const { return &std::get<0>(m_v); }
    T& operator*() & { return std::get<0>(m_v); }
    const T& operator*() const& { return std::get<0>(m_v); }

    const E& error() const { return std::get<1>(m_v); }

private:
    std::variant<T, E> m_v;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

inline Result<void> Ok()
{
    return {};
}

}  // namespace arbolith
