#pragma once

#include "app/Commands.h"
#include "app/ShellSettings.h"

#include "base/Diagnostics.h"
#include "run/Run.h"

#include <QDialog>

#include <functional>

class Platform;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

/// An analysis run as the shell starts it, as `run`: what the run shows goes through
/// `feedback`. It is called on a thread of its own; the feedback may be called from there.
using AnalysisRunner = std::function<RunOutcome(const RunRequest& request, RunFeedback& feedback)>;

/// The main window: a menu of commands over a pane that lists the chosen files. It owns the
/// shell's settings, shows the progress of its runs in a progress window over it and their
/// warnings in message boxes.
class MainWindow : public QDialog {
public:
    explicit MainWindow(Platform& platform);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    /// Puts `runner` in place of `run`.
    void setAnalysisRunner(AnalysisRunner runner);
    /// Where the diagnostic lines of exports and runs go: standard output unless set.
    void setConsole(Diagnostics diagnostics);
    const ShellSettings& settings() const { return state; }
    /// The menu item of `command`; null when the menu has none.
    QAction* action(Command command) const;

    /// Esc and the close box end the window as Exit does, with the cancel command.
    void reject() override;

private:
    using Handler = void (MainWindow::*)();
    /// The menus, each item carrying its command's identifier.
    void addMenus(QMenuBar* menuBar);
    QAction* addItem(QMenu* menu, Command command, const char* text, Handler handler, bool enabled = true);

    void chooseBigDTable();
    void chooseSmallDTable();
    void addGeneFile();
    void exportFasta();
    void closeAll();
    void exit();
    void setCalibration();
    void setTargetLength();
    void setKnownMotifs();
    void setBackground();
    void processData();
    /// Opens the summary page the last run wrote beside its report.
    void openSummary();
    void about();

    /// The run the chosen files and the settings ask for, its report going to `folder`.
    RunRequest runRequest() const;
    /// Shows how the run ended: the report and the offer of its summary page, or why there
    /// is none when the run has not said so itself.
    void showOutcome(const RunOutcome& outcome);

    /// Asks for a file, starting in the folder of the file chosen last; a chosen file's
    /// folder becomes that folder. `filters` come before "All Files (*.*)".
    QString chooseFile(const QStringList& filters, bool toSave);
    void warn(const char* caption, const QString& text);
    void showListing();
    /// Places `dialog` at (x, y) dialog units from the top left of the area below the menu.
    void place(QDialog& dialog, int x, int y) const;

    Platform& platform;
    ShellSettings state;
    AnalysisRunner runner;
    Diagnostics console;
    /// The folder of the file chosen last, with its links resolved: where the file dialogs
    /// start and the reports go. The process's current folder until a file is chosen.
    QString folder;
    /// The summary page of the last run that wrote one; empty before.
    QString summaryPath;
    QWidget* client;
    QPlainTextEdit* pane;
};
