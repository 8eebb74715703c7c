#include "app/AboutDialog.h"

#include "app/DialogUnits.h"
#include "app/ProgramIcon.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr const char* caption = "About";
constexpr const char* attributionFirst = "Finds candidate regulatory DNA words";
constexpr const char* attributionSecond = "over-represented upstream of a gene family.";
}

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QString::fromLatin1(caption));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("programIcon"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* release = new QLabel(QString::fromLatin1(releaseName), this);
    release->setObjectName(QStringLiteral("releaseLabel"));
    auto* first = new QLabel(QString::fromLatin1(attributionFirst), this);
    auto* second = new QLabel(QString::fromLatin1(attributionSecond), this);
    placeInDialogUnits(this, {260, 74},
        {{icon, {14, 9, 21, 20}}, {ok, {219, 6, 36, 11}}, {release, {38, 10, 49, 8}}, {first, {38, 20, 176, 8}},
            {second, {38, 29, 176, 8}}});
    int side = std::min(icon->width(), icon->height());
    icon->setPixmap(programIcon().pixmap(side, side));
}
