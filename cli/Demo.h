#pragma once

#include "cli/CommandSupport.h"

#include <ostream>
#include <string>

/// The example the project ships, run end to end: makes a small deterministic data set (a
/// genome of upstream sequences and a family of them carrying a planted motif), exports it,
/// runs the analysis into `folder` and tells on `out` where the report is and whether the
/// motif was found, drawing the analysis's progress bar on `err` when it is a terminal.
/// Returns the exit status.
int runDemo(const std::string& folder, std::ostream& out, std::ostream& err, Verbosity verbosity = Verbosity::Normal,
    bool errIsTerminal = false);

/// The motif the demo plants in the family's sequences.
inline constexpr const char* demoMotif = "TAATCC";
