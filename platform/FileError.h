#pragma once

#include "Expect.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace zelvo {

// The program's own failure classes: the few that some caller answers in its
// own way (a name the system rejects, a file gone, a drive not ready, access
// refused), everything else Other. Each caller (the engine, the log, the
// deletion, the main window) picks its Spanish message by class; nothing reads
// the numbers.
enum class FileError : std::int8_t {
    None = 0,
    InvalidArgument = 5,
    NotFound = 53,
    DeviceNotReady = 68,
    AccessDenied = 75,
    Other = -1,
};

// A value or the failure class that prevented it. Callers must look at ok()
// before taking the value.
template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(FileError error) : m_error(error) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    FileError error() const { return m_error; }

    T& value() &
    {
        ZELVO_EXPECT(ok());
        return *m_value;
    }
    const T& value() const&
    {
        ZELVO_EXPECT(ok());
        return *m_value;
    }
    T&& value() &&
    {
        ZELVO_EXPECT(ok());
        return std::move(*m_value);
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }

private:
    std::optional<T> m_value;
    FileError m_error = FileError::None;
};

} // namespace zelvo
