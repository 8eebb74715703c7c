#include "AppTestSupport.h"

#include "app/MainWindow.h"
#include "app/TargetLengthDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <climits>
#include <memory>

namespace {

constexpr int setCalibration = 143, setTargetLength = 144;

enum class Ending { Ok, Cancel, Escape, CloseBox };

void end(QDialog* dialog, Ending ending)
{
    switch (ending) {
    case Ending::Ok:
        dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        break;
    case Ending::Cancel:
        dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        break;
    case Ending::Escape:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    case Ending::CloseBox:
        dialog->close();
        break;
    }
}

/// What a settings dialog showed when it opened.
struct Shown {
    QString caption;
    QStringList texts;
    bool okEnabledAndDefault = false;
};

Shown calibrationDialog(MainWindow& window, const char* choose, Ending ending)
{
    Shown shown;
    whenModal([&shown, choose, ending](QDialog* dialog) {
        shown.caption = dialog->windowTitle();
        for (const char* name : {"binomialButton", "poissonButton", "expectedActualButton"}) {
            auto* button = dialog->findChild<QRadioButton*>(QString::fromLatin1(name));
            shown.texts.append(button->text() + (button->isChecked() ? " (checked)" : ""));
        }
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("okButton"));
        shown.okEnabledAndDefault = ok->isEnabled() && ok->isDefault();
        if (choose)
            dialog->findChild<QRadioButton*>(QString::fromLatin1(choose))->click();
        end(dialog, ending);
    });
    trigger(window, setCalibration);
    return shown;
}

Shown targetLengthDialog(MainWindow& window, const QString& minimum, const QString& maximum, Ending ending)
{
    Shown shown;
    whenModal([&](QDialog* dialog) {
        shown.caption = dialog->windowTitle();
        auto* minimumField = dialog->findChild<QLineEdit*>(QStringLiteral("minimumField"));
        auto* maximumField = dialog->findChild<QLineEdit*>(QStringLiteral("maximumField"));
        shown.texts = QStringList{minimumField->text(), maximumField->text()};
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("okButton"));
        shown.okEnabledAndDefault = ok->isEnabled() && ok->isDefault();
        minimumField->setText(minimum);
        maximumField->setText(maximum);
        end(dialog, ending);
    });
    trigger(window, setTargetLength);
    return shown;
}

} // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void calibrationIsStoredOnOkOnly()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();

        Shown first = calibrationDialog(window, "poissonButton", Ending::Ok);
        QCOMPARE(first.caption, QStringLiteral("Frequency Calibration"));
        QCOMPARE(first.texts,
            (QStringList{"Binomial Distribution (checked)", "Poisson Distribution", "Expected/Actual"}));
        QVERIFY(first.okEnabledAndDefault);
        QCOMPARE(window.settings().statistic, std::optional<Statistic>(Statistic::Poisson));

        for (Ending ending : {Ending::Cancel, Ending::Escape, Ending::CloseBox}) {
            Shown shown = calibrationDialog(window, "expectedActualButton", ending);
            QCOMPARE(shown.texts, (QStringList{"Binomial Distribution", "Poisson Distribution (checked)", "Expected/Actual"}));
            QCOMPARE(window.settings().statistic, std::optional<Statistic>(Statistic::Poisson));
        }
        calibrationDialog(window, "expectedActualButton", Ending::Ok);
        QCOMPARE(window.settings().statistic, std::optional<Statistic>(Statistic::Ratio));
        calibrationDialog(window, nullptr, Ending::Ok);
        QCOMPARE(window.settings().statistic, std::optional<Statistic>(Statistic::Ratio));
        QVERIFY(window.isVisible());
    }

    void targetLengthIsStoredOnOkOnly()
    {
        ScriptedPlatform platform;
        MainWindow window(platform);
        window.show();

        for (Ending ending : {Ending::Cancel, Ending::Escape, Ending::CloseBox}) {
            Shown shown = targetLengthDialog(window, "5", "9", ending);
            QCOMPARE(shown.caption, QStringLiteral("Target Length"));
            QCOMPARE(shown.texts, (QStringList{"6", "8"}));
            QCOMPARE(window.settings().targetLengthMin, 6);
            QCOMPARE(window.settings().targetLengthMax, 8);
        }
        Shown shown = targetLengthDialog(window, "7x", "", Ending::Ok);
        QVERIFY(shown.okEnabledAndDefault);
        QCOMPARE(window.settings().targetLengthMin, 7);
        QCOMPARE(window.settings().targetLengthMax, 0);
        shown = targetLengthDialog(window, "-3", " 12", Ending::Ok);
        QCOMPARE(shown.texts, (QStringList{"7", "0"}));
        QCOMPARE(window.settings().targetLengthMin, -3);
        QCOMPARE(window.settings().targetLengthMax, 12);
        QVERIFY(window.isVisible());
    }

    void lengthTextIsReadAsDecimal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("trailing letters") << "7x" << 7;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("white space and plus") << " \t+12" << 12;
        QTest::newRow("smallest") << "-2147483648" << INT_MIN;
        QTest::newRow("too large") << "99999999999999999999" << INT_MAX;
        QTest::newRow("too small") << "-99999999999999999999" << INT_MIN;
    }

    void lengthTextIsReadAsDecimal()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(decimalValue(text), value);
    }
};

std::unique_ptr<QObject> settingsDialogTests()
{
    return std::make_unique<SettingsDialogsTest>();
}

#include "SettingsDialogs_test.moc"
