#include "app/ProgressWindow.h"

#include "app/DialogUnits.h"

#include <QProgressBar>
#include <QWindow>

#include <algorithm>

namespace {
constexpr const char* caption = "Processing, Please Wait";
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
    setPosition(0);
}

void ProgressWindow::setPosition(int position)
{
    bar->setValue(std::clamp(position, 0, barMaximum));
    // The bar repaints by itself only once it has moved by a chunk of its style.
    bar->update();
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
