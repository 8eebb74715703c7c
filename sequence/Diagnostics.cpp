#include "sequence/Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <vector>

namespace {

class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

NullBuffer nullBuffer;
std::ostream nullStream(&nullBuffer);
std::ostream* current = &std::cout;

} // namespace

std::ostream& diagnostics()
{
    return current ? *current : nullStream;
}

void setDiagnosticStream(std::ostream* stream)
{
    current = stream;
}

std::ostream* diagnosticStream()
{
    return current;
}

void diagnosticf(const char* format, ...)
{
    if (!current)
        return;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        current->write(small, needed);
    } else {
        std::vector<char> large(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        current->write(large.data(), needed);
    }
    va_end(again);
}
