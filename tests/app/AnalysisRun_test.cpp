#include "AppTestSupport.h"

#include "app/MainWindow.h"
#include "cli/Cli.h"
#include "run/Run.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QDir>
#include <QFileInfo>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <memory>
#include <sstream>
#include <vector>

namespace {

constexpr int openBig = 130, openSmall = 147, openGene = 154, exportFasta = 155, processData = 135, knownMotifs = 161,
              setBackground = 162;

/// `count` random upstream regions of `length` bases, each carrying `planted` twice when
/// it is not null.
QByteArray upstreamRegions(int count, int length, const char* planted, std::uint32_t seed)
{
    QByteArray fasta;
    for (int i = 0; i < count; ++i) {
        fasta += ">gene" + QByteArray::number(i) + "\n";
        QByteArray sequence;
        for (int j = 0; j < length; ++j) {
            seed = seed * 1664525u + 1013904223u;
            sequence += "ACGT"[seed >> 30];
        }
        if (planted) {
            sequence.replace(length / 4, static_cast<qsizetype>(qstrlen(planted)), planted);
            sequence.replace(length / 2, static_cast<qsizetype>(qstrlen(planted)), planted);
        }
        fasta += sequence + "\n";
    }
    return fasta;
}

/// What a run showed: its progress and the ends of its progress window.
struct Shown {
    int starts = 0;
    int finishes = 0;
    std::vector<std::int64_t> done;
    std::vector<std::int64_t> totals;
};

/// Records what the run shows and passes it on to the main window's feedback, but for the
/// diagnostic lines, which it drops.
class RecordingFeedback : public RunFeedback {
public:
    RecordingFeedback(RunFeedback& front, Shown& shown)
        : front(front)
        , shown(shown)
    {
    }
    void started() override
    {
        ++shown.starts;
        front.started();
    }
    void progressed(std::int64_t done, std::int64_t total) override
    {
        shown.done.push_back(done);
        shown.totals.push_back(total);
        front.progressed(done, total);
    }
    void finished() override
    {
        ++shown.finishes;
        front.finished();
    }
    void warn(std::string_view caption, std::string_view text) override { front.warn(caption, text); }

private:
    RunFeedback& front;
    Shown& shown;
};

/// A shown main window whose runs are `run`, recorded.
struct RecordedShell {
    ScriptedPlatform platform;
    MainWindow window{platform};
    Shown shown;
    QString reportFolder;

    RecordedShell()
    {
        window.setConsole(Diagnostics());
        window.setAnalysisRunner([this](const RunRequest& request, RunFeedback& feedback) {
            reportFolder = QString::fromStdString(request.folder);
            RecordingFeedback recording(feedback, shown);
            return run(request, recording);
        });
        window.show();
    }
};

/// A main window whose files were made by its own Export command: the genome and the
/// family in `data`, the gene file, chosen last, in `reports`.
struct ReadyShell : RecordedShell {
    ReadyShell(const QTemporaryDir& data, const QTemporaryDir& reports)
    {
        writeText(data.filePath("genome.fa"), upstreamRegions(60, 300, nullptr, 7));
        writeText(data.filePath("family.fa"), upstreamRegions(8, 300, "TGACTCA", 11));
        platform.answers = QStringList{data.filePath("genome.fa"), data.filePath("genome.txt")};
        trigger(window, exportFasta);
        platform.answers = QStringList{data.filePath("family.fa"), data.filePath("family.txt")};
        trigger(window, exportFasta);
        platform.answers = QStringList{data.filePath("family.fa"), reports.filePath("gene.txt")};
        trigger(window, exportFasta);
        platform.answers = QStringList{data.filePath("genome.txt")};
        trigger(window, openBig);
        platform.answers = QStringList{data.filePath("family.txt")};
        trigger(window, openSmall);
        platform.answers = QStringList{reports.filePath("gene.txt")};
        trigger(window, openGene);
    }
};

} // namespace

