#include "AppTestSupport.h"

#include "app/DesktopFeedback.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <memory>

namespace {

/// What a run that wrote no report gives back, having said why itself.
RunOutcome notReported()
{
    RunOutcome outcome;
    outcome.status = RunStatus::NotReported;
    return outcome;
}

constexpr int openBig = 130, openSmall = 147, openGene = 154, processData = 135;

/// The progress window on the screen, if any.
QDialog* shownProgressWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("progressWindow") && widget->isVisible())
            return qobject_cast<QDialog*>(widget);
    }
    return nullptr;
}

/// Chooses a big table, a small table and a gene file in `folder`, none of them read.
void chooseInputs(MainWindow& window, ScriptedPlatform& platform, const QTemporaryDir& folder)
{
    platform.answers = QStringList{folder.filePath("big.txt"), folder.filePath("small.txt"), folder.filePath("gene.txt")};
    for (int command : {openBig, openSmall, openGene})
        trigger(window, command);
}

QProgressBar* barOf(QDialog* progress)
{
    return progress->findChild<QProgressBar*>(QStringLiteral("progressBar"));
}

/// Tells when a progress bar is painted at `position`.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(int position)
        : position(position)
    {
    }
    std::future<void> painted() { return promise.get_future(); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* bar = qobject_cast<QProgressBar*>(watched);
        if (!seen && event->type() == QEvent::Paint && bar && bar->value() == position) {
            seen = true;
            promise.set_value();
        }
        return false;
    }

private:
    int position;
    bool seen = false;
    std::promise<void> promise;
};

/// What the main window looked like while a warning box was up.
struct Scene {
    bool mainWindowEnabled = true;
    bool progressShown = false;
    int bar = -1;
    Qt::CursorShape cursor = Qt::BlankCursor; ///< the application's cursor; BlankCursor for none set
};

Qt::CursorShape applicationCursor()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BlankCursor;
}

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void centresWithTruncatedHalves()
    {
        QCOMPARE(centredPosition(QRect(100, 100, 641, 461), QSize(300, 80)), QPoint(270, 290));
        QCOMPARE(centredPosition(QRect(-10, 0, 101, 51), QSize(11, 9)), QPoint(35, 21));
    }

    void barFollowsTheStepsWhileTheMainWindowIsDisabled()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        DesktopFeedback feedback(platform, &window, Diagnostics());
        QVERIFY(!shownProgressWindow());

        feedback.started();
        QDialog* progress = shownProgressWindow();
        QVERIFY(progress);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Processing, Please Wait"));
        QVERIFY(!window.isEnabled());
        QVERIFY(progress->isEnabled());
        const QPoint offCentre = progress->frameGeometry().center() - window.frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, "the progress window is centred on the main window");
        QProgressBar* bar = barOf(progress);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);

        // The bar shows the steps themselves, not their share of the total.
        for (int done = 0; done <= 7; ++done)
            feedback.progressed(done, 150);
        QCOMPARE(bar->value(), 7);
        for (int done = 8; done <= 150; ++done)
            feedback.progressed(done, 150);
        QCOMPARE(bar->value(), 100);

        feedback.finished();
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        QVERIFY(platform.warnings.empty());
    }

    void escapeEndsTheProgressWindowAndEnablesTheMainWindow()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        DesktopFeedback feedback(platform, &window, Diagnostics());
        feedback.started();
        QTest::keyClick(shownProgressWindow(), Qt::Key_Escape);
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        // The run goes on stepping and finishes as usual.
        feedback.progressed(1, 10);
        feedback.finished();
        QVERIFY(window.isEnabled());
    }

    void runOnItsOwnThreadShowsItsProgressAndWaitsForItsWarning()
    {
        QTemporaryDir folder;
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        chooseInputs(window, platform, folder);

        std::size_t warningsWhenWarnReturned = 0;
        Qt::CursorShape cursorDuringRun = Qt::BlankCursor;
        window.setAnalysisRunner([&](const RunRequest& request, RunFeedback& feedback) {
            QMetaObject::invokeMethod(
                &window, [&cursorDuringRun] { cursorDuringRun = applicationCursor(); }, Qt::BlockingQueuedConnection);
            feedback.started();
            for (int done = 0; done <= 7; ++done)
                feedback.progressed(done, 150);
            feedback.warn("Critical Error", "one page of the report was not written");
            // The box has been dismissed by now, and the interface thread is waiting again.
            warningsWhenWarnReturned = platform.warnings.size();
            for (int done = 8; done <= 150; ++done)
                feedback.progressed(done, 150);
            feedback.finished();
            RunOutcome outcome;
            outcome.indexPage = request.folder + "/output.html";
            return outcome;
        });
        Scene scene;
        platform.duringWarning = [&window, &scene] {
            QDialog* progress = shownProgressWindow();
            scene = {window.isEnabled(), progress != nullptr, progress ? barOf(progress)->value() : -1, applicationCursor()};
        };
        trigger(window, processData);

        QCOMPARE(platform.warnings.size(), std::size_t{1});
        QCOMPARE(platform.warnings[0].owner, &window);
        QCOMPARE(platform.warnings[0].caption, QStringLiteral("Critical Error"));
        QCOMPARE(platform.warnings[0].text, QStringLiteral("one page of the report was not written"));
        QCOMPARE(warningsWhenWarnReturned, std::size_t{1});
        // The box came over the disabled main window and the progress window, with every
        // step made before it shown.
        QVERIFY(!scene.mainWindowEnabled);
        QVERIFY(scene.progressShown);
        QCOMPARE(scene.bar, 7);
        // The run shows the wait cursor, and a box waiting for a click the arrow.
        QCOMPARE(cursorDuringRun, Qt::WaitCursor);
        QCOMPARE(scene.cursor, Qt::ArrowCursor);
        QCOMPARE(applicationCursor(), Qt::BlankCursor);
        // The report is opened once the progress window is down.
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        QCOMPARE(platform.opened, QStringList{QDir(canonical(folder.path())).filePath("output.html")});
    }

    void progressWindowRepaintsWhileTheRunGoesOn()
    {
        QTemporaryDir folder;
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        chooseInputs(window, platform, folder);
        PaintWatch watch(40);
        std::future<void> painted = watch.painted();
        qApp->installEventFilter(&watch);
        bool paintedDuringRun = false;
        window.setAnalysisRunner([&painted, &paintedDuringRun](const RunRequest&, RunFeedback& feedback) {
            feedback.started();
            for (int done = 0; done <= 40; ++done)
                feedback.progressed(done, 100);
            // A run kept to the interface thread would wait here in vain.
            paintedDuringRun = painted.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
            feedback.finished();
            return notReported();
        });
        trigger(window, processData);
        qApp->removeEventFilter(&watch);
        QVERIFY(paintedDuringRun);
    }

    void runThatDoesNotFinishItsProgressStillEnablesTheMainWindow()
    {
        QTemporaryDir folder;
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        chooseInputs(window, platform, folder);
        window.setAnalysisRunner([](const RunRequest&, RunFeedback& feedback) {
            feedback.started();
            feedback.progressed(0, 10);
            return notReported();
        });
        trigger(window, processData);
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        QVERIFY(platform.opened.isEmpty());
    }
};

std::unique_ptr<QObject> progressWindowTests()
{
    return std::make_unique<ProgressWindowTest>();
}

#include "ProgressWindow_test.moc"
