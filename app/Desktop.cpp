#include "app/Desktop.h"

#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/ProgramIcon.h"

#include <QApplication>

int runDesktop(int& argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("seqlark"));
    QApplication::setApplicationVersion(QStringLiteral(SEQLARK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("seqlark"));
    QApplication::setWindowIcon(programIcon());

    DesktopPlatform platform;
    MainWindow window(platform);
    window.exec();
    return 0;
}
