// SPDX-License-Identifier: MIT
// Errors as values. Every layer below the windows returns Result<T>; the
// window (or the prompt interface that tests script) decides what the user sees.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace arbolith {

struct Error {
    int number = 0;           // engine or OS error number; 0 when none applies
    std::string description;  // what failed, where and which: "open /x/Foo.DAT: file is not a database"

    // Adds the outer context in front and keeps the first cause behind it.
    [[nodiscard]] Error In(std::string_view outer) const
    {
        return Error{number, std::string(outer) + ": " + description};
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
