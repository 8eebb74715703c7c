#include "app/DialogUnits.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// How far the units may be stretched across to keep a wrapped text within its lines.
constexpr double widestStretch = 1.6;
constexpr double stretchStep = 0.02;

const QLabel* wrappedLabel(const QWidget* widget)
{
    auto* label = qobject_cast<const QLabel*>(widget);
    return label && label->wordWrap() ? label : nullptr;
}

/// The width the widget's one-line text needs; 0 for widgets without one.
int neededWidth(const QWidget* widget)
{
    QFontMetrics metrics(widget->font());
    if (auto* push = qobject_cast<const QPushButton*>(widget))
        return metrics.horizontalAdvance(push->text()) + 2 * metrics.averageCharWidth();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->sizeHint().width();
    if (auto* label = qobject_cast<const QLabel*>(widget); label && !label->wordWrap())
        return metrics.horizontalAdvance(label->text());
    return 0;
}

bool wrappedTextFits(const std::vector<Placement>& placements, const DialogUnits& units)
{
    return std::all_of(placements.begin(), placements.end(), [&units](const Placement& placement) {
        const QLabel* label = wrappedLabel(placement.widget);
        if (!label)
            return true;
        QSize room = units.size(placement.units.width(), placement.units.height());
        return label->heightForWidth(room.width()) <= room.height();
    });
}

} // namespace

DialogUnits::DialogUnits(const QFont& font, double widthScale, double heightScale)
{
    QFontMetrics metrics(font);
    // The average over the 52 letters, rounded, as dialog units have always been measured.
    int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth = (letters / 26 + 1) / 2 * widthScale;
    baseHeight = metrics.height() * heightScale;
}

QPoint DialogUnits::point(int x, int y) const
{
    return {static_cast<int>(std::lround(x * baseWidth / 4)), static_cast<int>(std::lround(y * baseHeight / 8))};
}

QSize DialogUnits::size(int width, int height) const
{
    return {static_cast<int>(std::lround(width * baseWidth / 4)), static_cast<int>(std::lround(height * baseHeight / 8))};
}

QRect DialogUnits::rect(int x, int y, int width, int height) const
{
    return {point(x, y), size(width, height)};
}

void placeInDialogUnits(QWidget* window, QSize size, const std::vector<Placement>& placements)
{
    const QFont font = window->font();
    DialogUnits plain(font);
    double across = 1.0;
    for (const Placement& placement : placements) {
        int room = plain.size(placement.units.width(), placement.units.height()).width();
        if (room > 0)
            across = std::max(across, static_cast<double>(neededWidth(placement.widget)) / room);
    }
    while (!wrappedTextFits(placements, DialogUnits(font, across)) && across < widestStretch)
        across += stretchStep;
    double down = 1.0;
    DialogUnits wide(font, across);
    for (const Placement& placement : placements) {
        if (const QLabel* label = wrappedLabel(placement.widget)) {
            QSize room = wide.size(placement.units.width(), placement.units.height());
            if (room.height() > 0)
                down = std::max(down, static_cast<double>(label->heightForWidth(room.width())) / room.height());
        }
    }
    DialogUnits units(font, across, down);
    for (const Placement& placement : placements) {
        const QRect& r = placement.units;
        placement.widget->setGeometry(units.rect(r.x(), r.y(), r.width(), r.height()));
    }
    window->setFixedSize(units.size(size.width(), size.height()));
}

DialogButtons addOkCancelButtons(QDialog* dialog)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}
