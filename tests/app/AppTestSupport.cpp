#include "AppTestSupport.h"

#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

QString ScriptedPlatform::chooseFileToOpen(QWidget*, const QStringList& filters, const QString& folder)
{
    return answer(filters, false, folder);
}

QString ScriptedPlatform::chooseFileToSave(QWidget*, const QStringList& filters, const QString& folder)
{
    return answer(filters, true, folder);
}

void ScriptedPlatform::warn(QWidget* owner, const QString& caption, const QString& text)
{
    warnings.push_back({owner, caption, text});
    if (duringWarning)
        duringWarning();
}

bool ScriptedPlatform::ask(QWidget* owner, const QString& caption, const QString& text, const QString& yes)
{
    questions.push_back({owner, caption, text, yes});
    return answerYes;
}

void ScriptedPlatform::openDocument(const QString& path)
{
    opened.append(path);
}

QString ScriptedPlatform::answer(const QStringList& filters, bool toSave, const QString& folder)
{
    requests.push_back({filters.value(0), filters, toSave, folder});
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

void trigger(MainWindow& window, int command)
{
    QAction* item = window.action(static_cast<Command>(command));
    QVERIFY2(item, qPrintable(QStringLiteral("no menu item %1").arg(command)));
    item->trigger();
}

void whenModal(std::function<void(QDialog*)> handle)
{
    // Polls, since the dialog is shown only once the command that opens it has started.
    auto* poll = new QTimer(qApp);
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        handle(dialog);
    });
    poll->start();
}

QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString testData(const QString& name)
{
    return QStringLiteral(SEQLARK_TEST_DATA "/") + name;
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
