#include "AppTestSupport.h"

#include "app/MainWindow.h"
#include "export/Export.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>
#include <memory>
#include <sstream>

namespace {

constexpr int openBig = 130, openSmall = 147, openGene = 154, exportFasta = 155, closeAll = 150, exitCommand = 105,
              processData = 135, about = 104;

const QString intro = QStringLiteral("You must specify each the following to continue:\r\n\r\n");
const QString bigLine = QStringLiteral("- Big DTable File (File->Open Big DTable File)\r\n\r\n");
const QString smallLine = QStringLiteral("- Small DTable File (File->Open Small DTable File)\r\n\r\n");
const QString geneLine = QStringLiteral("- At least one Gene File (File->Open Gene File)\r\n\r\n");

struct RunCall {
    QString big;
    QString small;
    int shortest;
    int longest;
    std::optional<Statistic> statistic;
    QStringList genes;
    QString reportFolder;
    QString knownMotifs;
    std::optional<int> markovOrder;
    std::optional<int> shuffles;
    std::uint64_t seed;
};

/// A shown main window over a scripted platform, whose runs are only recorded and whose
/// diagnostic lines are dropped.
struct Shell {
    ScriptedPlatform platform;
    MainWindow window{platform};
    std::vector<RunCall> runs;

    Shell()
    {
        window.setAnalysisRunner([this](const RunRequest& request, RunFeedback&) {
            RunCall call{QString::fromStdString(request.big.path), QString::fromStdString(request.small.path),
                request.shortest, request.longest, request.statistic, {}, QString::fromStdString(request.folder),
                QString::fromStdString(request.knownMotifs), request.markovOrder, request.shuffles, request.seed};
            for (const RunInput& gene : request.genes)
                call.genes.append(QString::fromStdString(gene.path));
            runs.push_back(call);
            RunOutcome outcome;
            outcome.status = RunStatus::NotReported;
            return outcome;
        });
        window.setConsole(Diagnostics());
        window.show();
    }
    void choose(int command, const QString& path)
    {
        platform.answers.append(path);
        trigger(window, command);
    }
    QString paneText() const { return window.findChild<QPlainTextEdit*>(QStringLiteral("fileListing"))->toPlainText(); }
    QString listing() const { return QString::fromStdString(window.settings().fileListing()); }
};

/// Each entry of the menu bar, then the items of its menu, indented; separators left out.
QStringList menuLines(MainWindow& window)
{
    auto line = [](QAction* item, const char* indent) {
        QString id = item->data().isValid() ? QString::number(item->data().toInt()) : QStringLiteral("-");
        return QString::fromLatin1(indent) + id + u' ' + item->text() + (item->isEnabled() ? "" : " (disabled)");
    };
    QStringList lines;
    for (QAction* entry : window.findChild<QMenuBar*>(QStringLiteral("menuBar"))->actions()) {
        lines.append(line(entry, ""));
        if (QMenu* menu = entry->menu()) {
            for (QAction* item : menu->actions()) {
                if (!item->isSeparator())
                    lines.append(line(item, "    "));
            }
        }
    }
    return lines;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QString startFolder;

private Q_SLOTS:
    void init() { startFolder = QDir::currentPath(); }
    // Choosing files and running never move the process's current folder.
    void cleanup() { QCOMPARE(QDir::currentPath(), startFolder); }

    void startsWithCaptionStatusAndMenu()
    {
        Shell shell;
        QCOMPARE(shell.window.windowTitle(), QStringLiteral("Seqlark 2.0 Alpha"));
        QCOMPARE(shell.window.findChild<QLabel*>(QStringLiteral("statusLabel"))->text(),
            QStringLiteral("Application Initialized."));
        auto* pane = shell.window.findChild<QPlainTextEdit*>(QStringLiteral("fileListing"));
        QVERIFY(pane->isReadOnly());
        QVERIFY(pane->toPlainText().isEmpty());
        const QStringList expected{
            "- &File",
            "    130 Open Big DTable File",
            "    147 Open Small DTable File",
            "    154 Open Gene File",
            "    155 Export Fasta to DTable...",
            "    133 Close (disabled)",
            "    150 Close All",
            "    131 Save... (disabled)",
            "    132 Save As... (disabled)",
            "    105 E&xit",
            "- Edit (disabled)",
            "- View (disabled)",
            "- Settings",
            "    143 Set Calibration...",
            "    144 Set Target Gene Length...",
            "    161 Set Known Motifs...",
            "    162 Set Background...",
            "    152 Properties (disabled)",
            "- Process",
            "    135 Process Data",
            "    153 Process Options (disabled)",
            "142 Debug (disabled)",
            "- Report",
            "    138 Show Report",
            "    139 Hide Report",
            "    160 Open Summary Page (disabled)",
            "136 Window (disabled)",
            "- &Help",
            "    104 &About ...",
        };
        QCOMPARE(menuLines(shell.window), expected);
    }

    void processDataNamesMissingInputs_data()
    {
        QTest::addColumn<bool>("big");
        QTest::addColumn<bool>("small");
        QTest::addColumn<bool>("gene");
        QTest::addColumn<QString>("warning");
        QTest::newRow("nothing chosen") << false << false << false << intro + bigLine + smallLine + geneLine;
        QTest::newRow("big only") << true << false << false << intro + smallLine + geneLine;
        QTest::newRow("small only") << false << true << false << intro + bigLine + geneLine;
        QTest::newRow("gene only") << false << false << true << intro + bigLine + smallLine;
        QTest::newRow("gene missing") << true << true << false << intro + geneLine;
        QTest::newRow("small missing") << true << false << true << intro + smallLine;
        QTest::newRow("big missing") << false << true << true << intro + bigLine;
        QTest::newRow("all chosen") << true << true << true << QString();
    }

    void processDataNamesMissingInputs()
    {
        QFETCH(bool, big);
        QFETCH(bool, small);
        QFETCH(bool, gene);
        QFETCH(QString, warning);
        QTemporaryDir folder;
        Shell shell;
        if (big)
            shell.choose(openBig, folder.filePath("big.txt"));
        if (small)
            shell.choose(openSmall, folder.filePath("small.txt"));
        if (gene)
            shell.choose(openGene, folder.filePath("gene.txt"));
        trigger(shell.window, processData);
        if (warning.isEmpty()) {
            QVERIFY(shell.platform.warnings.empty());
            QCOMPARE(shell.runs.size(), std::size_t{1});
            return;
        }
        QVERIFY(shell.runs.empty());
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.platform.warnings[0].caption, QStringLiteral("Process Data"));
        QCOMPARE(shell.platform.warnings[0].text, warning);
        QCOMPARE(shell.platform.warnings[0].owner, &shell.window);
    }

