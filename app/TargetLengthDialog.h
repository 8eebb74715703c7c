#pragma once

#include <QDialog>

class QLineEdit;

/// The Target Length dialog: the lower and upper end of the target word length range.
class TargetLengthDialog : public QDialog {
public:
    TargetLengthDialog(int targetLengthMin, int targetLengthMax, QWidget* owner);
    /// The lower end as typed, read as a decimal number (see decimalValue).
    int targetLengthMin() const;
    /// The upper end, read the same way.
    int targetLengthMax() const;

private:
    QLineEdit* minimum;
    QLineEdit* maximum;
};

/// Reads `text` as C's decimal conversion does: leading white space skipped, an optional
/// sign, then digits up to the first other character; 0 when there are no digits. Values
/// beyond the range of int are held at its ends.
int decimalValue(const QString& text);
