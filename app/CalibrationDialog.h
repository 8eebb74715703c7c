#pragma once

#include <QDialog>

class QButtonGroup;

/// The Frequency Calibration dialog: one of three statistics, chosen with radio buttons.
class CalibrationDialog : public QDialog {
public:
    /// Opens with the button of `calibration` checked (none for a value out of range).
    CalibrationDialog(int calibration, QWidget* owner);
    /// The statistic checked now; the one it opened with when none is checked.
    int calibration() const;

private:
    QButtonGroup* choices;
    int initial;
};
