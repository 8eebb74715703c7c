#include "app/ProgressWindow.h"

#include "app/DialogUnits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QThread>
#include <QWindow>

#include <algorithm>

namespace {
constexpr const char* caption = "Processing, Please Wait";
constexpr int barMaximum = 100;
// How long opening waits for the window system to show the window before the run starts.
constexpr int exposeWaitMilliseconds = 250;
}

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(nullptr, fixedDialogFlags)
    , owner(owner)
    , bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("progressWindow"));
    setWindowTitle(QString::fromLatin1(caption));
    bar->setObjectName(QStringLiteral("progressBar"));
    placeInDialogUnits(this, {231, 47}, {{bar, {17, 17, 195, 14}}});
    bar->setRange(0, barMaximum);
    bar->setTextVisible(false);
    bar->setValue(0);
}

void ProgressWindow::start()
{
    owner->setEnabled(false);
    winId();
    if (QWidget* top = owner->window(); top->windowHandle())
        windowHandle()->setTransientParent(top->windowHandle());
    move(centredPosition(owner->window()->frameGeometry(), frameGeometry().size()));
    show();
    // A run holds the event loop until it ends, so let the window system put the window on
    // the screen now. User input stays queued until the run has ended.
    QDeadlineTimer deadline(exposeWaitMilliseconds);
    while (!windowHandle()->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!windowHandle()->isExposed())
            QThread::msleep(1);
    }
    setPosition(0);
}

void ProgressWindow::setPosition(int position)
{
    bar->setValue(std::clamp(position, 0, barMaximum));
    bar->repaint();
}

void ProgressWindow::done(int result)
{
    owner->setEnabled(true);
    QDialog::done(result);
}

QPoint centredPosition(const QRect& owner, const QSize& size)
{
    return {owner.left() + owner.width() / 2 - size.width() / 2, owner.top() + owner.height() / 2 - size.height() / 2};
}

WindowProgressDisplay::WindowProgressDisplay(QWidget* owner)
    : owner(owner)
{
}

WindowProgressDisplay::~WindowProgressDisplay() = default;

void WindowProgressDisplay::open()
{
    shown = std::make_unique<ProgressWindow>(owner);
    shown->start();
}

void WindowProgressDisplay::setPosition(int position)
{
    if (shown)
        shown->setPosition(position);
}

void WindowProgressDisplay::close()
{
    if (!shown)
        return;
    shown->done(0);
    shown.reset();
}
