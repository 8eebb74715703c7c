#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

/// How a file dialog was set up when it came up.
struct DialogSetup {
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool confirmsOverwrite = false;
    QStringList filters;
    QString selectedFilter;
    QString suffix;
    QString folder;
};

DialogSetup fileDialogSetup(bool toSave, const QString& folder)
{
    DialogSetup setup;
    whenModal([&setup](QDialog* dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            setup.acceptMode = files->acceptMode();
            setup.fileMode = files->fileMode();
            setup.confirmsOverwrite = !files->testOption(QFileDialog::DontConfirmOverwrite);
            setup.filters = files->nameFilters();
            setup.selectedFilter = files->selectedNameFilter();
            setup.suffix = files->defaultSuffix();
            setup.folder = files->directory().absolutePath();
        }
        dialog->reject();
    });
    DesktopPlatform platform;
    QString chosen = toSave
        ? platform.chooseFileToSave(nullptr, {QStringLiteral("Destination DTable File (*.txt)")}, folder)
        : platform.chooseFileToOpen(nullptr, {QStringLiteral("Gene File (*.txt)"), QStringLiteral("FASTA Files (*.fa)")}, folder);
    if (!chosen.isEmpty())
        qWarning("a cancelled dialog chose %s", qPrintable(chosen));
    return setup;
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openAndSaveDialogs()
    {
        QTemporaryDir start;
        DialogSetup open = fileDialogSetup(false, start.path());
        QCOMPARE(canonical(open.folder), canonical(start.path()));
        QCOMPARE(open.acceptMode, QFileDialog::AcceptOpen);
        QCOMPARE(open.fileMode, QFileDialog::ExistingFile);
        QCOMPARE(open.filters, (QStringList{"Gene File (*.txt)", "FASTA Files (*.fa)", "All Files (*.*)"}));
        QCOMPARE(open.selectedFilter, QStringLiteral("Gene File (*.txt)"));
        QCOMPARE(open.suffix, QStringLiteral("txt"));

        // The save dialog takes a new name and asks before an existing file is replaced.
        DialogSetup save = fileDialogSetup(true, start.path());
        QCOMPARE(canonical(save.folder), canonical(start.path()));
        QCOMPARE(save.acceptMode, QFileDialog::AcceptSave);
        QCOMPARE(save.fileMode, QFileDialog::AnyFile);
        QVERIFY(save.confirmsOverwrite);
        QCOMPARE(save.filters, (QStringList{"Destination DTable File (*.txt)", "All Files (*.*)"}));
    }

    void warningIsAPlainTextWarningBox()
    {
        QWidget owner;
        // A run warns while the progress window keeps the main window disabled.
        owner.setEnabled(false);
        bool enabled = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        QWidget* parent = nullptr;
        whenModal([&](QDialog* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                icon = box->icon();
                caption = box->windowTitle();
                text = box->text();
                format = box->textFormat();
                parent = box->parentWidget();
                enabled = box->isEnabled();
            }
            dialog->accept();
        });
        DesktopPlatform platform;
        platform.warn(&owner, QStringLiteral("Process Data"), QStringLiteral("first <b>line</b>\r\n\r\nsecond\r\n"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(caption, QStringLiteral("Process Data"));
        QCOMPARE(text, QStringLiteral("first <b>line</b>\n\nsecond\n"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(parent, &owner);
        QVERIFY(enabled);
    }

    void questionOffersItsButtonAndClose()
    {
        QWidget owner;
        for (bool yes : {true, false}) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QStringList buttons;
            QWidget* parent = nullptr;
            whenModal([&](QDialog* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                QVERIFY(box);
                icon = box->icon();
                parent = box->parentWidget();
                for (QAbstractButton* button : box->buttons())
                    buttons.append(button->text());
                QAbstractButton* chosen = yes ? static_cast<QAbstractButton*>(box->defaultButton()) : box->button(QMessageBox::Close);
                QVERIFY(chosen);
                chosen->click();
            });
            DesktopPlatform platform;
            QCOMPARE(platform.ask(&owner, QStringLiteral("Process Data"), QStringLiteral("Open it?"), QStringLiteral("Open")), yes);
            QCOMPARE(icon, QMessageBox::Question);
            QCOMPARE(parent, &owner);
            QVERIFY(buttons.contains(QStringLiteral("Open")));
            QCOMPARE(buttons.size(), 2);
        }
    }
};

std::unique_ptr<QObject> platformTests()
{
    return std::make_unique<PlatformTest>();
}

#include "Platform_test.moc"
