#pragma once

#include <QDialog>

class QProgressBar;

/// The window that shows how far an analysis run has come: one bar from 0 to 100. It is a
/// window of its own over its owner, not a child of it, so that it stays enabled while the
/// owner is disabled.
class ProgressWindow : public QDialog {
public:
    static constexpr int barMaximum = 100;

    explicit ProgressWindow(QWidget* owner);
    /// Disables the owner, centres the window on it and shows it with the bar at 0.
    void start();
    /// Moves the bar to `position`, held within 0 to 100.
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
