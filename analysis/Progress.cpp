#include "analysis/Progress.h"

#include <utility>

namespace {
ProgressDisplay* display = nullptr;
int counter = 0;
}

ProgressDisplay* setProgressDisplay(ProgressDisplay* shown)
{
    return std::exchange(display, shown);
}

void openProgressWindow()
{
    if (display)
        display->open();
}

void resetProgress()
{
    counter = 0;
    if (display)
        display->setPosition(counter);
}

void stepProgress()
{
    ++counter;
    if (display)
        display->setPosition(counter);
}

void closeProgressWindow()
{
    if (display)
        display->close();
}

int progressCounter()
{
    return counter;
}
