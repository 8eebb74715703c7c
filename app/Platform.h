#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// What the shell asks of the desktop: file dialogs, warning and question boxes and opening a document
/// with the desktop's default handler. Tests put a scripted one in its place.
class Platform {
public:
    virtual ~Platform() = default;
    /// Asks for an existing file, starting in `folder`; `filters` are the first entries of
    /// the filter list, the first of them chosen, and "All Files (*.*)" the last. Returns the
    /// chosen path, or an empty one when cancelled.
    virtual QString chooseFileToOpen(QWidget* owner, const QStringList& filters, const QString& folder) = 0;
    /// Asks for a file to write, new or existing (confirming before an existing one is
    /// replaced); otherwise as chooseFileToOpen.
    virtual QString chooseFileToSave(QWidget* owner, const QStringList& filters, const QString& folder) = 0;
    /// A modal message box with the warning icon and an OK button.
    virtual void warn(QWidget* owner, const QString& caption, const QString& text) = 0;
    /// A modal question with the question icon and two buttons, `yes` and "Close"; true when
    /// `yes` was chosen.
    virtual bool ask(QWidget* owner, const QString& caption, const QString& text, const QString& yes) = 0;
    /// Opens the file at `path` with the desktop's default handler, as a double click
    /// would; a failure is not reported.
    virtual void openDocument(const QString& path) = 0;
};

/// The real desktop: Qt's file dialogs, QMessageBox and QDesktopServices.
class DesktopPlatform : public Platform {
public:
    QString chooseFileToOpen(QWidget* owner, const QStringList& filters, const QString& folder) override;
    QString chooseFileToSave(QWidget* owner, const QStringList& filters, const QString& folder) override;
    void warn(QWidget* owner, const QString& caption, const QString& text) override;
    bool ask(QWidget* owner, const QString& caption, const QString& text, const QString& yes) override;
    void openDocument(const QString& path) override;
};
