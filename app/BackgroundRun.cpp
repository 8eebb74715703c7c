#include "app/BackgroundRun.h"

#include <QCoreApplication>
#include <QObject>

#include <atomic>
#include <exception>
#include <thread>

void runInBackground(const std::function<void()>& work)
{
    std::atomic<bool> over {false};
    std::exception_ptr failure;
    // Wakes the event loop below once `work` is over; a wake-up still queued goes with it.
    QObject waker;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        over = true;
        QMetaObject::invokeMethod(&waker, [] {}, Qt::QueuedConnection);
    });
    // An event loop of its own rather than a QEventLoop, which would stop at once while the
    // application is quitting and leave `work` waiting on a call queued to this thread.
    while (!over)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
