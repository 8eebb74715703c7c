#include "app/KnownMotifsDialog.h"

#include "app/DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr const char* caption = "Known Motifs";
constexpr const char* explanation =
    "Each motif of the report is compared with the motifs of this MEME or JASPAR file, and the closest is named. "
    "Leave it empty to compare with none.";
constexpr const char* fileText = "Motif File:";
constexpr const char* browseText = "Browse...";
}

KnownMotifsDialog::KnownMotifsDialog(const QString& path, std::function<QString()> choose, QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
    , field(new QLineEdit(path, this))
{
    setObjectName(QStringLiteral("knownMotifsDialog"));
    setWindowTitle(QString::fromLatin1(caption));
    auto* text = new QLabel(QString::fromLatin1(explanation), this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* label = new QLabel(QString::fromLatin1(fileText), this);
    field->setObjectName(QStringLiteral("knownMotifsField"));
    auto* browse = new QPushButton(QString::fromLatin1(browseText), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this, choose = std::move(choose)] {
        const QString chosen = choose();
        if (!chosen.isEmpty())
            field->setText(chosen);
    });

    auto [ok, cancel] = addOkCancelButtons(this);
    placeInDialogUnits(this, {250, 89},
        {{text, {7, 7, 236, 26}}, {label, {7, 42, 40, 8}}, {field, {50, 39, 140, 14}}, {browse, {193, 39, 50, 14}},
            {ok, {133, 68, 50, 14}}, {cancel, {189, 68, 50, 14}}});
}

QString KnownMotifsDialog::path() const
{
    // Only a field of blanks alone stands for none: a file's name may begin or end with one.
    return field->text().trimmed().isEmpty() ? QString() : field->text();
}
