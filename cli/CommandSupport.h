#pragma once

#include "base/RunFeedback.h"
#include "cli/TerminalProgress.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

// Pieces shared by the commands of seqlark-cli.

inline constexpr const char* program = "seqlark-cli";

/// `text` with its control bytes (a line end a file name holds, say) written as \xNN, so that
/// it stays on one line.
inline std::string oneLine(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            const char digits[] = "0123456789abcdef";
            ((shown += "\\x") += digits[byte >> 4]) += digits[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

/// Writes the one line of a failed command and gives its exit status.
inline int workError(std::ostream& err, const std::string& message)
{
    err << program << ": error: " << oneLine(message) << '\n';
    return 1;
}

/// A run's feedback on the command line: diagnostic lines on standard error (none when
/// quiet), warnings as lines of their own there, and progress as a bar when standard error
/// is a terminal.
class CommandFeedback : public RunFeedback {
public:
    /// `label` names the work on the bar.
    CommandFeedback(std::ostream& err, bool quiet, bool errIsTerminal, const char* label)
        : CommandFeedback(err, quiet, errIsTerminal ? std::make_unique<TerminalProgress>(err, label) : nullptr)
    {
    }

    void progressed(std::int64_t done, std::int64_t total) override
    {
        if (bar && total > 0)
            bar->update(static_cast<double>(done) / static_cast<double>(total));
    }
    void finished() override
    {
        if (bar)
            bar->finish();
    }
    void warn(std::string_view caption, std::string_view text) override
    {
        lines << program << ": warning: " << oneLine(caption) << ": " << oneLine(text) << '\n';
    }

private:
    CommandFeedback(std::ostream& err, bool quiet, std::unique_ptr<TerminalProgress> shown)
        : RunFeedback(quiet ? Diagnostics() : Diagnostics(shown ? shown->stream() : err))
        , bar(std::move(shown))
        , lines(bar ? bar->stream() : err)
    {
    }

    std::unique_ptr<TerminalProgress> bar;
    std::ostream& lines;
};
