#include "app/Platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr const char* allFilesFilter = "All Files (*.*)";
constexpr const char* defaultSuffix = "txt";

QString runFileDialog(QWidget* owner, const QStringList& filters, const QString& folder, QFileDialog::AcceptMode mode)
{
    // No caption of its own.
    QFileDialog dialog(owner, QString(), folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QStringList(filters) << QString::fromLatin1(allFilesFilter));
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.constFirst());
    dialog.setDefaultSuffix(QString::fromLatin1(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString DesktopPlatform::chooseFileToOpen(QWidget* owner, const QStringList& filters, const QString& folder)
{
    return runFileDialog(owner, filters, folder, QFileDialog::AcceptOpen);
}

QString DesktopPlatform::chooseFileToSave(QWidget* owner, const QStringList& filters, const QString& folder)
{
    return runFileDialog(owner, filters, folder, QFileDialog::AcceptSave);
}

void DesktopPlatform::warn(QWidget* owner, const QString& caption, const QString& text)
{
    // The texts break their lines with CR LF; a label breaks them with LF alone.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Warning, caption, shown, QMessageBox::Ok, owner);
    // Paths in the texts are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DesktopPlatform::ask(QWidget* owner, const QString& caption, const QString& text, const QString& yes)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    QPushButton* chosen = box.addButton(yes, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.setDefaultButton(chosen);
    box.exec();
    return box.clickedButton() == chosen;
}

void DesktopPlatform::openDocument(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
