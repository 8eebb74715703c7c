#pragma once

#include "base/Diagnostics.h"

#include <cstdint>
#include <string_view>

/// The captions of the warnings: problems with the input files, inputs missing for a run,
/// and a report that cannot be written.
inline constexpr const char* fileLoadCaption = "Error on File Load";
inline constexpr const char* processDataCaption = "Process Data";
inline constexpr const char* criticalErrorCaption = "Critical Error";

/// What a run (an export, an analysis) tells the front end that started it, handed to the
/// run by that front end: the lower layers' diagnostic lines, progress as steps of a known
/// total, warnings and notes for the user. A front end derives from it and shows what it wants;
/// the defaults show no progress and write warnings as diagnostic lines.
class RunFeedback {
public:
    /// Diagnostics go to `diagnostics` (nowhere by default).
    explicit RunFeedback(Diagnostics diagnostics = {})
        : diagnostics_(diagnostics)
    {
    }
    virtual ~RunFeedback() = default;
    RunFeedback(const RunFeedback&) = delete;
    RunFeedback& operator=(const RunFeedback&) = delete;

    const Diagnostics& diagnostics() const { return diagnostics_; }

    /// The run starts showing its progress (the desktop opens its progress window).
    virtual void started() {}
    /// `done` steps of `total` are done. The total is known from the first call on and stays
    /// the same through a run; `done` may reach it or, for a display of fixed range, pass it.
    virtual void progressed(std::int64_t done, std::int64_t total)
    {
        (void)done;
        (void)total;
    }
    /// The run is over, however it ended.
    virtual void finished() {}
    /// Whether the front end asks the run to stop (a reading asks after each progress step
    /// and ends as Stopped); never by default.
    virtual bool stopAsked() { return false; }
    /// A problem the user must be told of, with its caption; the run goes on once this returns.
    virtual void warn(std::string_view caption, std::string_view text)
    {
        diagnostics_ << caption << ": " << text << '\n';
    }
    /// A fact of the run the user may want to know, which is no problem (what serves as
    /// what); the run goes on once this returns.
    virtual void note(std::string_view text) { diagnostics_ << text << '\n'; }

private:
    Diagnostics diagnostics_;
};
