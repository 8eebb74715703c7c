#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/BackgroundRun.h"
#include "app/CalibrationDialog.h"
#include "app/DesktopFeedback.h"
#include "app/DialogUnits.h"
#include "app/BackgroundDialog.h"
#include "app/KnownMotifsDialog.h"
#include "app/Platform.h"
#include "app/TargetLengthDialog.h"

#include "export/Export.h"
#include "export/InputKind.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* startCaption = "Seqlark 2.0 Alpha";
constexpr const char* statusText = "Application Initialized.";

constexpr const char* tooManyGeneFilesText = "Number of gene files specified exceeds maxinum allowable gene files";

constexpr const char* bigDTableFilter = "Big DTable Files (*.txt)";
constexpr const char* smallDTableFilter = "Small DTable Files (*.txt)";
constexpr const char* geneFileFilter = "Gene File (*.txt)";
constexpr const char* sourceFastaFilter = "Source Fasta File (*.txt)";
constexpr const char* destinationDTableFilter = "Destination DTable File (*.txt)";
// Every input of a run may also be FASTA, plain or gzip-compressed.
constexpr const char* fastaFilter = "FASTA Files (*.fa *.fasta *.fna *.fa.gz *.fasta.gz *.fna.gz)";
constexpr const char* motifFilter = "Motif Files (*.meme *.jaspar *.txt)";

constexpr const char* summaryOfferText = "The run also wrote the summary page, with sequence logos, the assembled "
                                         "motifs and the motif files:\n";
constexpr const char* summaryOfferButton = "Open Summary Page";

std::string pathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QStringList filterList(const char* classic, const char* also = nullptr)
{
    QStringList list {QString::fromLatin1(classic)};
    if (also)
        list.append(QString::fromLatin1(also));
    return list;
}

/// A library's one-line message as a box shows it: a sentence.
QString sentence(const std::string& message)
{
    QString text = QString::fromUtf8(message);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

/// An hourglass over the application while it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

MainWindow::MainWindow(Platform& platform)
    : QDialog(nullptr,
          Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , platform(platform)
    , runner(run)
    , console(std::cout)
    , folder(QDir::currentPath())
    , client(new QWidget(this))
    , pane(new QPlainTextEdit(client))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(startCaption));

    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(client);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    DialogUnits units(font());
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(units.size(419, 282));
    pane->setObjectName(QStringLiteral("fileListing"));
    pane->setGeometry(units.rect(2, 3, 414, 262));
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* status = new QLabel(QString::fromLatin1(statusText), client);
    status->setObjectName(QStringLiteral("statusLabel"));
    status->setGeometry(units.rect(3, 270, 70, 8));
    status->adjustSize();

    addMenus(menuBar);
}

void MainWindow::addMenus(QMenuBar* menuBar)
{
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    addItem(file, Command::OpenBigDTable, "Open Big DTable File", &MainWindow::chooseBigDTable);
    addItem(file, Command::OpenSmallDTable, "Open Small DTable File", &MainWindow::chooseSmallDTable);
    addItem(file, Command::OpenGeneFile, "Open Gene File", &MainWindow::addGeneFile);
    addItem(file, Command::ExportFasta, "Export Fasta to DTable...", &MainWindow::exportFasta);
    file->addSeparator();
    addItem(file, Command::Close, "Close", nullptr, false);
    addItem(file, Command::CloseAll, "Close All", &MainWindow::closeAll);
    file->addSeparator();
    addItem(file, Command::Save, "Save...", nullptr, false);
    addItem(file, Command::SaveAs, "Save As...", nullptr, false);
    file->addSeparator();
    addItem(file, Command::Exit, "E&xit", &MainWindow::exit);

    // Edit and View are menu titles without items and without identifiers.
    menuBar->addAction(QStringLiteral("Edit"))->setEnabled(false);
    menuBar->addAction(QStringLiteral("View"))->setEnabled(false);

    QMenu* settingsMenu = menuBar->addMenu(QStringLiteral("Settings"));
    settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    addItem(settingsMenu, Command::SetCalibration, "Set Calibration...", &MainWindow::setCalibration);
    addItem(settingsMenu, Command::SetTargetLength, "Set Target Gene Length...", &MainWindow::setTargetLength);
    addItem(settingsMenu, Command::SetKnownMotifs, "Set Known Motifs...", &MainWindow::setKnownMotifs);
    addItem(settingsMenu, Command::SetBackground, "Set Background...", &MainWindow::setBackground);
    settingsMenu->addSeparator();
    addItem(settingsMenu, Command::Properties, "Properties", nullptr, false);

    QMenu* process = menuBar->addMenu(QStringLiteral("Process"));
    process->setObjectName(QStringLiteral("processMenu"));
    addItem(process, Command::ProcessData, "Process Data", &MainWindow::processData);
    addItem(process, Command::ProcessOptions, "Process Options", nullptr, false);

    QAction* debug = menuBar->addAction(QStringLiteral("Debug"));
    debug->setData(static_cast<int>(Command::Debug));
    debug->setEnabled(false);

    QMenu* report = menuBar->addMenu(QStringLiteral("Report"));
    report->setObjectName(QStringLiteral("reportMenu"));
    addItem(report, Command::ShowReport, "Show Report", nullptr);
    addItem(report, Command::HideReport, "Hide Report", nullptr);
    report->addSeparator();
    addItem(report, Command::OpenSummary, "Open Summary Page", &MainWindow::openSummary, false);

    QAction* windowItem = menuBar->addAction(QStringLiteral("Window"));
    windowItem->setData(static_cast<int>(Command::Window));
    windowItem->setEnabled(false);

    QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    addItem(help, Command::About, "&About ...", &MainWindow::about);
}

