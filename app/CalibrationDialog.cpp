#include "app/CalibrationDialog.h"

#include "app/DialogUnits.h"
#include "app/ShellSettings.h"

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
    int calibration;
    const char* text;
    const char* objectName;
    int x, y, width;
};

constexpr Choice choiceList[] = {
    {ShellSettings::BinomialDistribution, "Binomial Distribution", "binomialButton", 29, 59, 79},
    {ShellSettings::PoissonDistribution, "Poisson Distribution", "poissonButton", 29, 75, 78},
    {ShellSettings::ExpectedActual, "Expected/Actual", "expectedActualButton", 30, 91, 69},
};
}

CalibrationDialog::CalibrationDialog(int calibration, QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
    , choices(new QButtonGroup(this))
    , initial(calibration)
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
        button->setChecked(choice.calibration == calibration);
        choices->addButton(button, choice.calibration);
        placements.push_back({button, {choice.x, choice.y, choice.width, 10}});
    }

    auto [ok, cancel] = addOkCancelButtons(this);
    placements.push_back({ok, {133, 117, 50, 14}});
    placements.push_back({cancel, {189, 117, 50, 14}});
    placeInDialogUnits(this, {250, 138}, placements);
}

int CalibrationDialog::calibration() const
{
    int checked = choices->checkedId();
    return checked == -1 ? initial : checked;
}
