#include "report/Logos.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Logo geometry in SVG units. Two bits of information, a column of one letter only, are
// logoBits tall; the axis labels sit left of logoLeft, the position numbers below.
constexpr double logoLeft = 30;
constexpr double logoTop = 6;
constexpr double logoBits = 100;
constexpr double logoColumn = 22;
constexpr double logoGap = 1;
constexpr double logoBottom = 18;
constexpr double logoBaseline = logoTop + logoBits;
// The shared axis, "ax" below, is drawn for this frame: a tick every half bit from y 6 to 106.
static_assert(logoTop == 6 && logoBits == 100 && logoLeft == 30);

// Block letters drawn in a 100 x 100 box, defined once; <use> stretches each to its height
// in a column. Then the axis every logo shares.
const char* const symbols = R"svg(<svg class="defs" aria-hidden="true"><defs>
<symbol id="A" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#109648" fill-rule="evenodd" d="M0 100L38 0H62L100 100H77L67.5 75H32.5L23 100ZM40.1 55H59.9L50 29Z"/></symbol>
<symbol id="C" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#255C99" d="M88.3 17.9A50 50 0 1 0 88.3 82.1L71.4 68A28 28 0 1 1 71.4 32Z"/></symbol>
<symbol id="G" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#F7B32B" d="M88.3 17.9A50 50 0 1 0 100 50H54V66H73A28 28 0 1 1 71.4 32Z"/></symbol>
<symbol id="T" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#D62839" d="M0 0H100V20H61V100H39V20H0Z"/></symbol>
<g id="ax" fill="#5b6776"><path d="M27.5 6V106M24 6H27.5M24 31H27.5M24 56H27.5M24 81H27.5M24 106H27.5" stroke="#8a95a3" fill="none"/><text x="22" y="109.5" text-anchor="end">0</text><text x="22" y="59.5" text-anchor="end">1</text><text x="22" y="9.5" text-anchor="end">2</text><text transform="rotate(-90)" x="-56" y="9" text-anchor="middle">bits</text></g>
</defs></svg>
)svg";

/// Appends one letter column of a logo at column `position`. The column is as tall as its
/// information content, 2 minus the entropy in bits; each letter takes its probability's
/// share, smallest at the bottom.
void appendLogoColumn(std::string& out, const BaseWeights& probabilities, std::size_t position)
{
    // A weight below 0 or not a finite number has no share, so that the column keeps within
    // the logo's two bits whatever the counts held.
    BaseWeights p {};
    double sum = 0.0;
    for (std::size_t b = 0; b < 4; ++b) {
        p[b] = std::isfinite(probabilities[b]) && probabilities[b] > 0.0 ? probabilities[b] : 0.0;
        sum += p[b];
    }
    double entropy = 0.0;
    for (double& share : p) {
        share = sum > 0.0 ? share / sum : 0.25;
        if (share > 0.0)
            entropy -= share * std::log2(share);
    }
    const double information = std::clamp(2.0 - entropy, 0.0, 2.0);
    std::array<std::size_t, 4> order {0, 1, 2, 3};
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    const double x = logoLeft + static_cast<double>(position) * logoColumn + logoGap;
    double bottom = logoBaseline;
    for (std::size_t b : order) {
        const double height = p[b] * information * logoBits / 2.0;
        if (std::llround(height * 100.0) == 0)
            continue;
        bottom -= height;
        out += "<use href=\"#";
        out += motifLetters[b];
        out += "\" x=\"";
        appendCoordinate(out, x);
        out += "\" y=\"";
        appendCoordinate(out, bottom);
        out += "\" width=\"";
        appendCoordinate(out, logoColumn - 2 * logoGap);
        out += "\" height=\"";
        appendCoordinate(out, height);
        out += "\"/>";
    }
}

/// Appends the sequence logo of `rows`, probabilities, as an inline SVG; `label` is escaped.
void appendLogo(std::string& out, const std::vector<BaseWeights>& rows, const std::string& label)
{
    const double width = logoLeft + static_cast<double>(rows.size()) * logoColumn + 4;
    const double height = logoBaseline + logoBottom;
    std::string size;
    appendCoordinate(size, width);
    out += "<svg class=\"logo\" viewBox=\"0 0 " + size + ' ';
    appendCoordinate(out, height);
    out += "\" width=\"" + size + "\" height=\"";
    appendCoordinate(out, height);
    out += "\" role=\"img\" aria-label=\"" + label + "\"><use href=\"#ax\"/><path d=\"M27.5 106H";
    appendCoordinate(out, width - 2);
    out += "\" stroke=\"#8a95a3\"/>";
    for (std::size_t i = 0; i < rows.size(); ++i)
        appendLogoColumn(out, rows[i], i);
    out += "<g text-anchor=\"middle\">";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += "<text x=\"";
        appendCoordinate(out, logoLeft + (static_cast<double>(i) + 0.5) * logoColumn);
        out += "\" y=\"";
        appendCoordinate(out, logoBaseline + 13);
        out += "\">" + std::to_string(i + 1) + "</text>";
    }
    out += "</g></svg>";
}

} // namespace

void appendCoordinate(std::string& out, double value)
{
    const long long hundredths = std::llround(value * 100.0);
    if (hundredths < 0)
        out += '-';
    const long long magnitude = hundredths < 0 ? -hundredths : hundredths;
    out += std::to_string(magnitude / 100);
    const long long fraction = magnitude % 100;
    if (fraction != 0) {
        out += '.';
        out += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0)
            out += static_cast<char>('0' + fraction % 10);
    }
}

void appendLogoSymbols(std::string& out)
{
    out += symbols;
}

/// Appends the logos of `motif` and of its reverse complement, each a figure; with a
/// non-empty `link`, each logo leads there.
void appendLogoPair(std::string& out, const Motif& motif, const std::string& shownName, const std::string& link)
{
    if (motif.counts.empty()) {
        out += "<p class=\"note\">The matrix has no positions.</p>\n";
        return;
    }
    const Motif reverse = reverseComplementOf(motif);
    const struct {
        const Motif* motif;
        const char* caption;
    } sides[] = {{&motif, "forward"}, {&reverse, "reverse complement"}};
    out += "<div class=\"logos\">";
    for (const auto& side : sides) {
        out += "<figure>";
        if (!link.empty())
            out += "<a href=\"" + link + "\">";
        appendLogo(out, frequenciesOf(*side.motif), "Logo of " + shownName + ", " + side.caption);
        if (!link.empty())
            out += "</a>";
        out += "<figcaption>" + std::string(side.caption) + "</figcaption></figure>";
    }
    out += "</div>\n";
}
