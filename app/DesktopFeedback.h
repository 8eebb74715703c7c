#pragma once

#include "base/RunFeedback.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class Platform;
class ProgressWindow;
class QWidget;

/// What an analysis run started from the main window shows: its progress in a
/// ProgressWindow over `owner`, a new window per run, its warnings in the platform's
/// message boxes over `owner`, its diagnostic lines on `console`.
///
/// It belongs to the thread it is made on, the interface thread, but a run on another
/// thread may call it: the windows are then shown on the interface thread, and the call
/// waits until that is done (until the user has dismissed a warning). Progress alone is
/// passed on without waiting, once per new position of the bar.
class DesktopFeedback : public RunFeedback {
public:
    DesktopFeedback(Platform& platform, QWidget* owner, Diagnostics console);
    /// Takes down a progress window the run left open.
    ~DesktopFeedback() override;

    void started() override;
    /// Moves the bar to `done`, whatever the total: a step is a hundredth of the bar.
    void progressed(std::int64_t done, std::int64_t total) override;
    void finished() override;
    void warn(std::string_view caption, std::string_view text) override;

private:
    /// Calls `show` on the interface thread and returns once it has returned.
    void onInterfaceThread(const std::function<void()>& show);
    void closeWindow();

    Platform& platform;
    QWidget* owner;
    /// What calls from other threads are queued to; calls still queued go with it.
    QObject relay;
    std::unique_ptr<ProgressWindow> shown;
    /// The bar position passed on last.
    std::atomic<int> position {0};
};
