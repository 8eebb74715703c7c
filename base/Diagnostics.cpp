#include "base/Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

void Diagnostics::printf(const char* format, ...) const
{
    if (!stream_)
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
        stream_->write(small, needed);
    } else {
        std::vector<char> large(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        stream_->write(large.data(), needed);
    }
    va_end(again);
}
