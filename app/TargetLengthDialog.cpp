#include "app/TargetLengthDialog.h"

#include "app/DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <climits>

namespace {
constexpr const char* caption = "Target Length";
constexpr const char* explanation =
    "Select length range of target regulatory gene. Genes of length 6-8 are recommended.";
constexpr const char* rangeText = "Length Range:";
constexpr const char* toText = "to";
// The fields have always held at most 79 characters.
constexpr int fieldLength = 79;

QLineEdit* lengthField(int value, const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(fieldLength);
    return field;
}
}

TargetLengthDialog::TargetLengthDialog(int targetLengthMin, int targetLengthMax, QWidget* owner)
    : QDialog(owner, fixedDialogFlags)
{
    setObjectName(QStringLiteral("targetLengthDialog"));
    setWindowTitle(QString::fromLatin1(caption));
    auto* text = new QLabel(QString::fromLatin1(explanation), this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* range = new QLabel(QString::fromLatin1(rangeText), this);
    minimum = lengthField(targetLengthMin, "minimumField", this);
    auto* to = new QLabel(QString::fromLatin1(toText), this);
    maximum = lengthField(targetLengthMax, "maximumField", this);

    auto [ok, cancel] = addOkCancelButtons(this);
    placeInDialogUnits(this, {189, 89},
        {{text, {15, 15, 153, 18}}, {range, {15, 40, 48, 8}}, {minimum, {67, 37, 40, 14}}, {to, {113, 40, 8, 8}},
            {maximum, {129, 36, 40, 14}}, {ok, {74, 68, 50, 14}}, {cancel, {132, 67, 50, 14}}});
}

int TargetLengthDialog::targetLengthMin() const
{
    return decimalValue(minimum->text());
}

int TargetLengthDialog::targetLengthMax() const
{
    return decimalValue(maximum->text());
}

int decimalValue(const QString& text)
{
    qsizetype at = 0;
    auto isSpace = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
    };
    while (at < text.size() && isSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    // Gathered as a negative number, whose range reaches INT_MIN.
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 - (text[at].unicode() - u'0');
        if (value < INT_MIN)
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        return static_cast<int>(value);
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}