void MainWindow::setAnalysisRunner(AnalysisRunner replacement)
{
    runner = std::move(replacement);
}

void MainWindow::setConsole(Diagnostics diagnostics)
{
    console = diagnostics;
}

QAction* MainWindow::action(Command command) const
{
    const QList<QAction*> actions = findChildren<QAction*>();
    for (QAction* candidate : actions) {
        if (candidate->data() == QVariant(static_cast<int>(command)))
            return candidate;
    }
    return nullptr;
}

void MainWindow::reject()
{
    done(static_cast<int>(Command::Cancel));
}

QAction* MainWindow::addItem(QMenu* menu, Command command, const char* text, Handler handler, bool enabled)
{
    QAction* item = menu->addAction(QString::fromLatin1(text));
    item->setData(static_cast<int>(command));
    item->setEnabled(enabled);
    if (handler)
        connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return item;
}

void MainWindow::chooseBigDTable()
{
    QString path = chooseFile(filterList(bigDTableFilter, fastaFilter), false);
    if (path.isEmpty())
        return;
    state.chooseBigDTable(pathBytes(path));
    showListing();
}

void MainWindow::chooseSmallDTable()
{
    QString path = chooseFile(filterList(smallDTableFilter, fastaFilter), false);
    if (path.isEmpty())
        return;
    state.chooseSmallDTable(pathBytes(path));
    showListing();
}

void MainWindow::addGeneFile()
{
    QString path = chooseFile(filterList(geneFileFilter, fastaFilter), false);
    if (path.isEmpty())
        return;
    if (!state.addGeneFile(pathBytes(path))) {
        warn(fileLoadCaption, QString::fromLatin1(tooManyGeneFilesText));
        return;
    }
    showListing();
}

void MainWindow::exportFasta()
{
    QString source = chooseFile(filterList(sourceFastaFilter, fastaFilter), false);
    if (source.isEmpty())
        return;
    QString destination = chooseFile(filterList(destinationDTableFilter), true);
    if (destination.isEmpty())
        return;
    ExportResult result;
    {
        WaitCursor waiting;
        // Only the wait cursor shows the export; its diagnostic lines go to the console.
        RunFeedback feedback(console);
        result = exportFastaToDTable(pathBytes(source).c_str(), pathBytes(destination).c_str(), feedback);
    }
    if (result.ok())
        return;
    const char* caption = result.status == ExportStatus::DestinationUnwritable ? criticalErrorCaption : fileLoadCaption;
    warn(caption, QString::fromUtf8(result.message));
}

void MainWindow::closeAll()
{
    state.closeAll();
    showListing();
    setWindowTitle(QString::fromLatin1(releaseName));
}

void MainWindow::exit()
{
    done(static_cast<int>(Command::Exit));
}

void MainWindow::setCalibration()
{
    // The dialog shows the classic default until a statistic is chosen.
    CalibrationDialog dialog(state.statistic.value_or(Statistic::Binomial), this);
    place(dialog, 0, 0);
    if (dialog.exec() == QDialog::Accepted)
        state.statistic = dialog.statistic();
}

void MainWindow::setTargetLength()
{
    TargetLengthDialog dialog(state.targetLengthMin, state.targetLengthMax, this);
    place(dialog, 0, 0);
    if (dialog.exec() != QDialog::Accepted)
        return;
    state.targetLengthMin = dialog.targetLengthMin();
    state.targetLengthMax = dialog.targetLengthMax();
}

void MainWindow::setKnownMotifs()
{
    // A motif collection is no input of the run's own: choosing it leaves the folder the
    // report goes to as it is.
    KnownMotifsDialog dialog(QFile::decodeName(QByteArray::fromStdString(state.knownMotifsPath)),
        [this] { return platform.chooseFileToOpen(this, filterList(motifFilter), folder); }, this);
    place(dialog, 0, 0);
    if (dialog.exec() == QDialog::Accepted)
        state.knownMotifsPath = pathBytes(dialog.path());
}

