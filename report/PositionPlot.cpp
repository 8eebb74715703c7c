#include "report/PositionPlot.h"

#include "base/RealFormat.h"
#include "report/Logos.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// The chart's frame: the plot area lies between these, in SVG units.
constexpr double chartWidth = 420;
constexpr double chartHeight = 150;
constexpr double plotLeft = 44;
constexpr double plotRight = chartWidth - 8;
constexpr double plotTop = 10;
constexpr double plotBottom = chartHeight - 40;
/// At most this many position labels under the bars.
constexpr int mostLabels = 7;

/// A round number at or above `value`: 1, 2 or 5 times a power of ten.
double roundedUp(double value)
{
    if (value <= 1.0)
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= value)
            return step * power;
    return 10.0 * power;
}

std::string positionText(int position)
{
    // A minus sign, not a hyphen, before a position upstream of the anchor.
    return position < 0 ? "&minus;" + std::to_string(-position) : std::to_string(position);
}

} // namespace

std::string positionalP(const PositionProfile& profile)
{
    if (profile.total == 0)
        return "no sites";
    return formatFromLog10(profile.log10P);
}

namespace {

/// The plot's columns: bins left to right as their positions run, so from the far end to the
/// anchor's bin when counting from the end; and its scale.
struct Layout {
    int count = 0;
    Anchor anchor = Anchor::End;
    double top = 1.0;
    double step = 1.0;
    int binAt(int column) const { return anchor == Anchor::End ? count - 1 - column : column; }
    double yOf(double value) const { return plotBottom - (plotBottom - plotTop) * value / top; }
    double xOf(double column) const { return plotLeft + column * step; }
};

void appendBars(std::string& out, const PositionProfile& profile, const Layout& layout)
{
    const double inset = std::min(1.0, layout.step * 0.15);
    out += "<g fill=\"#255C99\">";
    for (int column = 0; column < layout.count; ++column) {
        const double sites = static_cast<double>(profile.sites[static_cast<std::size_t>(layout.binAt(column))]);
        if (sites == 0.0)
            continue;
        out += "<rect x=\"";
        appendCoordinate(out, layout.xOf(column) + inset);
        out += "\" y=\"";
        appendCoordinate(out, layout.yOf(sites));
        out += "\" width=\"";
        appendCoordinate(out, std::max(0.3, layout.step - 2 * inset));
        out += "\" height=\"";
        appendCoordinate(out, plotBottom - layout.yOf(sites));
        out += "\"/>";
    }
    out += "</g>";
    // The expected sites, a step line over the bars.
    out += "<path fill=\"none\" stroke=\"#d0792c\" stroke-width=\"1.5\" d=\"";
    for (int column = 0; column < layout.count; ++column) {
        const auto bin = static_cast<std::size_t>(layout.binAt(column));
        out += column == 0 ? "M" : "L";
        appendCoordinate(out, layout.xOf(column));
        out += ' ';
        appendCoordinate(out, layout.yOf(bin < profile.expected.size() ? profile.expected[bin] : 0.0));
        out += 'H';
        appendCoordinate(out, layout.xOf(column + 1));
    }
    out += "\"/>";
}

/// Position labels at the left edges of some bins, each the bin's first position (the
/// anchor's bin always has one), and the axis' caption.
void appendPositionAxis(std::string& out, const PositionBins& bins, const Layout& layout)
{
    const int every = std::max(1, (layout.count + mostLabels - 1) / mostLabels);
    out += "<g text-anchor=\"middle\">";
    for (int column = 0; column < layout.count; ++column) {
        const int bin = layout.binAt(column);
        if (bin % every != 0)
            continue;
        out += "<text x=\"";
        appendCoordinate(out, layout.xOf(column));
        out += "\" y=\"124\">" + positionText(bins.from(bin)) + "</text>";
    }
    out += "</g><text x=\"228\" y=\"143\" text-anchor=\"middle\">";
    out += bins.anchor == Anchor::End ? "position from the sequences' end (bases)" : "position from the sequences' start (bases)";
    out += "</text>";
}

/// The caption: the busiest bin against its expectation, and P.
void appendCaption(std::string& out, const PositionProfile& profile, const PositionBins& bins)
{
    out += "<figcaption>";
    if (profile.total == 0) {
        out += "no sites</figcaption></figure>\n";
        return;
    }
    const auto busiest = static_cast<std::size_t>(
        std::max_element(profile.sites.begin(), profile.sites.end()) - profile.sites.begin());
    const int bin = static_cast<int>(busiest);
    out += std::to_string(profile.total) + " sites; most at " + positionText(bins.from(bin)) + " to "
        + positionText(bins.to(bin)) + " (" + std::to_string(profile.sites[busiest]) + ", ";
    appendNumber(out, busiest < profile.expected.size() ? profile.expected[busiest] : 0.0, std::chars_format::fixed, 1);
    out += " expected) &middot; positional P = " + positionalP(profile) + "</figcaption></figure>\n";
}

} // namespace

void appendPositionPlot(std::string& out, const PositionProfile& profile, const PositionBins& bins,
    const std::string& label)
{
    Layout layout;
    layout.count = static_cast<int>(profile.sites.size());
    layout.anchor = bins.anchor;
    if (layout.count == 0)
        return;
    double highest = 0.0;
    for (std::size_t b = 0; b < profile.sites.size(); ++b)
        highest = std::max({highest, static_cast<double>(profile.sites[b]),
            b < profile.expected.size() ? profile.expected[b] : 0.0});
    layout.top = roundedUp(highest);
    layout.step = (plotRight - plotLeft) / layout.count;

    out += "<figure><svg class=\"pos\" viewBox=\"0 0 420 150\" width=\"420\" height=\"150\" role=\"img\" aria-label=\""
        + label + " sites by position\">";
    out += "<path d=\"M44 10V110H412\" stroke=\"#8a95a3\" fill=\"none\"/><g text-anchor=\"end\"><text x=\"40\" y=\"113\">0</text>"
           "<text x=\"40\" y=\"14\">";
    appendNumber(out, layout.top, std::chars_format::general, 6);
    out += "</text></g><text x=\"12\" y=\"60\" transform=\"rotate(-90 12 60)\" text-anchor=\"middle\">sites</text>";
    appendBars(out, profile, layout);
    appendPositionAxis(out, bins, layout);
    out += "</svg>";
    appendCaption(out, profile, bins);
}
