#include "app/BackgroundDialog.h"

#include "analysis/MarkovModel.h"
#include "app/DialogUnits.h"
#include "run/Run.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <climits>

namespace {
constexpr const char* caption = "Background";
constexpr const char* explanation =
    "What stands for the genome: the big file, or, with the family alone, a Markov model of it or shuffles of its "
    "sequences that keep their pairs of neighbours. A model is fitted on the big file when one is open. Against the "
    "family's own composition, repeats and elements common to all promoters stand out too.";

enum Kind { Genome = 0, Markov = 1, Shuffles = 2 };

QSpinBox* spinBox(QWidget* owner, const char* name, int least, int most, int value)
{
    auto* box = new QSpinBox(owner);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(least, most);
    box->setValue(value);
    return box;
}
}

BackgroundDialog::BackgroundDialog(const BackgroundChoice& choice, QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
    , kinds(new QButtonGroup(this))
    , order(spinBox(this, "markovOrder", 0, MarkovModel::maximumOrder, choice.markovOrder.value_or(3)))
    , shuffles(spinBox(this, "shuffleCount", 1, maximumShuffles, choice.shuffles.value_or(defaultShuffles)))
    , seed(spinBox(this, "shuffleSeed", 0, INT_MAX, static_cast<int>(std::min<std::uint64_t>(choice.seed, INT_MAX))))
{
    setObjectName(QStringLiteral("backgroundDialog"));
    setWindowTitle(QString::fromLatin1(caption));
    auto* text = new QLabel(QString::fromLatin1(explanation), this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* genome = new QRadioButton(QStringLiteral("The big file (the genome's upstream regions)"), this);
    genome->setObjectName(QStringLiteral("genomeButton"));
    auto* markov = new QRadioButton(QStringLiteral("A Markov model of order"), this);
    markov->setObjectName(QStringLiteral("markovButton"));
    auto* shuffled = new QRadioButton(QStringLiteral("Dinucleotide shuffles:"), this);
    shuffled->setObjectName(QStringLiteral("shuffleButton"));
    kinds->addButton(genome, Genome);
    kinds->addButton(markov, Markov);
    kinds->addButton(shuffled, Shuffles);
    (choice.shuffles ? shuffled : choice.markovOrder ? markov : genome)->setChecked(true);
    auto* each = new QLabel(QStringLiteral("of each sequence"), this);
    auto* seedLabel = new QLabel(QStringLiteral("Seed:"), this);
    seedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A number only matters for its own choice.
    const auto follow = [this] {
        order->setEnabled(kinds->checkedId() == Markov);
        shuffles->setEnabled(kinds->checkedId() == Shuffles);
        seed->setEnabled(kinds->checkedId() == Shuffles);
    };
    connect(kinds, &QButtonGroup::idClicked, this, follow);
    follow();

    auto [ok, cancel] = addOkCancelButtons(this);
    placeInDialogUnits(this, {250, 150},
        {{text, {7, 7, 236, 44}}, {genome, {12, 56, 200, 10}}, {markov, {12, 72, 85, 10}}, {order, {98, 70, 36, 13}},
            {shuffled, {12, 90, 85, 10}}, {shuffles, {98, 88, 36, 13}}, {each, {138, 90, 80, 10}},
            {seedLabel, {60, 108, 35, 10}}, {seed, {98, 106, 54, 13}}, {ok, {133, 129, 50, 14}},
            {cancel, {189, 129, 50, 14}}});
}

BackgroundChoice BackgroundDialog::choice() const
{
    BackgroundChoice chosen;
    chosen.seed = static_cast<std::uint64_t>(seed->value());
    if (kinds->checkedId() == Markov)
        chosen.markovOrder = order->value();
    if (kinds->checkedId() == Shuffles)
        chosen.shuffles = shuffles->value();
    return chosen;
}
