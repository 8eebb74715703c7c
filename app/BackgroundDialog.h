#pragma once

#include "app/ShellSettings.h"

#include <QDialog>

class QButtonGroup;
class QSpinBox;

/// The Background dialog: what stands for the genome in every run. The big file; a Markov
/// model of an order, fitted on the family (or on the big file when one is open); or
/// dinucleotide shuffles of the family, so many of each sequence, from a seed.
class BackgroundDialog : public QDialog {
public:
    /// Opens showing `choice`.
    BackgroundDialog(const BackgroundChoice& choice, QWidget* owner);
    /// The choice as the dialog holds it now.
    BackgroundChoice choice() const;

private:
    QButtonGroup* kinds;
    QSpinBox* order;
    QSpinBox* shuffles;
    QSpinBox* seed;
};