    void choicesAreListedInOrderAndMoveTheReportFolder()
    {
        QTemporaryDir first;
        QTemporaryDir second;
        Shell shell;
        shell.choose(openBig, first.filePath("big.txt"));
        shell.choose(openSmall, first.filePath("small.txt"));
        shell.choose(openGene, second.filePath("gene1.txt"));
        shell.choose(openGene, second.filePath("gene2.txt"));
        const QString four = first.filePath("big.txt") + "\r\n" + first.filePath("small.txt") + "\r\n"
            + second.filePath("gene1.txt") + "\r\n" + second.filePath("gene2.txt") + "\r\n";
        QCOMPARE(shell.listing(), four);
        QCOMPARE(shell.paneText(), QString(four).replace("\r\n", "\n"));
        trigger(shell.window, processData);

        shell.choose(openBig, first.filePath("big2.txt"));
        QCOMPARE(shell.listing(), four + first.filePath("big2.txt") + "\r\n");
        QCOMPARE(QString::fromStdString(shell.window.settings().bigDTablePath()), first.filePath("big2.txt"));
        trigger(shell.window, processData);

        QStringList filters;
        QStringList folders;
        for (const auto& request : shell.platform.requests) {
            QVERIFY(!request.toSave);
            filters.append(request.filter);
            folders.append(request.folder);
        }
        QCOMPARE(filters, (QStringList{"Big DTable Files (*.txt)", "Small DTable Files (*.txt)", "Gene File (*.txt)",
                              "Gene File (*.txt)", "Big DTable Files (*.txt)"}));
        // Each also offers FASTA files, which the runs count as they go.
        for (const auto& request : shell.platform.requests)
            QCOMPARE(request.filters.value(1), QStringLiteral("FASTA Files (*.fa *.fasta *.fna *.fa.gz *.fasta.gz *.fna.gz)"));
        // Each dialog starts in the folder of the file chosen before it, the first in the
        // current folder; each report goes to the folder of the file chosen last.
        QCOMPARE(folders, (QStringList{startFolder, canonical(first.path()), canonical(first.path()),
                              canonical(second.path()), canonical(second.path())}));
        QCOMPARE(shell.runs.size(), std::size_t{2});
        QCOMPARE(shell.runs[0].reportFolder, canonical(second.path()));
        QCOMPARE(shell.runs[1].reportFolder, canonical(first.path()));

        // Cancelled dialogs change nothing.
        const QString before = shell.listing();
        for (int command : {openBig, openSmall, openGene})
            shell.choose(command, QString());
        QCOMPARE(shell.listing(), before);
        QCOMPARE(QString::fromStdString(shell.window.settings().bigDTablePath()), first.filePath("big2.txt"));
        QCOMPARE(shell.window.settings().geneFilePaths().size(), std::size_t{2});
        QCOMPARE(shell.platform.requests.back().folder, canonical(first.path()));
        // A file in a folder that is not there is listed, but its folder is not taken.
        shell.choose(openGene, first.filePath("gone/gene3.txt"));
        shell.choose(openGene, QString());
        QCOMPARE(shell.platform.requests.back().folder, canonical(first.path()));
        QVERIFY(shell.platform.warnings.empty());
    }

