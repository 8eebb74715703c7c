#pragma once

#include <QPoint>
#include <Qt>
#include <QRect>
#include <QSize>

#include <vector>

class QDialog;
class QFont;
class QPushButton;
class QWidget;

/// The shell's windows are laid out in dialog units: a quarter of the font's average
/// character width across and an eighth of its line height down, so that they keep their
/// proportions with whatever font the desktop uses.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font, double widthScale = 1.0, double heightScale = 1.0);
    QPoint point(int x, int y) const;
    QSize size(int width, int height) const;
    QRect rect(int x, int y, int width, int height) const;

private:
    double baseWidth;
    double baseHeight;
};

/// The frame of the shell's dialogs: a caption with a close box, fixed in size.
inline constexpr Qt::WindowFlags fixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

/// A widget and its rectangle in dialog units.
struct Placement {
    QWidget* widget;
    QRect units;
};

/// Places each widget at its rectangle and gives `window` the fixed size `size`, all in
/// dialog units of the window's font. Where a text would not fit its rectangle in that
/// font, the units are stretched alike for every widget, so the layout keeps its shape:
/// across for one-line texts and wrapped texts that would need more lines, down for
/// wrapped texts that still do.
void placeInDialogUnits(QWidget* window, QSize size, const std::vector<Placement>& placements);

/// The settings dialogs' two buttons: "OK", the default, accepts; "Cancel" rejects.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};
DialogButtons addOkCancelButtons(QDialog* dialog);
