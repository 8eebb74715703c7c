#pragma once

#include "app/Commands.h"
#include "app/ShellSettings.h"

#include <QDialog>

#include <functional>
#include <memory>

class Platform;
class ProgressDisplay;
class QAction;
class QMenu;
class QPlainTextEdit;
class WarningNotifier;
class WindowProgressDisplay;

/// An analysis run as the shell starts it: the report goes to the current folder.
using AnalysisRunner = std::function<const char*(const char* bigPath, const char* smallPath, int targetLengthMin,
    int targetLengthMax, int calibration, const char* const* geneFilePaths, int geneFileCount)>;

/// The main window: a menu of commands over a pane that lists the chosen files. It owns the
/// shell's settings, shows the progress of runs in its progress window and the warnings of
/// runs in message boxes for as long as it lives.
class MainWindow : public QDialog {
public:
    explicit MainWindow(Platform& platform);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    /// Puts `runner` in place of runAnalysis.
    void setAnalysisRunner(AnalysisRunner runner);
    const ShellSettings& settings() const { return state; }
    /// The menu item of `command`; null when the menu has none.
    QAction* action(Command command) const;

    /// Esc and the close box end the window as Exit does, with the cancel command.
    void reject() override;

private:
    using Handler = void (MainWindow::*)();
    QAction* addItem(QMenu* menu, Command command, const char* text, Handler handler, bool enabled = true);

    void chooseBigDTable();
    void chooseSmallDTable();
    void addGeneFile();
    void exportFasta();
    void closeAll();
    void exit();
    void setCalibration();
    void setTargetLength();
    void processData();
    void about();

    /// Asks for a file; a chosen file's folder becomes the current folder.
    QString chooseFile(const char* filter, bool toSave);
    void warn(const char* caption, const QString& text);
    void showListing();
    /// Places `dialog` at (x, y) dialog units from the top left of the area below the menu.
    void place(QDialog& dialog, int x, int y) const;

    Platform& platform;
    ShellSettings state;
    AnalysisRunner runner;
    QWidget* client;
    QPlainTextEdit* pane;
    std::unique_ptr<WindowProgressDisplay> progress;
    std::unique_ptr<WarningNotifier> notifier;
    ProgressDisplay* previousDisplay;
    WarningNotifier* previousNotifier;
};
