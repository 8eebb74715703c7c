#include "app/CalibrationDialog.h"

#include "app/DialogUnits.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr const char* caption = "Frequency Calibration";
constexpr const char* explanation =
    "This option allows a methodology to find regulatory genes given a family name.  The goal of the "
    "distributions is to return small probabilities which reveal over-represented genes. These genes are "
    "considered regulatory genes.";

struct Choice {
    Statistic statistic;
    const char* text;
    const char* objectName;
    int x, y, width;
};

constexpr Choice choiceList[] = {
    {Statistic::Binomial, "Binomial Distribution", "binomialButton", 29, 59, 79},
    {Statistic::Poisson, "Poisson Distribution", "poissonButton", 29, 75, 78},
    {Statistic::Ratio, "Expected/Actual", "expectedActualButton", 30, 91, 69},
};
}

CalibrationDialog::CalibrationDialog(Statistic statistic, QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
    , choices(new QButtonGroup(this))
    , initial(statistic)
{
    setObjectName(QStringLiteral("calibrationDialog"));
    setWindowTitle(QString::fromLatin1(caption));
    auto* text = new QLabel(QString::fromLatin1(explanation), this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    std::vector<Placement> placements{{text, {7, 7, 236, 36}}};

    choices->setExclusive(true);
    for (const Choice& choice : choiceList) {
        auto* button = new QRadioButton(QString::fromLatin1(choice.text), this);
        button->setObjectName(QString::fromLatin1(choice.objectName));
        button->setChecked(choice.statistic == statistic);
        choices->addButton(button, static_cast<int>(choice.statistic));
        placements.push_back({button, {choice.x, choice.y, choice.width, 10}});
    }

    auto [ok, cancel] = addOkCancelButtons(this);
    placements.push_back({ok, {133, 117, 50, 14}});
    placements.push_back({cancel, {189, 117, 50, 14}});
    placeInDialogUnits(this, {250, 138}, placements);
}

Statistic CalibrationDialog::statistic() const
{
    for (const Choice& choice : choiceList)
        if (choices->checkedId() == static_cast<int>(choice.statistic))
            return choice.statistic;
    return initial;
}
