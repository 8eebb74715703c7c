#include "AppTestSupport.h"

#include "analysis/Progress.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"

#include <QApplication>
#include <QProgressBar>
#include <QTest>

#include <memory>

namespace {

/// The progress window on the screen, if any.
QDialog* shownProgressWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("progressWindow") && widget->isVisible())
            return qobject_cast<QDialog*>(widget);
    }
    return nullptr;
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

    void barFollowsTheCounterWhileTheMainWindowIsDisabled()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        QVERIFY(!shownProgressWindow());

        openProgressWindow();
        QDialog* progress = shownProgressWindow();
        QVERIFY(progress);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Processing, Please Wait"));
        QVERIFY(!window.isEnabled());
        QVERIFY(progress->isEnabled());
        const QPoint offCentre = progress->frameGeometry().center() - window.frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, "the progress window is centred on the main window");
        auto* bar = progress->findChild<QProgressBar*>(QStringLiteral("progressBar"));
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);

        resetProgress();
        for (int i = 0; i < 7; ++i)
            stepProgress();
        QCOMPARE(progressCounter(), 7);
        QCOMPARE(bar->value(), 7);
        for (int i = 7; i < 150; ++i)
            stepProgress();
        QCOMPARE(progressCounter(), 150);
        QCOMPARE(bar->value(), 100);

        closeProgressWindow();
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        QCOMPARE(progressCounter(), 150);
    }

    void escapeEndsTheProgressWindowAndEnablesTheMainWindow()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();
        openProgressWindow();
        QTest::keyClick(shownProgressWindow(), Qt::Key_Escape);
        QVERIFY(window.isEnabled());
        QVERIFY(!shownProgressWindow());
        // The run goes on stepping and closes it as usual.
        stepProgress();
        closeProgressWindow();
        QVERIFY(window.isEnabled());
    }
};

std::unique_ptr<QObject> progressWindowTests()
{
    return std::make_unique<ProgressWindowTest>();
}

#include "ProgressWindow_test.moc"
