#pragma once

#include "base/RunFeedback.h"

#include <cstdint>

/// The progress of one analysis run: a counter of steps, shown through the run's feedback
/// together with the total the run will take once that is known.
class RunProgress {
public:
    explicit RunProgress(RunFeedback& feedback)
        : feedback_(feedback)
    {
    }

    /// Fixes the number of steps the whole run takes.
    void setTotal(std::int64_t steps) { total_ = steps; }
    std::int64_t total() const { return total_; }

    /// Shows the progress display, its bar at 0.
    void openProgressWindow() { feedback_.started(); }
    /// Sets the counter and the bar to 0.
    void resetProgress()
    {
        counter_ = 0;
        feedback_.progressed(counter_, total_);
    }
    /// Adds one to the counter and moves the bar to it.
    void stepProgress() { feedback_.progressed(++counter_, total_); }
    /// Takes the display down.
    void closeProgressWindow() { feedback_.finished(); }
    /// Steps since the last reset.
    std::int64_t counter() const { return counter_; }

    RunFeedback& feedback() const { return feedback_; }

private:
    RunFeedback& feedback_;
    std::int64_t counter_ = 0;
    std::int64_t total_ = 0;
};
