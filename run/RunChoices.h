#pragma once

#include "export/InputKind.h"
#include "run/Run.h"

#include <string>
#include <vector>

/// Why `request` asks for what no run does (too many gene files, word lengths out of range,
/// a background that cannot be made); empty when it does not.
std::string requestProblem(const RunRequest& request);

/// Why the Markov model or the shuffles `request` asks for, or their absence, cannot be:
/// an order out of range or above what its shortest words allow, shuffles out of range,
/// both at once, BIG given to shuffles or missing without either, or a choice a model
/// cannot serve (spaced pairs, words on their own strand); empty when they can.
std::string backgroundProblem(const RunRequest& request);

/// Why the statistic, the strand, the sites' bins, the spaced pairs or the masking `request`
/// asks for cannot serve inputs of the kinds `kinds` (big, small, then the genes), the family
/// being FASTA when `fastaFamily`; empty when they can.
std::string choiceProblem(const RunRequest& request, const std::vector<InputKind>& kinds, bool fastaFamily);
