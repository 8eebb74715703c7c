#pragma once

#include "analysis/Progress.h"
#include "analysis/Warning.h"
#include "sequence/Diagnostics.h"

#include <ostream>
#include <string>

// Pieces shared by the commands of seqlark-cli.

inline constexpr const char* program = "seqlark-cli";

/// Writes the one line of a failed command and gives its exit status.
inline int workError(std::ostream& err, const std::string& message)
{
    err << program << ": error: " << message << '\n';
    return 1;
}

/// Points the diagnostic stream somewhere (null: nowhere) for the life of a command, then back.
class DiagnosticsTo {
public:
    explicit DiagnosticsTo(std::ostream* stream)
        : previous(diagnosticStream())
    {
        setDiagnosticStream(stream);
    }
    ~DiagnosticsTo() { setDiagnosticStream(previous); }
    DiagnosticsTo(const DiagnosticsTo&) = delete;
    DiagnosticsTo& operator=(const DiagnosticsTo&) = delete;

private:
    std::ostream* previous;
};

/// A run's warnings as lines on standard error.
class WarningLines : public WarningNotifier {
public:
    explicit WarningLines(std::ostream& err)
        : err(err)
    {
    }
    void warn(const char* caption, const char* text) override
    {
        err << program << ": warning: " << caption << ": " << text << '\n';
    }

private:
    std::ostream& err;
};

/// Installs a progress display and a warning notifier for the life of a command, then back.
class RunFeedback {
public:
    RunFeedback(ProgressDisplay* display, WarningNotifier* notifier)
        : previousDisplay(setProgressDisplay(display))
        , previousNotifier(setWarningNotifier(notifier))
    {
    }
    ~RunFeedback()
    {
        setProgressDisplay(previousDisplay);
        setWarningNotifier(previousNotifier);
    }
    RunFeedback(const RunFeedback&) = delete;
    RunFeedback& operator=(const RunFeedback&) = delete;

private:
    ProgressDisplay* previousDisplay;
    WarningNotifier* previousNotifier;
};
