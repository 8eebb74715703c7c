#pragma once

#include "analysis/Analysis.h"

#include <string>
#include <string_view>
#include <vector>

/// The name of the file of word classes a report holds beside its pages.
inline constexpr const char* wordsTableName = "words.tsv";

/// The columns of the words table's header line, in order: with `perSequence` (a family of
/// sequences) those that count sequences too.
std::vector<std::string> wordsTableColumns(bool perSequence);

/// The words table of `result`: lines starting with "#" telling the program, the inputs, the
/// windows and classes per length, the statistic and the pseudo-count rule; a header line;
/// then one tab-separated row per observed word class, most significant first. E-values and
/// q-values are written from their logarithms, so that none below the double range reads 0.
std::string wordsTable(const AnalysisResult& result);
