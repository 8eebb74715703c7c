#pragma once

#include "analysis/Significance.h"

#include <QDialog>

class QButtonGroup;

/// The Frequency Calibration dialog: one of three statistics, chosen with radio buttons.
class CalibrationDialog : public QDialog {
public:
    /// Opens with the button of `statistic` checked (none for a value out of range).
    CalibrationDialog(Statistic statistic, QWidget* owner);
    /// The statistic checked now; the one it opened with when none is checked.
    Statistic statistic() const;

private:
    QButtonGroup* choices;
    Statistic initial;
};
