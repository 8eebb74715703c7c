#include "analysis/Warning.h"

#include "sequence/Diagnostics.h"

#include <utility>

namespace {
WarningNotifier* installed = nullptr;
}

WarningNotifier* setWarningNotifier(WarningNotifier* notifier)
{
    return std::exchange(installed, notifier);
}

void showWarning(const char* caption, const char* text)
{
    if (installed)
        installed->warn(caption, text);
    else
        diagnostics() << caption << ": " << text << '\n';
}
