#include "app/DesktopFeedback.h"

#include "app/Platform.h"
#include "app/ProgressWindow.h"

#include <QApplication>
#include <QByteArrayView>
#include <QString>
#include <QThread>

#include <algorithm>

namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace

DesktopFeedback::DesktopFeedback(Platform& platform, QWidget* owner, Diagnostics console)
    : RunFeedback(console)
    , platform(platform)
    , owner(owner)
{
}

DesktopFeedback::~DesktopFeedback()
{
    closeWindow();
}

void DesktopFeedback::started()
{
    position = 0;
    onInterfaceThread([this] {
        closeWindow();
        shown = std::make_unique<ProgressWindow>(owner);
        shown->start();
    });
}

void DesktopFeedback::progressed(std::int64_t done, std::int64_t total)
{
    (void)total;
    const int bar = static_cast<int>(std::clamp<std::int64_t>(done, 0, ProgressWindow::barMaximum));
    if (position.exchange(bar) == bar)
        return;
    auto move = [this, bar] {
        if (shown)
            shown->setPosition(bar);
    };
    if (QThread::currentThread() == relay.thread())
        move();
    else
        QMetaObject::invokeMethod(&relay, move, Qt::QueuedConnection);
}

void DesktopFeedback::finished()
{
    onInterfaceThread([this] { closeWindow(); });
}

void DesktopFeedback::warn(std::string_view caption, std::string_view text)
{
    onInterfaceThread([&] {
        // A box waits for a click: the pointer is an arrow over it, whatever the run shows.
        const bool waiting = QApplication::overrideCursor() != nullptr;
        if (waiting)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        platform.warn(owner, fromUtf8(caption), fromUtf8(text));
        if (waiting)
            QApplication::restoreOverrideCursor();
    });
}

void DesktopFeedback::onInterfaceThread(const std::function<void()>& show)
{
    if (QThread::currentThread() == relay.thread())
        show();
    else
        QMetaObject::invokeMethod(&relay, show, Qt::BlockingQueuedConnection);
}

void DesktopFeedback::closeWindow()
{
    if (!shown)
        return;
    shown->done(0);
    shown.reset();
}
