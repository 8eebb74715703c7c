#pragma once

#include "base/RunFeedback.h"

/// One analysis run as the desktop starts it, from the table files to the report: analyzes
/// the big table (the genome's upstream regions), the small table (the gene family's) and
/// every gene file, and writes the report (the index page and one page per listed word) into
/// `reportFolder`, the current folder when it is null. Shows its progress, diagnostics and
/// warnings through `feedback`, and finishes the progress once the report is written.
///
/// Returns "output.html" when the index page was written; null when an input is missing or
/// there are more than 32 gene files (then nothing is shown or read), or when no index page
/// could be written (then the user has been told why). Beside the pages goes words.tsv, the
/// significance of every word class, whose ranking statistic `calibration` chooses (0
/// binomial, 1 Poisson, 2 observed / expected) and whose word lengths `targetLengthMin` to
/// `targetLengthMax` choose (within 6 to 8); the pages are the same whatever they hold.
const char* runAnalysis(const char* bigPath, const char* smallPath, int targetLengthMin, int targetLengthMax,
    int calibration, const char* const* geneFilePaths, int geneFileCount, RunFeedback& feedback,
    const char* reportFolder = nullptr);
