#include "base/DString.h"

#include "base/Diagnostics.h"

#include <cstring>
#include <utility>

namespace {

char* duplicate(const char* bytes, std::size_t count)
{
    char* buffer = new char[count + 1];
    if (count)
        std::memcpy(buffer, bytes, count);
    buffer[count] = '\0';
    return buffer;
}

std::size_t measure(const char* text)
{
    return text ? std::strlen(text) : 0;
}

} // namespace

DString::DString(const char* text)
    : length_(measure(text))
{
    text_ = duplicate(text ? text : "", length_);
}

DString::DString(const char* bytes, std::size_t count)
    : text_(duplicate(bytes, count))
    , length_(count)
{
}

DString::DString(const DString& other)
    : length_(other.length_)
{
    // All length_ bytes are copied: a text that had a zero byte set into it still has
    // length_ readable bytes in the copy.
    if (other.text_)
        text_ = duplicate(other.text_, other.length_);
}

DString::DString(DString&& other) noexcept
    : text_(std::exchange(other.text_, nullptr))
    , length_(std::exchange(other.length_, 0))
{
}

DString::~DString()
{
    delete[] text_;
}

DString& DString::operator=(const DString& other)
{
    if (this != &other) {
        char* copy = other.text_ ? duplicate(other.text_, other.length_) : nullptr;
        delete[] text_;
        text_ = copy;
        length_ = other.length_;
    }
    return *this;
}

DString& DString::operator=(DString&& other) noexcept
{
    if (this != &other) {
        delete[] text_;
        text_ = std::exchange(other.text_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

DString& DString::operator=(const char* text)
{
    std::size_t count = measure(text);
    char* copy = duplicate(text ? text : "", count);
    delete[] text_;
    text_ = copy;
    length_ = count;
    return *this;
}

DString DString::operator+(const DString& other) const
{
    std::size_t mine = measure(text_);
    std::size_t theirs = measure(other.text_);
    char* buffer = new char[mine + theirs + 1];
    if (mine)
        std::memcpy(buffer, text_, mine);
    if (theirs)
        std::memcpy(buffer + mine, other.text_, theirs);
    buffer[mine + theirs] = '\0';
    return adopt(buffer, mine + theirs);
}

DString& DString::operator+=(const DString& other)
{
    *this = *this + other;
    return *this;
}

DString DString::substr(std::int64_t start, std::int64_t end, const Diagnostics& diagnostics) const
{
    if (end < start) {
        diagnostics << "DString::substr (error) end < start\n";
        return DString();
    }
    return DString(text_ ? text_ + start : "", static_cast<std::size_t>(end - start));
}

bool DString::operator==(const DString& other) const
{
    return std::strcmp(text_ ? text_ : "", other.text_ ? other.text_ : "") == 0;
}

int DString::equals(const DString& other) const
{
    if (length_ != other.length_)
        return 0;
    return length_ == 0 || std::memcmp(text_, other.text_, length_) == 0 ? 1 : 0;
}

char DString::at(std::int64_t index) const
{
    return static_cast<std::uint64_t>(index) < length_ ? text_[index] : '\0';
}

DString DString::adopt(char* buffer, std::size_t count)
{
    DString result;
    result.text_ = buffer;
    result.length_ = count;
    return result;
}
