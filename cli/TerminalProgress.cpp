#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr auto delayBeforeBar = std::chrono::milliseconds(300);
constexpr auto redrawInterval = std::chrono::milliseconds(100);
constexpr int barWidth = 40;
}

TerminalProgress::TerminalProgress(std::ostream& terminal, std::string label)
    : terminal(terminal)
    , label(std::move(label))
    , buffer(*this)
    , passThrough(&buffer)
    , started(std::chrono::steady_clock::now())
{
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::update(double fraction)
{
    auto now = std::chrono::steady_clock::now();
    if (now - started < delayBeforeBar || (barShown && now - lastDrawn < redrawInterval))
        return;
    if (midLine) {
        // The bar needs a line of its own.
        terminal << '\n';
        midLine = false;
    }
    fraction = std::clamp(fraction, 0.0, 1.0);
    int filled = static_cast<int>(fraction * barWidth);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
    terminal << '\r' << label << " [" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(barWidth - filled), '.') << "] " << percent << std::flush;
    barShown = true;
    lastDrawn = now;
}

void TerminalProgress::finish()
{
    clearBar();
}

void TerminalProgress::clearBar()
{
    if (barShown) {
        terminal << "\r\033[K" << std::flush;
        barShown = false;
    }
}

TerminalProgress::Buffer::int_type TerminalProgress::Buffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
}

std::streamsize TerminalProgress::Buffer::xsputn(const char* s, std::streamsize n)
{
    if (n <= 0)
        return 0;
    owner.clearBar();
    owner.terminal.write(s, n);
    owner.midLine = s[n - 1] != '\n';
    return n;
}
