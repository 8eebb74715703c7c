#include "report/ReportWriter.h"

#include "base/AtomicFile.h"
#include "base/RealFormat.h"
#include "report/ReportImages.h"
#include "report/ReportNames.h"

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* subpageError = "Error opening HTML subpage output file";

const char* const colourKey =
    "</b>\n</font>\n</p>\n<table width=\"7%\" border=\"1\" cellspacing=\"0\" cellpadding=\"0\" height=\"146\">\n"
    "<tr>\n<td width=\"32%\">\nKey:</td>\n    <td width=\"68%\">\n&nbsp;</td>\n  </tr>\n"
    "  <tr>\n     <td width=\"32%\">\nA</td>\n    <td width=\"68%\">\n<img src=\"blue.png\" width=\"20\" height=\"20\">\n</td>\n  </tr>\n"
    "  <tr>\n     <td width=\"32%\">\nT</td>\n    <td width=\"68%\">\n<img src=\"green.png\" width=\"20\" height=\"20\">\n</td>\n  </tr>\n"
    "  <tr>\n     <td width=\"32%\">\nC</td>\n    <td width=\"68%\">\n<img src=\"red.png\" width=\"20\" height=\"20\">\n</td>\n  </tr>\n"
    "  <tr>\n     <td width=\"32%\">\nG</td>\n    <td width=\"68%\">\n<img src=\"yellow.png\" width=\"20\" height=\"20\">\n</td>\n  </tr>\n"
    "</table>\n";

/// A page under construction. Pieces of the page's own text have their line breaks written
/// as CR LF; values (words, numbers) go in as they are.
class Page {
public:
    Page& text(const char* piece)
    {
        for (const char* p = piece; *p; ++p) {
            if (*p == '\n')
                bytes += '\r';
            bytes += *p;
        }
        return *this;
    }
    Page& value(std::string_view piece)
    {
        bytes.append(piece);
        return *this;
    }
    Page& real(double number)
    {
        appendReal(bytes, number);
        return *this;
    }
    Page& integer(long long number)
    {
        bytes += std::to_string(number);
        return *this;
    }
    std::string bytes;
};

std::string inFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return (std::filesystem::path(folder) / name).string();
}

/// The detail page of `word`, drawing `matrix`, with its way back to `indexFileName`.
std::string detailPage(std::string_view word, const ProbabilityMatrix& matrix, const char* indexFileName)
{
    Page page;
    page.text("<html>\n<head>\n<title>\nSequence Details</title>\n</head>\n<body bgcolor=\"white\">\n<p>\n<a href=\"")
        .value(indexFileName)
        .text("\">\nBack</a>\n</p>\n<p>\n<font size=\"+2\">\n<b>\nSequence ")
        .value(escapeHtml(word))
        .text(colourKey)
        .text("<table width=\"92%\" border=\"0\" cellspacing=\"0\" cellpadding=\"1\" height=\"317\">\n")
        .text("<tr>");
    const int positions = std::min(static_cast<int>(word.size()), matrix.rowCount());
    for (int k = 0; k < positions; ++k) {
        double pA = matrix.probability(k, 'A');
        double pT = matrix.probability(k, 'T');
        double pC = matrix.probability(k, 'C');
        double pG = matrix.probability(k, 'G');
        page.text("\n<td height=\"304\">\n <table valign=\"top\" width=\"100%\" height=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"1\">\n <tr>\n <td height=\"78\" colspan=\"4\">\n<b>\nPosition ")
            .integer(k + 1)
            .text("</b>\n</td>\n        </tr>\n        <tr>\n           <td height=\"78\" colspan=\"4\">\n<img src=\"blue.png\" width=\"20\" height=\"")
            .real(pA * 100.0)
            .text("%\">\n<img src=\"green.png\" width=\"20\" height=\"")
            .real(pT * 100.0)
            .text("%\">\n<img src=\"red.png\" width=\"20\" height=\"")
            .real(pC * 100.0)
            .text("%\">\n<img src=\"yellow.png\" width=\"20\" height=\"")
            .real(pG * 100.0)
            .text("%\">\n </td>\n</tr>\n<tr>\n <td height=\"78\" colspan=\"4\">\n<p>\nA= ")
            .real(pA)
            .text("</p>\n<p>\nT= ")
            .real(pT)
            .text("</p>\n<p>\nC= ")
            .real(pC)
            .text("</p>\n<p>\nG= ")
            .real(pG)
            .text("</p>\n</td>\n</tr>\n</table>\n</td>\n");
    }
    page.text("</tr>").text("</table>").text("</body></html>");
    return std::move(page.bytes);
}

