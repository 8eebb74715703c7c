#pragma once

/// The name of the report's index page.
inline constexpr const char* reportIndexName = "output.html";

/// One analysis run: loads the big table (the genome's upstream regions), the small table
/// (the gene family's) and every gene file (all DTable files), scores, ranks and refines the
/// candidates, and writes the report (the index page and one page per listed word) into
/// `reportFolder`, the current folder when it is null. Steps the progress display and tells
/// the user of problems through the warning notifier.
///
/// Returns "output.html" when the index page was written; null when an input is missing
/// (then nothing is shown or read) or when no index page could be written (then the user
/// has been told why). `targetLengthMin`, `targetLengthMax` and `calibration` are carried
/// for the front ends; the run computes the same whatever they hold.
const char* runAnalysis(const char* bigPath, const char* smallPath, int targetLengthMin, int targetLengthMax,
    int calibration, const char* const* geneFilePaths, int geneFileCount, const char* reportFolder = nullptr);