class AnalysisRunTest : public QObject {
    Q_OBJECT

private:
    QString startFolder;

private Q_SLOTS:
    void init() { startFolder = QDir::currentPath(); }
    void cleanup() { QCOMPARE(QDir::currentPath(), startFolder); }

    void reportLandsBesideTheLastChosenFileAndIsOpened()
    {
        QTemporaryDir data;
        QTemporaryDir reports;
        ReadyShell shell(data, reports);
        QVERIFY(shell.platform.warnings.empty());

        trigger(shell.window, processData);
        QVERIFY(shell.platform.warnings.empty());
        QCOMPARE(shell.platform.opened.size(), 1);
        QCOMPARE(canonical(shell.platform.opened[0]), canonical(reports.filePath("output.html")));
        QVERIFY(readAll(reports.filePath("output.html")).contains("<table"));
        QVERIFY(!QFileInfo::exists(data.filePath("output.html")));
        QCOMPARE(shell.reportFolder, canonical(reports.path()));

        // One progress window, its steps counted up one by one from 0, all of one total.
        QCOMPARE(shell.shown.starts, 1);
        QCOMPARE(shell.shown.finishes, 1);
        QVERIFY(shell.shown.done.size() > 100);
        for (std::size_t i = 0; i < shell.shown.done.size(); ++i) {
            QCOMPARE(shell.shown.done[i], static_cast<std::int64_t>(i));
            QCOMPARE(shell.shown.totals[i], shell.shown.totals[0]);
        }
        QVERIFY(shell.window.isEnabled());
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(widget->objectName() != QStringLiteral("progressWindow") || !widget->isVisible());

        // The summary page went beside the report: the run offers it, and declined, one menu
        // item still opens it.
        QCOMPARE(shell.platform.questions.size(), std::size_t{1});
        QCOMPARE(shell.platform.questions[0].owner, &shell.window);
        QVERIFY(shell.platform.questions[0].text.contains(canonical(reports.path()) + "/summary.html"));
        QCOMPARE(shell.platform.questions[0].yes, QStringLiteral("Open Summary Page"));
        QAction* summary = shell.window.action(Command::OpenSummary);
        QVERIFY(summary->isEnabled());
        summary->trigger();
        QCOMPARE(shell.platform.opened.size(), 2);
        QCOMPARE(canonical(shell.platform.opened[1]), canonical(reports.filePath("summary.html")));
        QVERIFY(readAll(reports.filePath("summary.html")).contains("<svg"));
        for (const char* name : {"words.tsv", "motifs.tsv", "motifs.meme", "motifs.jaspar", "motifs.transfac"})
            QVERIFY2(QFileInfo(reports.filePath(name)).isFile(), name);
    }

    void unwritableReportIsToldInAWarningBox()
    {
        QTemporaryDir data;
        QTemporaryDir reports;
        ReadyShell shell(data, reports);
        // Even the superuser cannot put the index page where a folder of its name stands.
        QVERIFY(QDir(reports.path()).mkdir("output.html"));

        trigger(shell.window, processData);
        QCOMPARE(shell.platform.warnings.size(), std::size_t{1});
        QCOMPARE(shell.platform.warnings[0].owner, &shell.window);
        QVERIFY2(shell.platform.warnings[0].text.contains(canonical(reports.path())),
            qPrintable(shell.platform.warnings[0].text));
        QVERIFY(shell.platform.opened.isEmpty());
        QVERIFY(!shell.window.action(Command::OpenSummary)->isEnabled());
        QVERIFY(shell.window.isEnabled());
    }

