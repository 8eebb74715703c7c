#pragma once

#include "analysis/Positions.h"

#include <string>

/// Appends where `profile`'s sites lie, binned by `bins`, as a figure: an inline SVG bar
/// chart (bins in the order of their positions, sites per bin as bars, the sites expected
/// from the windows as a line) with labelled axes, and a line naming the busiest bin and the
/// positional P. `label` (already escaped) names the item for screen readers.
void appendPositionPlot(std::string& out, const PositionProfile& profile, const PositionBins& bins,
    const std::string& label);

/// The positional P of `profile` as the summary writes it: "1.2e-5", or "no sites".
std::string positionalP(const PositionProfile& profile);
