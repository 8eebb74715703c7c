// Runs the desktop application's test classes, all of them or the one named first on the
// command line; the other arguments go to QTest.
#include <QApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

std::unique_ptr<QObject> mainWindowTests();
std::unique_ptr<QObject> settingsDialogTests();
std::unique_ptr<QObject> progressWindowTests();
std::unique_ptr<QObject> analysisRunTests();
std::unique_ptr<QObject> platformTests();

namespace {

struct Suite {
    const char* name;
    std::unique_ptr<QObject> (*make)();
};
constexpr Suite suites[] = {
    {"MainWindow", mainWindowTests},
    {"SettingsDialogs", settingsDialogTests},
    {"ProgressWindow", progressWindowTests},
    {"AnalysisRun", analysisRunTests},
    {"Platform", platformTests},
};
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> testArguments{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i)
        testArguments.push_back(argv[i]);
    int failed = 0;
    bool found = false;
    for (const Suite& suite : suites) {
        if (only && std::strcmp(only, suite.name) != 0)
            continue;
        found = true;
        std::unique_ptr<QObject> tests = suite.make();
        failed += QTest::qExec(tests.get(), static_cast<int>(testArguments.size()), testArguments.data());
    }
    if (!found) {
        qCritical("no test class named %s", only);
        return 2;
    }
    return failed == 0 ? 0 : 1;
}
