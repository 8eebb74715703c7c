#pragma once

// Progress of an analysis run: one process-wide counter of steps, stepped by the run and
// its scoring, and shown by whatever display the front end installs (the desktop's progress
// window, the command line's bar, a test's recorder). Without a display only the counter moves.

/// How a front end shows progress.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    /// A run starts: show the display with its bar at 0 of 100.
    virtual void open() = 0;
    /// The bar moves to `position` of 100; above 100 it is full.
    virtual void setPosition(int position) = 0;
    /// The run ends: take the display down.
    virtual void close() = 0;
};

/// Installs `display` (null: none) and returns the one installed before.
ProgressDisplay* setProgressDisplay(ProgressDisplay* display);

/// Shows the display, its bar at 0.
void openProgressWindow();
/// Sets the counter and the bar to 0.
void resetProgress();
/// Adds one to the counter and moves the bar to it.
void stepProgress();
/// Takes the display down.
void closeProgressWindow();
/// Steps since the last reset; kept between runs.
int progressCounter();
