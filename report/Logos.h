#pragma once

#include "analysis/Motif.h"

#include <string>

/// Appends the SVG symbols the logos draw with, block letters A, C, G and T and the logos'
/// shared axis, in a hidden <svg>; a page holds them once, before its first logo.
void appendLogoSymbols(std::string& out);

/// Appends the sequence logos of `motif` and of its reverse complement, each a figure with
/// its caption, labelled with `shownName` (already escaped); with a non-empty `link`, each
/// logo leads there. A motif without positions gets a note instead.
void appendLogoPair(std::string& out, const Motif& motif, const std::string& shownName, const std::string& link);

/// Appends an SVG coordinate with at most two decimals and no trailing zeros, to keep the
/// markup of some sixty logos and charts small.
void appendCoordinate(std::string& out, double value);