    void fastaInputsGiveWhatTheCommandLineGives()
    {
        // The summary page's date follows SOURCE_DATE_EPOCH, so that the two runs agree on it.
        qputenv("SOURCE_DATE_EPOCH", "1765000000");
        QTemporaryDir data;
        QTemporaryDir desktop;
        QTemporaryDir commandLine;
        writeText(data.filePath("genome.fa"), upstreamRegions(80, 400, nullptr, 3));
        writeText(desktop.filePath("family.fa"), upstreamRegions(12, 400, "TGACTCA", 5));
        RecordedShell shell;
        shell.platform.answerYes = true;
        shell.platform.answers = QStringList{data.filePath("genome.fa"), desktop.filePath("family.fa")};
        trigger(shell.window, openBig);
        trigger(shell.window, openSmall);
        whenModal([](QDialog* dialog) {
            dialog->findChild<QAbstractButton*>(QStringLiteral("poissonButton"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        trigger(shell.window, 143);
        whenModal([](QDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("knownMotifsField"))->setText(testData("motifs/known.meme"));
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        trigger(shell.window, knownMotifs);
        trigger(shell.window, processData);
        QVERIFY(shell.platform.warnings.empty());
        // The classic page opens, and the summary page as the user accepted the offer.
        QCOMPARE(shell.platform.opened.size(), 2);
        QCOMPARE(canonical(shell.platform.opened[1]), canonical(desktop.filePath("summary.html")));

        std::ostringstream out, err;
        const std::vector<std::string> args {"analyze", "--out", commandLine.path().toStdString(), "--statistic", "poisson",
            "--known", testData("motifs/known.meme").toStdString(), data.filePath("genome.fa").toStdString(),
            canonical(desktop.filePath("family.fa")).toStdString()};
        QCOMPARE(runCli(args, out, err, false), 0);
        qunsetenv("SOURCE_DATE_EPOCH");
        for (const char* name : {"words.tsv", "summary.html", "motifs.tsv", "motifs.meme", "output.html"}) {
            const QByteArray fromDesktop = readAll(desktop.filePath(name));
            QVERIFY2(!fromDesktop.isEmpty(), name);
            QVERIFY2(fromDesktop == readAll(commandLine.filePath(name)), name);
        }
    }

    void aFamilyAloneAgainstItsShufflesGivesWhatTheCommandLineGives()
    {
        qputenv("SOURCE_DATE_EPOCH", "1765000000");
        QTemporaryDir desktop;
        QTemporaryDir commandLine;
        writeText(desktop.filePath("family.fa"), upstreamRegions(12, 400, "TGACTCA", 5));
        RecordedShell shell;
        shell.platform.answerYes = true;
        shell.platform.answers = QStringList{desktop.filePath("family.fa")};
        trigger(shell.window, openSmall);
        whenModal([](QDialog* dialog) {
            dialog->findChild<QAbstractButton*>(QStringLiteral("shuffleButton"))->click();
            dialog->findChild<QSpinBox*>(QStringLiteral("shuffleCount"))->setValue(20);
            dialog->findChild<QSpinBox*>(QStringLiteral("shuffleSeed"))->setValue(5);
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        trigger(shell.window, setBackground);
        trigger(shell.window, processData);
        QVERIFY(shell.platform.warnings.empty());
        QCOMPARE(shell.platform.opened.size(), 2);

        std::ostringstream out, err;
        const std::vector<std::string> args {"analyze", "--out", commandLine.path().toStdString(), "--shuffle", "20",
            "--seed", "5", canonical(desktop.filePath("family.fa")).toStdString()};
        QCOMPARE(runCli(args, out, err, false), 0);
        qunsetenv("SOURCE_DATE_EPOCH");
        for (const char* name : {"words.tsv", "summary.html", "motifs.tsv", "output.html"}) {
            const QByteArray fromDesktop = readAll(desktop.filePath(name));
            QVERIFY2(!fromDesktop.isEmpty(), name);
            QVERIFY2(fromDesktop == readAll(commandLine.filePath(name)), name);
        }
        QVERIFY(readAll(desktop.filePath("words.tsv")).contains("# background: 20 dinucleotide shuffles"));
    }
};

std::unique_ptr<QObject> analysisRunTests()
{
    return std::make_unique<AnalysisRunTest>();
}

#include "AnalysisRun_test.moc"
