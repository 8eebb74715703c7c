#pragma once

#include "analysis/Progress.h"

#include <QDialog>

#include <memory>

class QProgressBar;

/// The window that shows how far an analysis run has come: one bar from 0 to 100. It is a
/// window of its own over its owner, not a child of it, so that it stays enabled while the
/// owner is disabled.
class ProgressWindow : public QDialog {
public:
    explicit ProgressWindow(QWidget* owner);
    /// Disables the owner, centres the window on it and shows it with the bar at 0.
    void start();
    /// Moves the bar to `position`, held within 0 to 100, and repaints it at once: a run
    /// does not return to the event loop until it ends.
    void setPosition(int position);
    /// Enables the owner again and closes the window, however it is ended.
    void done(int result) override;

private:
    QWidget* owner;
    QProgressBar* bar;
};

/// Where a window of `size` goes to be centred on the window at `owner`, both in screen
/// coordinates, each half a whole number of pixels rounded down.
QPoint centredPosition(const QRect& owner, const QSize& size);

/// Shows the progress of the runs in a ProgressWindow over `owner`, a new window per run.
class WindowProgressDisplay : public ProgressDisplay {
public:
    explicit WindowProgressDisplay(QWidget* owner);
    ~WindowProgressDisplay() override;
    void open() override;
    void setPosition(int position) override;
    void close() override;
    /// The window of the run in progress; null between runs.
    ProgressWindow* window() const { return shown.get(); }

private:
    QWidget* owner;
    std::unique_ptr<ProgressWindow> shown;
};
