#include "AppTestSupport.h"

#include "analysis/Progress.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <memory>

namespace {

constexpr int openBig = 130, openSmall = 147, openGene = 154, exportFasta = 155, processData = 135;

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

/// A main window whose files were made by its own Export command: the genome and the
/// family in `data`, the gene file, chosen last, in `reports`.
struct ReadyShell {
    ScriptedPlatform platform;
    MainWindow window{platform};

    ReadyShell(const QTemporaryDir& data, const QTemporaryDir& reports)
    {
        window.show();
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

QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

class AnalysisRunTest : public QObject {
    Q_OBJECT

private:
    QString startFolder;

private Q_SLOTS:
    void init() { startFolder = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(startFolder); }

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
        QVERIFY(progressCounter() > 100);
        QVERIFY(shell.window.isEnabled());
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(widget->objectName() != QStringLiteral("progressWindow") || !widget->isVisible());
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
        QVERIFY(shell.window.isEnabled());
    }
};

std::unique_ptr<QObject> analysisRunTests()
{
    return std::make_unique<AnalysisRunTest>();
}

#include "AnalysisRun_test.moc"