/// The index page listing the first `rows` of `candidates` with their scores, each linking
/// to its page.
std::string indexPage(const std::vector<WordEntry>& candidates, std::size_t rows)
{
    Page index;
    index.value("<html><head><title>Output</title></head>")
        .value("<body bgcolor=\"white\">")
        .value("<center><img src=\"pageTop.jpg\"></center>")
        .value("<br><hr>The top sequences found by our program are below. You may click on any of them to view the associated probability matrix.<hr><br>")
        .value("<table width=\"498\" border=\"1\" cellspacing=\"0\" height=\"229\">");
    index.value("<td width=\"9%\">").value("Rank").value("</td>");
    index.value("<td width=\"34%\">").value("Sequence").value("</td>");
    for (const char* heading : {"Score 1", "Score 2", "Score 3"})
        index.value("<td width=\"16%\">").value(heading).value("</td>");
    index.value("</tr>");
    for (std::size_t i = 0; i < rows; ++i) {
        const WordEntry& entry = candidates[i];
        const std::string shown = escapeHtml(entry.word.view());
        index.value("<tr>").value("<td width=\"9%\">").integer(static_cast<long long>(i + 1)).value("</td>");
        index.value("<td width=\"34%\">").value("<a href=\"").value(pageFileName(entry.word.view()))
            .value("\">").value(shown).value("</a>").value("</td>");
        for (double score : {entry.score1, entry.score2, entry.score3})
            index.value("<td width=\"16%\">").real(score).value("</td>");
        index.value("</tr>");
    }
    index.value("</table>").value("</body></html>");
    return std::move(index.bytes);
}

} // namespace

namespace {

/// Removes the index page an older report left at `path`, before this report writes anything;
/// false, saying why in `outcome`, when it cannot be removed.
bool removeOldIndex(const std::string& path, ReportOutcome& outcome)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    // A folder in its place is no older report; the index page then cannot be written, after
    // the pages, as ever.
    if (status.type() == std::filesystem::file_type::not_found || status.type() == std::filesystem::file_type::directory)
        return true;
    if (!error)
        std::filesystem::remove(path, error);
    if (error) {
        outcome.status = ReportStatus::Unwritable;
        outcome.message = "cannot replace " + path + ": " + error.message();
        return false;
    }
    outcome.removedOldIndex = true;
    return true;
}

} // namespace

ReportOutcome writeReport(const AnalysisResult& result, const std::string& folder, RunFeedback& feedback,
    const std::function<std::vector<ReportFile>()>& beside, int rowCount, const char* indexFileName)
{
    const std::vector<WordEntry>& candidates = result.candidates;
    const std::vector<ProbabilityMatrix>& matrices = result.matrices;
    ReportOutcome outcome;
    if (candidates.empty() || result.background.empty() || matrices.empty()) {
        outcome.status = ReportStatus::NothingToReport;
        outcome.message = candidates.empty() ? "there are no candidate words"
            : result.background.empty()     ? "the genome's table holds no words"
                                            : "no probability matrix was built";
        return outcome;
    }
    const std::size_t rows = std::min({static_cast<std::size_t>(std::max(rowCount, 0)), candidates.size(), matrices.size()});
    outcome.rowsListed = static_cast<int>(rows);
    const std::string index = indexPage(candidates, rows);

    // The detail pages, the images and the files beside them come first and the index page
    // last, so that an index page is only ever there with everything it leads to. Nothing is
    // written through a link: a link planted under one of the names is replaced, not followed.
    auto write = [&](const std::string& name, std::string_view bytes) {
        const std::string path = inFolder(folder, name);
        const Outcome<WriteStatus> written = writeFileAtomically(path, bytes, LinkPolicy::Replace);
        if (!written.ok()) {
            outcome.status = ReportStatus::Unwritable;
            outcome.message = "cannot write " + path + ": " + written.message;
            return false;
        }
        outcome.written.push_back(path);
        return true;
    };
    const Diagnostics& diagnostics = feedback.diagnostics();
    if (!removeOldIndex(inFolder(folder, indexFileName), outcome)) {
        diagnostics << "Error opening HTML output file" << '\n';
        return outcome;
    }
    for (std::size_t j = 0; j < rows; ++j) {
        const std::string_view word = candidates[j].word.view();
        if (!write(pageFileName(word), detailPage(word, matrices[j], indexFileName))) {
            diagnostics << subpageError << '\n';
            feedback.warn(criticalErrorCaption, subpageError);
            return outcome;
        }
        ++outcome.pagesWritten;
    }
    // The pages show the program's own images; an image already there is left alone.
    for (const ReportImage& image : reportImages()) {
        std::error_code ignored;
        if (!std::filesystem::exists(std::filesystem::symlink_status(inFolder(folder, image.fileName), ignored))
            && !write(image.fileName, image.bytes))
            return outcome;
    }
    for (const auto& [name, bytes] : beside())
        if (!write(name, bytes))
            return outcome;
    if (!write(indexFileName, index))
        diagnostics << "Error opening HTML output file" << '\n';
    return outcome;
}

void warnNoReport(const ReportOutcome& outcome, const std::string& folder, RunFeedback& feedback)
{
    std::error_code error;
    std::filesystem::path shown = !folder.empty() ? std::filesystem::path(folder) : std::filesystem::current_path(error);
    std::filesystem::path absolute = std::filesystem::absolute(shown, error);
    std::string text = "No report was written in " + (error ? shown : absolute).string() + ": " + outcome.message + ".";
    if (!outcome.written.empty())
        text += " The folder holds " + std::to_string(outcome.written.size()) + " files of this run and no index page"
            + (outcome.removedOldIndex ? ", an older one removed first." : ".");
    else if (outcome.removedOldIndex)
        text += " Nothing of this run was written; an older index page there was removed.";
    else
        text += " Nothing was written; an older report there is as it was.";
    feedback.warn(outcome.rowsListed > 0 ? criticalErrorCaption : processDataCaption, text);
}
