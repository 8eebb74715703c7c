#pragma once

// Warnings for the user from the analysis run and the report writer: a caption and a text,
// shown by whatever the front end installs (a message box, a line on standard error).
// Without one they go to the diagnostic stream.

/// How a front end shows a warning.
class WarningNotifier {
public:
    virtual ~WarningNotifier() = default;
    virtual void warn(const char* caption, const char* text) = 0;
};

/// Installs `notifier` (null: the diagnostic stream) and returns the one installed before.
WarningNotifier* setWarningNotifier(WarningNotifier* notifier);

/// Shows a warning through the installed notifier.
void showWarning(const char* caption, const char* text);
