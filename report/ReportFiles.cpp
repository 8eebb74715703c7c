#include "report/ReportFiles.h"

#include "analysis/MotifFormats.h"
#include "base/Numbers.h"
#include "report/MotifFiles.h"
#include "report/PositionsTable.h"
#include "report/SiteTables.h"
#include "report/WordsTable.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

std::vector<ReportFile> reportFiles(const AnalysisResult& result, const SummaryDetails& details)
{
    const ReportMotifs listed = reportMotifs(result);
    std::vector<ReportFile> files;
    files.emplace_back(wordsTableName, wordsTable(result));
    files.emplace_back(motifTableName, motifTable(result));
    if (result.positions) {
        files.emplace_back(positionsTableName, positionsTable(result));
        files.emplace_back(sitesBedName, sitesBed(result));
        files.emplace_back(genesTableName, genesTable(result));
    }
    files.emplace_back(memeFileName, memeText(listed.motifs, result.baseFrequencies, result.significance.strand == Strand::Both));
    files.emplace_back(jasparFileName, jasparText(listed.motifs));
    files.emplace_back(transfacFileName, transfacText(listed.motifs, listed.descriptions));
    files.emplace_back(summaryPageName, summaryPage(result, details));
    return files;
}

std::string runDate()
{
    // SOURCE_DATE_EPOCH, when set to a number of seconds, stands for the time, so that runs
    // can be made to give the same files byte for byte.
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        const ParsedInteger seconds = parseInteger(epoch);
        if (seconds.digits && !seconds.overflow && seconds.end == std::strlen(epoch) && seconds.value >= 0)
            now = static_cast<std::time_t>(seconds.value);
    }
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}
