#pragma once

#include "app/Platform.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class MainWindow;
class QAction;

/// A platform that answers the file dialogs and questions from a script and records what the
/// shell asked of it, so that no dialog, message box or browser ever appears.
class ScriptedPlatform : public Platform {
public:
    struct Request {
        QString filter; ///< the first of the filters, the one chosen
        QStringList filters;
        bool toSave;
        QString folder; ///< where the dialog starts
    };
    struct Question {
        QWidget* owner;
        QString caption;
        QString text;
        QString yes;
    };
    struct Warning {
        QWidget* owner;
        QString caption;
        QString text;
    };

    /// The answers to the next file dialogs, in order; an empty one cancels its dialog.
    QStringList answers;
    std::vector<Request> requests;
    std::vector<Warning> warnings;
    QStringList opened;
    std::vector<Question> questions;
    /// The answer to every question.
    bool answerYes = false;
    /// Called by warn before it returns, while the warning box would be up.
    std::function<void()> duringWarning;

    QString chooseFileToOpen(QWidget* owner, const QStringList& filters, const QString& folder) override;
    QString chooseFileToSave(QWidget* owner, const QStringList& filters, const QString& folder) override;
    void warn(QWidget* owner, const QString& caption, const QString& text) override;
    bool ask(QWidget* owner, const QString& caption, const QString& text, const QString& yes) override;
    void openDocument(const QString& path) override;

private:
    QString answer(const QStringList& filters, bool toSave, const QString& folder);
};

/// Triggers the menu item of `command` (given as its identifier) of `window`.
void trigger(MainWindow& window, int command);

/// Runs `handle` on the next modal dialog once it is shown; call before the command that
/// opens it. The dialog must be ended by `handle`.
void whenModal(std::function<void(QDialog*)> handle);

/// `path` with its links resolved; empty when there is nothing at `path`.
QString canonical(const QString& path);

/// Path of `name` in the folder of committed test data.
QString testData(const QString& name);

/// Writes `text` to the file `path`.
void writeText(const QString& path, const QByteArray& text);
/// The bytes of the file `path`; empty when it cannot be read.
QByteArray readAll(const QString& path);
