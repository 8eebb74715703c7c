#pragma once

#include "base/RunFeedback.h"
#include "base/Text.h"
#include "cli/OwnLines.h"
#include "cli/TerminalProgress.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

// Pieces shared by the commands of seqlark-cli.

inline constexpr const char* program = "seqlark-cli";

/// Writes the one line of a failed command and gives its exit status.
inline int workError(std::ostream& err, const std::string& message)
{
    err << program << ": error: " << escapeControlBytes(message) << '\n';
    return 1;
}

/// How much a command says on standard error besides its errors.
enum class Verbosity {
    Quiet,   ///< errors only (-q)
    Normal,  ///< warnings too, and a progress bar on a terminal
    Verbose, ///< also the reader's, the tables' and the analysis' diagnostic lines (-v)
};

/// The streams a CommandFeedback writes to, made before the feedback itself.
struct CommandStreams {
    CommandStreams(std::ostream& err, Verbosity verbosity, bool errIsTerminal, const char* label)
        : verbosity(verbosity)
        , bar(errIsTerminal && verbosity != Verbosity::Quiet ? std::make_unique<TerminalProgress>(err, label) : nullptr)
        , lines(bar ? bar->stream() : err)
        , diagnosticLines(verbosity == Verbosity::Verbose ? std::make_unique<OwnLines>(lines) : nullptr)
    {
    }

    Verbosity verbosity;
    std::unique_ptr<TerminalProgress> bar;
    std::ostream& lines;
    std::unique_ptr<OwnLines> diagnosticLines;
};

/// A run's feedback on the command line: warnings and notes as lines of their own on standard
/// error (none when quiet), progress as a bar when standard error is a terminal, and the
/// diagnostic lines there, each on a line of its own, when verbose.
class CommandFeedback : private CommandStreams, public RunFeedback {
public:
    /// `label` names the work on the bar.
    CommandFeedback(std::ostream& err, Verbosity verbosity, bool errIsTerminal, const char* label)
        : CommandStreams(err, verbosity, errIsTerminal, label)
        , RunFeedback(diagnosticLines ? Diagnostics(*diagnosticLines) : Diagnostics())
    {
    }
    ~CommandFeedback() override
    {
        if (diagnosticLines)
            diagnosticLines->close();
    }

    void progressed(std::int64_t done, std::int64_t total) override
    {
        if (bar && total > 0)
            bar->update(static_cast<double>(done) / static_cast<double>(total));
    }
    void finished() override
    {
        if (diagnosticLines)
            diagnosticLines->close();
        if (bar)
            bar->finish();
    }
    void warn(std::string_view caption, std::string_view text) override
    {
        if (verbosity == Verbosity::Quiet)
            return;
        if (diagnosticLines)
            diagnosticLines->close();
        lines << program << ": warning: " << escapeControlBytes(caption) << ": " << escapeControlBytes(text) << '\n';
    }
    void note(std::string_view text) override
    {
        if (verbosity == Verbosity::Quiet)
            return;
        if (diagnosticLines)
            diagnosticLines->close();
        lines << program << ": " << escapeControlBytes(text) << '\n';
    }
};