void MainWindow::setBackground()
{
    BackgroundDialog dialog(state.background, this);
    place(dialog, 0, 0);
    if (dialog.exec() == QDialog::Accepted)
        state.background = dialog.choice();
}

void MainWindow::processData()
{
    // A FASTA family's records serve as gene files when none is chosen.
    const std::string& small = state.smallDTablePath();
    const bool recordsServe = !small.empty() && inputKindOf(small.c_str()).kind == InputKind::Fasta;
    std::string missing = state.missingInputsText(recordsServe);
    if (!missing.empty()) {
        warn(processDataCaption, QString::fromUtf8(missing));
        return;
    }
    // A summary stays on offer only while it is the last run's.
    summaryPath.clear();
    action(Command::OpenSummary)->setEnabled(false);
    // The request is made here, on the interface thread; the run is made on a thread of its own.
    const RunRequest request = runRequest();
    RunOutcome outcome;
    {
        // The progress window comes once the inputs are counted; till then the cursor says
        // that the run is under way.
        WaitCursor waiting;
        DesktopFeedback feedback(platform, this, console);
        runInBackground([&] { outcome = runner(request, feedback); });
    }
    showOutcome(outcome);
}

RunRequest MainWindow::runRequest() const
{
    RunRequest request;
    // Shuffles of the family stand for the big file; a model is fitted on it when one is open.
    if (!state.background.shuffles)
        request.big = state.bigDTablePath();
    request.markovOrder = state.background.markovOrder;
    request.shuffles = state.background.shuffles;
    request.seed = state.background.seed;
    request.small = state.smallDTablePath();
    for (const std::string& path : state.geneFilePaths())
        request.genes.emplace_back(path);
    request.statistic = state.statistic;
    // The Target Length dialog keeps whatever was typed; the words table takes the part of
    // the range within 6 to 8, and the whole of it when none is.
    request.shortest = std::max(state.targetLengthMin, shortestWordLength);
    request.longest = std::min(state.targetLengthMax, longestWordLength);
    if (request.shortest > request.longest) {
        request.shortest = shortestWordLength;
        request.longest = longestWordLength;
    }
    request.knownMotifs = state.knownMotifsPath;
    request.folder = pathBytes(folder);
    return request;
}

void MainWindow::showOutcome(const RunOutcome& outcome)
{
    switch (outcome.status) {
    case RunStatus::Reported:
        break;
    case RunStatus::NotReported: // the run has said why
    case RunStatus::Stopped:     // the desktop never asks a run to stop
        return;
    case RunStatus::NeedsGeneFiles:
        warn(processDataCaption, QString::fromUtf8(state.missingInputsText()));
        return;
    case RunStatus::FolderUnusable:
        warn(criticalErrorCaption, sentence(outcome.message));
        return;
    case RunStatus::BadRequest:
    case RunStatus::InputRefused:
        warn(fileLoadCaption, sentence(outcome.message));
        return;
    }
    platform.openDocument(QDir(folder).absoluteFilePath(QFile::decodeName(QByteArray::fromStdString(outcome.indexPage))));
    const QString summary = QDir(folder).absoluteFilePath(QFile::decodeName(QByteArray::fromStdString(outcome.summaryPage)));
    if (!QFileInfo(summary).isFile())
        return;
    summaryPath = summary;
    action(Command::OpenSummary)->setEnabled(true);
    if (platform.ask(this, QString::fromLatin1(processDataCaption), QString::fromLatin1(summaryOfferText) + summary,
            QString::fromLatin1(summaryOfferButton)))
        platform.openDocument(summaryPath);
}

void MainWindow::openSummary()
{
    if (!summaryPath.isEmpty())
        platform.openDocument(summaryPath);
}

void MainWindow::about()
{
    AboutDialog dialog(this);
    place(dialog, 22, 17);
    dialog.exec();
}

QString MainWindow::chooseFile(const QStringList& filters, bool toSave)
{
    QString path = toSave ? platform.chooseFileToSave(this, filters, folder) : platform.chooseFileToOpen(this, filters, folder);
    if (path.isEmpty())
        return path;
    // Taken as the current folder used to be: with its links resolved, and only while it is there.
    QFileInfo chosenFolder(QFileInfo(path).absolutePath());
    if (chosenFolder.isDir())
        folder = chosenFolder.canonicalFilePath();
    return path;
}

void MainWindow::warn(const char* caption, const QString& text)
{
    platform.warn(this, QString::fromLatin1(caption), text);
}

void MainWindow::showListing()
{
    QString listing = QFile::decodeName(QByteArray::fromStdString(state.fileListing()));
    listing.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    pane->setPlainText(listing);
}

void MainWindow::place(QDialog& dialog, int x, int y) const
{
    DialogUnits units(font());
    dialog.move(client->mapToGlobal(units.point(x, y)));
}
