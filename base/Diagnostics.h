#pragma once

#include <ostream>
#include <string_view>

/// Where the lower layers write their one-line diagnostics: a stream, or nowhere. It is a
/// small value handed to each object or operation that reports; it owns nothing, and the
/// stream it points at must outlive every use.
class Diagnostics {
public:
    /// Discards everything.
    Diagnostics() = default;
    /// Writes to `stream`.
    explicit Diagnostics(std::ostream& stream)
        : stream_(&stream)
    {
    }

    /// Writes `value` as the stream's operator<< would.
    template <class T>
    const Diagnostics& operator<<(const T& value) const
    {
        if (stream_)
            *stream_ << value;
        return *this;
    }
    /// Manipulators such as std::endl.
    const Diagnostics& operator<<(std::ostream& (*manipulator)(std::ostream&)) const
    {
        if (stream_)
            manipulator(*stream_);
        return *this;
    }
    /// Writes a printf-style line (or line piece).
    void printf(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    /// The stream written to; null while diagnostics are discarded.
    std::ostream* stream() const { return stream_; }

private:
    std::ostream* stream_ = nullptr;
};
