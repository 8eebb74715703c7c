#pragma once

#include <chrono>
#include <ostream>
#include <streambuf>
#include <string>

/// A one-line progress bar on a terminal. Text written through stream() (the diagnostic
/// lines) first clears the bar, so bar and lines never share a line; the bar comes back at
/// the next update. The bar appears only once the work has taken a moment.
class TerminalProgress {
public:
    TerminalProgress(std::ostream& terminal, std::string label);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    /// Shows `fraction` (0 to 1) of the work done.
    void update(double fraction);
    /// Removes the bar.
    void finish();
    /// A stream that writes to the terminal below the bar.
    std::ostream& stream() { return passThrough; }

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(TerminalProgress& owner)
            : owner(owner)
        {
        }

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;

    private:
        TerminalProgress& owner;
    };

    void clearBar();

    std::ostream& terminal;
    std::string label;
    Buffer buffer;
    std::ostream passThrough;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    bool barShown = false;
    bool midLine = false;
};
