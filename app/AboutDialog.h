#pragma once

#include <QDialog>

/// The release's short name, shown in the About box and in the main window's caption
/// once the files have been closed.
inline constexpr const char* releaseName = "Seqlark v0.2a";

/// The About box: the program's icon, its release name and two lines on what it does.
class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* owner);
};