    void thirtyThirdGeneFileIsRefused()
    {
        QTemporaryDir folder;
        Shell shell;
        // Long names, so that the listing outgrows any fixed buffer.
        const QString longName = QString(100, u'x');
        for (int i = 0; i < 32; ++i)
            shell.choose(openGene, folder.filePath(QStringLiteral("gene%1-%2.txt").arg(i).arg(longName)));
        QCOMPARE(shell.window.settings().geneFilePaths().size(), std::size_t{32});
        QVERIFY(shell.platform.warnings.empty());
        const QString listed = shell.listing();
        QVERIFY(listed.size() > 4000);
        QCOMPARE(listed.count("\r\n"), 32);
        QVERIFY(listed.endsWith(QStringLiteral("gene31-%1.txt\r\n").arg(longName)));

        shell.choose(openGene, folder.filePath("gene32.txt"));
        QCOMPARE(shell.platform.requests.size(), std::size_t{33});
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.platform.warnings[0].caption, QStringLiteral("Error on File Load"));
        QCOMPARE(shell.platform.warnings[0].text,
            QStringLiteral("Number of gene files specified exceeds maxinum allowable gene files"));
        QCOMPARE(shell.window.settings().geneFilePaths().size(), std::size_t{32});
        QCOMPARE(shell.listing(), listed);
    }

    void closeAllForgetsEveryFile()
    {
        QTemporaryDir folder;
        Shell shell;
        shell.choose(openBig, folder.filePath("big.txt"));
        shell.choose(openSmall, folder.filePath("small.txt"));
        for (int i = 0; i < 32; ++i)
            shell.choose(openGene, folder.filePath(QStringLiteral("gene%1.txt").arg(i)));
        trigger(shell.window, closeAll);

        QCOMPARE(shell.window.windowTitle(), QStringLiteral("Seqlark v0.2a"));
        QVERIFY(shell.listing().isEmpty());
        QVERIFY(shell.paneText().isEmpty());
        QVERIFY(shell.window.settings().bigDTablePath().empty());
        QVERIFY(shell.window.settings().smallDTablePath().empty());
        QVERIFY(shell.window.settings().geneFilePaths().empty());
        trigger(shell.window, processData);
        QCOMPARE(shell.platform.warnings.back().text, intro + bigLine + smallLine + geneLine);

        // The files chosen afterwards make up the next run on their own, 32 gene files again.
        shell.choose(openBig, folder.filePath("big2.txt"));
        shell.choose(openSmall, folder.filePath("small2.txt"));
        QStringList genes;
        for (int i = 0; i < 32; ++i) {
            genes.append(folder.filePath(QStringLiteral("new%1.txt").arg(i)));
            shell.choose(openGene, genes.back());
        }
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        trigger(shell.window, processData);
        QCOMPARE(shell.runs.size(), std::size_t{1});
        QCOMPARE(shell.runs[0].big, folder.filePath("big2.txt"));
        QCOMPARE(shell.runs[0].small, folder.filePath("small2.txt"));
        QCOMPARE(shell.runs[0].genes, genes);
    }

    void runIsGivenTheFilesAndSettings()
    {
        QTemporaryDir folder;
        Shell shell;
        shell.choose(openSmall, folder.filePath("small.txt"));
        shell.choose(openBig, folder.filePath("big.txt"));
        shell.choose(openGene, folder.filePath("a.txt"));
        shell.choose(openGene, folder.filePath("a.txt"));
        trigger(shell.window, processData);

        whenModal([](QDialog* dialog) {
            dialog->findChild<QAbstractButton*>(QStringLiteral("poissonButton"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        trigger(shell.window, 143);
        // The range typed is taken where it lies within 6 to 8, and left for 6 to 8 where none does.
        struct Range {
            const char *typedMin, *typedMax;
            int shortest, longest;
        };
        const std::vector<Range> ranges {{"5", "9", 6, 8}, {"7", "7", 7, 7}, {"8", "6", 6, 8}, {"-3", "7", 6, 7}};
        for (const Range& range : ranges) {
            whenModal([&range](QDialog* dialog) {
                dialog->findChild<QLineEdit*>(QStringLiteral("minimumField"))->setText(range.typedMin);
                dialog->findChild<QLineEdit*>(QStringLiteral("maximumField"))->setText(range.typedMax);
                dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
            });
            trigger(shell.window, 144);
            trigger(shell.window, processData);
        }

        QCOMPARE(shell.runs.size(), ranges.size() + 1);
        const QStringList genes{folder.filePath("a.txt"), folder.filePath("a.txt")};
        for (const RunCall& run : shell.runs) {
            QCOMPARE(run.big, folder.filePath("big.txt"));
            QCOMPARE(run.small, folder.filePath("small.txt"));
            QCOMPARE(run.genes, genes);
            QVERIFY(run.knownMotifs.isEmpty());
        }
        QVERIFY(!shell.runs[0].statistic); // each run's own default till one is chosen
        QCOMPARE((std::vector<int>{shell.runs[0].shortest, shell.runs[0].longest}), (std::vector<int>{6, 8}));
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            QCOMPARE(shell.runs[i + 1].statistic, std::optional<Statistic>(Statistic::Poisson));
            QCOMPARE((std::vector<int>{shell.runs[i + 1].shortest, shell.runs[i + 1].longest}),
                (std::vector<int>{ranges[i].shortest, ranges[i].longest}));
        }
        // A run that wrote no report opens nothing.
        QVERIFY(shell.platform.opened.isEmpty());
        QVERIFY(shell.platform.questions.empty());
    }

    void theBackgroundChosenGoesToEveryRunAndAFamilyAloneThenServes()
    {
        QTemporaryDir inputs;
        const QString family = inputs.filePath("family.fa");
        QFile file(family);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(">a\nACGTACGTTTGACCA\n");
        file.close();
        Shell shell;
        shell.choose(openSmall, family);
        const auto choose = [&](const char* button, int value, bool ok) {
            whenModal([&](QDialog* dialog) {
                dialog->findChild<QRadioButton*>(QString::fromLatin1(button))->click();
                const char* box = std::string(button) == "markovButton" ? "markovOrder" : "shuffleCount";
                if (std::string(button) != "genomeButton")
                    dialog->findChild<QSpinBox*>(QString::fromLatin1(box))->setValue(value);
                if (std::string(button) == "shuffleButton")
                    dialog->findChild<QSpinBox*>(QStringLiteral("shuffleSeed"))->setValue(9);
                dialog->findChild<QPushButton*>(QString::fromLatin1(ok ? "okButton" : "cancelButton"))->click();
            });
            trigger(shell.window, 162);
        };
        // With the big file standing for the genome, a family alone is not enough.
        trigger(shell.window, processData);
        QVERIFY(shell.runs.empty());
        QCOMPARE(shell.platform.warnings.size(), std::size_t(1));
        choose("markovButton", 2, true);
        trigger(shell.window, processData);
        QCOMPARE(shell.runs.size(), std::size_t(1));
        QCOMPARE(shell.runs.back().markovOrder, std::optional<int>(2));
        QVERIFY(!shell.runs.back().shuffles);
        QCOMPARE(shell.runs.back().big, QString());
        // Cancel keeps the model; shuffles leave out a big file that is open.
        choose("shuffleButton", 50, false);
        shell.choose(openBig, inputs.filePath("genome.fa"));
        trigger(shell.window, processData);
        QCOMPARE(shell.runs.back().markovOrder, std::optional<int>(2));
        QCOMPARE(shell.runs.back().big, inputs.filePath("genome.fa"));
        choose("shuffleButton", 50, true);
        trigger(shell.window, processData);
        QCOMPARE(shell.runs.back().shuffles, std::optional<int>(50));
        QCOMPARE(shell.runs.back().seed, std::uint64_t(9));
        QVERIFY(!shell.runs.back().markovOrder);
        QCOMPARE(shell.runs.back().big, QString());
        choose("genomeButton", 0, true);
        trigger(shell.window, processData);
        QVERIFY(!shell.runs.back().markovOrder && !shell.runs.back().shuffles);
        QCOMPARE(shell.runs.back().big, inputs.filePath("genome.fa"));
    }

    void knownMotifsAreChosenTypedOrClearedAndLeaveTheReportFolder()
    {
        QTemporaryDir inputs;
        QTemporaryDir motifs;
        Shell shell;
        shell.choose(openBig, inputs.filePath("big.txt"));
        shell.choose(openSmall, inputs.filePath("small.txt"));
        shell.choose(openGene, inputs.filePath("gene.txt"));
        auto setKnown = [&](const std::function<void(QDialog*)>& handle) {
            whenModal(handle);
            trigger(shell.window, 161);
            trigger(shell.window, processData);
            return shell.runs.back().knownMotifs;
        };
        // Browse... fills the field; OK keeps it.
        shell.platform.answers = QStringList{motifs.filePath("jaspar.txt")};
        QString shownAtFirst = QStringLiteral("unset");
        QCOMPARE(setKnown([&](QDialog* dialog) {
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("knownMotifsField"));
            shownAtFirst = field->text();
            dialog->findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        }), motifs.filePath("jaspar.txt"));
        QCOMPARE(shownAtFirst, QString());
        QCOMPARE(shell.platform.requests.back().filter, QStringLiteral("Motif Files (*.meme *.jaspar *.txt)"));
        QCOMPARE(shell.platform.requests.back().folder, canonical(inputs.path()));
        // Cancel keeps what was there; a field of blanks stands for none.
        QCOMPARE(setKnown([&](QDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("knownMotifsField"))->setText("other.meme");
            dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        }), motifs.filePath("jaspar.txt"));
        QCOMPARE(setKnown([&](QDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("knownMotifsField"))->setText("  ");
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        }), QString());
        // The reports still go beside the last input chosen.
        for (const RunCall& run : shell.runs)
            QCOMPARE(run.reportFolder, canonical(inputs.path()));
    }

    void aFastaFamilyRunsWithoutGeneFiles()
    {
        QTemporaryDir folder;
        writeText(folder.filePath("family.fa"), ">a\nACGTACGTAC\n");
        writeText(folder.filePath("family.txt"), "10000\r\n0\r\n0\r\n0\r\n");
        Shell shell;
        shell.choose(openBig, folder.filePath("genome.fa"));
        shell.choose(openSmall, folder.filePath("family.txt"));
        trigger(shell.window, processData);
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.platform.warnings[0].text, intro + geneLine);
        QVERIFY(shell.runs.empty());

        shell.choose(openSmall, folder.filePath("family.fa"));
        trigger(shell.window, processData);
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.runs.size(), std::size_t{1});
        QVERIFY(shell.runs[0].genes.isEmpty());
    }

    void exitEscAndCloseBoxEndTheWindow_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("Exit") << "exit" << 105;
        QTest::newRow("Esc") << "escape" << 2;
        QTest::newRow("close box") << "close" << 2;
    }

    void exitEscAndCloseBoxEndTheWindow()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        Shell shell;
        QSignalSpy finished(&shell.window, &QDialog::finished);
        if (how == "exit")
            trigger(shell.window, exitCommand);
        else if (how == "escape")
            QTest::keyClick(shell.window.findChild<QPlainTextEdit*>(QStringLiteral("fileListing")), Qt::Key_Escape);
        else
            shell.window.close();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), result);
        QVERIFY(!shell.window.isVisible());
    }

    void exportWritesTheChosenDestinationAndItsLinesToTheConsole()
    {
        QTemporaryDir folder;
        const QString destination = folder.filePath("upstream.txt");
        Shell shell;
        std::ostringstream console;
        shell.window.setConsole(Diagnostics(console));
        shell.platform.answers = QStringList{testData("sample.fa"), destination};
        trigger(shell.window, exportFasta);

        QCOMPARE(shell.platform.requests.size(), std::size_t{2});
        QCOMPARE(shell.platform.requests[0].filter, QStringLiteral("Source Fasta File (*.txt)"));
        QVERIFY(!shell.platform.requests[0].toSave);
        QCOMPARE(shell.platform.requests[1].filter, QStringLiteral("Destination DTable File (*.txt)"));
        QVERIFY(shell.platform.requests[1].toSave);
        QVERIFY(shell.platform.warnings.empty());
        const QString direct = folder.filePath("direct.txt");
        std::ostringstream directConsole;
        RunFeedback directFeedback{Diagnostics(directConsole)};
        const ExportResult directResult = exportFastaToDTable(testData("sample.fa").toUtf8().constData(),
            direct.toUtf8().constData(), directFeedback);
        QVERIFY(directResult.ok());
        QCOMPARE(readAll(destination), readAll(direct));
        QVERIFY(directConsole.str().find("Number of genes in file: ") != std::string::npos);
        QCOMPARE(console.str(), directConsole.str());
        QVERIFY(shell.listing().isEmpty());
        // The destination's folder is where the next dialog starts.
        shell.platform.answers = QStringList{QString()};
        trigger(shell.window, openGene);
        QCOMPARE(shell.platform.requests.back().folder, canonical(folder.path()));
    }

    void cancelledExportWritesNothing()
    {
        QTemporaryDir folder;
        Shell shell;
        shell.platform.answers = QStringList{testData("sample.fa"), QString()};
        trigger(shell.window, exportFasta);
        shell.platform.answers = QStringList{QString()};
        trigger(shell.window, exportFasta);
        QCOMPARE(shell.platform.requests.size(), std::size_t{3});
        QVERIFY(shell.platform.warnings.empty());
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    void failedExportSaysWhyAndKeepsTheDestination_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("caption");
        QTest::newRow("missing source") << "missing.fa" << "kept.txt" << "Error on File Load";
        QTest::newRow("destination folder missing") << testData("sample.fa") << "no-such-folder/out.txt"
                                                    << "Critical Error";
    }

    void failedExportSaysWhyAndKeepsTheDestination()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, caption);
        QTemporaryDir folder;
        source = QDir(folder.path()).absoluteFilePath(source);
        destination = folder.filePath(destination);
        writeText(folder.filePath("kept.txt"), "earlier table\r\n");
        Shell shell;
        shell.platform.answers = QStringList{source, destination};
        trigger(shell.window, exportFasta);

        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.platform.warnings[0].caption, caption);
        RunFeedback quiet;
        const ExportResult direct = exportFastaToDTable(source.toUtf8().constData(), destination.toUtf8().constData(), quiet);
        QVERIFY(!direct.ok());
        QCOMPARE(shell.platform.warnings[0].text, QString::fromStdString(direct.message));
        QCOMPARE(readAll(folder.filePath("kept.txt")), QByteArray("earlier table\r\n"));
    }

    void aboutBoxShowsTheRelease()
    {
        Shell shell;
        QString caption;
        QString release;
        bool hasIcon = false;
        whenModal([&](QDialog* dialog) {
            caption = dialog->windowTitle();
            release = dialog->findChild<QLabel*>(QStringLiteral("releaseLabel"))->text();
            hasIcon = !dialog->findChild<QLabel*>(QStringLiteral("programIcon"))->pixmap().isNull();
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        trigger(shell.window, about);
        QCOMPARE(caption, QStringLiteral("About"));
        QCOMPARE(release, QStringLiteral("Seqlark v0.2a"));
        QVERIFY(hasIcon);
        QVERIFY(shell.window.isVisible());
    }
};

std::unique_ptr<QObject> mainWindowTests()
{
    return std::make_unique<MainWindowTest>();
}

#include "MainWindow_test.moc"
