#include "report/SummaryPage.h"

#include "analysis/KnownMatch.h"
#include "analysis/Significance.h"
#include "base/RealFormat.h"
#include "base/Text.h"
#include "report/Logos.h"
#include "report/PositionPlot.h"
#include "report/PositionsTable.h"
#include "report/SiteTables.h"
#include "report/MotifFiles.h"
#include "report/ReportAssets.h"
#include "report/ReportNames.h"
#include "report/ReportWriter.h"
#include "report/WordsTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

/// `text` for the page: control bytes as \xNN (a file or record name may hold any), then
/// HTML's special characters escaped.
std::string escapeText(std::string_view text)
{
    return escapeHtml(escapeControlBytes(text));
}


/// Member words an assembled motif lists before it only counts the rest.
constexpr std::size_t shownMembers = 30;

// The page up to its style sheet, report/assets/summary.css, which ends with its newline.
const char* const pageStart = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Seqlark summary</title>
<style>
)html";
const char* const pageHeadEnd = "</style>\n</head>\n<body>\n";

/// What the best member of `motif` is: a word or a spaced pair.
const char* bestKind(const AnalysisResult& result, const AssembledMotif& motif)
{
    const std::vector<WordClass>& classes = result.significance.classes;
    return !motif.members.empty() && motif.members.front().classIndex < classes.size()
            && classes[motif.members.front().classIndex].dyad()
        ? "pair"
        : "word";
}

const char* const assemblyExplanation =
    "<p class=\"note\">Built from the word classes of sig &ge; 0, taken in rank order. A motif is a stack of aligned "
    "words whose columns count the members' letters, each weighted by the member's observed count. A class joins the "
    "motif that its word or its reverse complement matches best at some shift, when all but at most one of its letters "
    "match: a letter matches a column where it holds at least a third of the weight, and a letter off either end does "
    "not match, so a class extends a motif by one position at most, or by one at each end when it holds the whole motif "
    "(of equal matches the earlier motif wins). A class "
    "that joins none starts a new motif, up to ";
const char* const pairAssemblyExplanation =
    " Spaced pairs join as words do, their spacer (n) matching any letter of a motif of words and adding nothing there; "
    "a pair that starts a motif takes the pairs of its spacer, whose spacers match its own, and pairs of other spacers "
    "when at least four of their letters fall on the motif's letters, all of them matching (the pairs of one site). "
    "Columns that spacers cover and letters hardly fill hold the four letters equally and read n.";
const char* const assemblyExplanationEnd =
    " Each motif shows its core: the columns from the first to the last carrying at least 45% of the heaviest "
    "column's weight. In the member lists, + marks a class's word and &minus; its reverse complement, each shown where "
    "it lies.</p>\n";

/// Appends a sort key: the shortest text that reads back as `value`.
void appendKey(std::string& out, double value)
{
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value + 0.0);
    out.append(text, written.ptr);
}

/// "1 word class" or "3 word classes".
std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

const char* loadProblem(LoadStatus status)
{
    switch (status) {
    case LoadStatus::Loaded:
        return nullptr;
    case LoadStatus::CannotOpen:
        return "could not be opened";
    case LoadStatus::NotATable:
        return "is not a table";
    case LoadStatus::BadBucketCount:
        return "has a bad bucket count";
    }
    return "could not be read";
}

/// Appends what `matches[i]` says of the known motif closest to motif i, when any was compared.
void appendKnownMatch(std::string& out, const AnalysisResult& result, const std::vector<MotifMatch>& matches, std::size_t i)
{
    if (result.known.empty())
        return;
    // A match pointing past the known motifs is treated as none rather than read out of range.
    if (i >= matches.size() || !matches[i].found || matches[i].index >= result.known.size()) {
        out += "<p class=\"meta\">No known motif overlaps it far enough to compare.</p>\n";
        return;
    }
    const MotifMatch& match = matches[i];
    const Motif& known = result.known[match.index];
    // Only a match better than chance names the known motif; another is the best candidate.
    const bool named = match.log10E <= std::log10(namedKnownE) + 1e-12;
    out += named ? "<p class=\"meta\">Closest known motif: <b>" + escapeText(known.id) + "</b>"
                 : "<p class=\"meta\">No close match; the best candidate is " + escapeText(known.id);
    if (!known.name.empty() && known.name != known.id)
        out += " (" + escapeText(known.name) + ')';
    out += ", E-value " + formatFromLog10(match.log10E) + ", correlation ";
    appendNumber(out, match.correlation + 0.0, std::chars_format::fixed, 3);
    out += " over " + counted(static_cast<std::size_t>(std::max(match.overlap, 0)), "column", "columns");
    out += match.reverse ? ", other strand" : ", same strand";
    out += ", offset " + std::to_string(match.offset) + "</p>\n";
}

/// `path` with a line-break opportunity after each folder, so that a narrow screen breaks a
/// long path between folders rather than inside a name.
std::string breakableAtFolders(const std::string& path)
{
    std::string out;
    for (char c : path) {
        out += c;
        if (c == '/')
            out += "<wbr>";
    }
    return out;
}

void appendInputRow(std::string& out, const char* role, const TableSummary& table)
{
    out += "<tr><td class=\"l\">";
    out += role;
    out += "</td><td class=\"l f w\">" + breakableAtFolders(escapeText(table.path));
    if (const char* problem = loadProblem(table.status))
        out += " <span class=\"bad\">" + std::string(problem) + "</span>";
    else if (table.negative())
        out += " <span class=\"bad\">holds counts below 0</span>";
    out += "</td><td>" + std::to_string(table.sequenceLength) + "</td><td>" + std::to_string(table.totalCount)
        + "</td><td>" + std::to_string(table.distinctCount) + "</td><td>";
    if (table.maskedBases > 0 && table.sequenceLength > 0) {
        out += std::to_string(table.maskedBases) + " (";
        appendNumber(out, 100.0 * static_cast<double>(table.maskedBases) / static_cast<double>(table.sequenceLength),
            std::chars_format::fixed, 1);
        out += "%)";
    }
    out += "</td></tr>\n";
}

/// The head of a table of inputs, one row per table file.
const char* const inputsTableHead = "<div class=\"scroll\"><table><thead><tr><th class=\"l\">Table</th>"
                                    "<th class=\"l\">File</th><th>Bases</th><th>Words counted</th>"
                                    "<th>Distinct words</th><th>Masked</th></tr></thead><tbody>\n";

/// The run's parameters: statistic, word lengths, known motifs, date and program.
void appendParameters(std::string& out, const AnalysisResult& result, const SummaryDetails& details)
{
    const SignificanceTable& table = result.significance;
    const StatisticDescription& statistic = describeStatistic(table.statistic);
    out += "<dl>\n<dt>Statistic</dt><dd>";
    out += statistic.name;
    out += ": ";
    out += statistic.summaryText;
    out += "</dd>\n<dt>Word lengths</dt><dd>";
    if (table.lengths.empty()) {
        out += "none";
    } else {
        const auto [shortest, longest] = std::minmax_element(table.lengths.begin(), table.lengths.end(),
            [](const LengthSummary& a, const LengthSummary& b) { return a.length < b.length; });
        out += std::to_string(shortest->length);
        if (longest->length != shortest->length)
            out += " to " + std::to_string(longest->length);
        out += " letters";
    }
    out += "</dd>\n";
    if (!table.spacings.empty())
        out += "<dt>Spaced pairs</dt><dd>two " + std::to_string(dyadHalf) + "-letter words of A, C, G and T with a "
            "spacer of " + std::to_string(table.spacings.front().spacing) + " to "
            + std::to_string(table.spacings.back().spacing) + " unspecified letters (n) between them, as TGTnnnnnnACA; "
              "the genome's pairs counted in <span class=\"w\">" + escapeText(result.dyadSource) + "</span></dd>\n";
    out += "<dt>Family</dt><dd>";
    if (result.family) {
        const FamilyProfile& family = *result.family;
        out += counted(static_cast<std::size_t>(family.size()), "distinct sequence", "distinct sequences") + " of "
            + counted(static_cast<std::size_t>(family.records()), "record", "records");
        if (family.duplicates() > 0)
            out += "; " + std::to_string(family.duplicates()) + " repeating an earlier record's sequence count once";
    } else {
        out += "a DTable file, which holds occurrences alone: every occurrence is counted, so words clumped in a "
               "few sequences (repeats) are over-stated";
    }
    out += "</dd>\n";
    if (!result.backgroundNote.empty())
        out += "<dt>Background</dt><dd>" + escapeText(result.backgroundNote) + "</dd>\n";
    if (table.strand == Strand::Given)
        out += "<dt>Strand</dt><dd>given: each word is read on its sequence's own strand alone, a class is one word "
               "and a length of k letters has 4<sup>k</sup> classes</dd>\n";
    if (result.positions) {
        const PositionBins& bins = result.positions->bins;
        out += std::string("<dt>Positions</dt><dd>from the sequences' ") + anchorName(bins.anchor)
            + (bins.anchor == Anchor::End ? " (the last base is &minus;1)" : " (the first base is 1)") + ", in bins of "
            + std::to_string(bins.width) + " bases. A site is a stretch of overlapping occurrences of a motif's "
              "strong members (of a sig at least half its best's) or of a class, placed at its first base; the "
              "line shows the sites a bin would hold were they spread as the windows are, and P is the chi-square "
              "test of the difference (far bins pooled until each expects 5 sites).</dd>\n";
    }
    if (!details.knownPath.empty())
        out += "<dt>Known motifs</dt><dd><span class=\"w\">" + escapeText(details.knownPath) + "</span> ("
            + counted(result.known.size(), "motif", "motifs") + ")</dd>\n";
    if (!details.date.empty())
        out += "<dt>Date</dt><dd>" + escapeText(details.date) + "</dd>\n";
    out += std::string("<dt>Program</dt><dd>Seqlark ") + SEQLARK_VERSION + "</dd>\n</dl>\n";
}

/// The genome's and the family's tables, then the gene files, folded when there are many.
void appendInputs(std::string& out, const AnalysisResult& result)
{
    out += "<h3>Inputs</h3>\n";
    out += inputsTableHead;
    appendInputRow(out, "big (genome)", result.big);
    appendInputRow(out, "small (family)", result.small);
    out += "</tbody></table></div>\n";
    if (result.genes.empty())
        return;
    // Up to 32 gene files would push everything else down: a few are shown, more folded.
    out += result.genes.size() <= 4 ? "<details open>" : "<details>";
    out += "<summary>" + counted(result.genes.size(), "gene file", "gene files") + "</summary>\n";
    out += inputsTableHead;
    for (std::size_t i = 0; i < result.genes.size(); ++i)
        appendInputRow(out, ("gene " + std::to_string(i + 1)).c_str(), result.genes[i]);
    out += "</tbody></table></div></details>\n";
}

/// A table of the windows and classes of each length, or of each spacing of the pairs.
void appendSummaries(std::string& out, const char* caption, const char* first, const std::vector<LengthSummary>& rows)
{
    out += std::string("<h3>") + caption + "</h3>\n<div class=\"scroll\"><table><thead><tr><th>" + first
        + "</th><th>T big</th><th>T small</th><th>Classes (NPO)</th><th>Observed</th></tr></thead><tbody>\n";
    for (const LengthSummary& row : rows) {
        out += "<tr><td>" + std::to_string(row.spacing >= 0 ? row.spacing : row.length) + "</td><td>";
        appendNumber(out, row.bigWindows, std::chars_format::fixed, 0);
        out += "</td><td>";
        appendNumber(out, row.smallWindows, std::chars_format::fixed, 0);
        out += "</td><td>" + std::to_string(row.classes) + "</td><td>" + std::to_string(row.observed) + "</td></tr>\n";
    }
    out += "</tbody></table></div>\n";
}

/// The windows and classes of each word length, and how they make the expected counts.
void appendLengths(std::string& out, const SignificanceTable& table)
{
    if (table.lengths.empty())
        return;
    appendSummaries(out, "Word lengths", "Length", table.lengths);
    const bool pairs = !table.spacings.empty();
    if (pairs)
        appendSummaries(out, "Spaced pairs", "Spacing", table.spacings);
    out += std::string("<p class=\"note\">T: the windows of A, C, G and T a table counted")
        + (pairs ? " (of a spaced pair, the places both its words are whole, whatever the spacer holds; a pair with no "
                   "spacer is a 6-letter word, left to the words when they have that length). "
                 : ". ")
        + "p = (count in big + 1) / (T big + classes); expected = p &times; T small; E-value = P &times; the "
          "classes tested, of every length" + (pairs ? " and spacing (" : " (") + std::to_string(table.classesTested)
        + "); sig = &minus;log10 E; q-value: Benjamini&ndash;Hochberg over all classes tested.";
    if (table.familySize >= 0)
        out += " Sequences: the family's distinct sequences holding the class (a sequence of n windows holds it with "
               "probability 1 &minus; (1 &minus; p(1 &minus; a))<sup>n</sup>, so that the expected number is the sum of "
               "that over them; a is the big table's chance that an occurrence has another one of the class a shift "
               "before it, as in the clumps of a repeat such as AGAGAG, and 0 for a class that cannot overlap"
            + std::string(pairs ? " and for a spaced pair" : "") + ").";
    out += " Low complexity: a repeat of period 1 to 3, or of two letters.</p>\n";
}

void appendRunSection(std::string& out, const AnalysisResult& result, const SummaryDetails& details)
{
    out += "<section id=\"run\"><h2>Run</h2>\n";
    appendParameters(out, result, details);
    appendInputs(out, result);
    appendLengths(out, result.significance);
    out += "</section>\n";
}

void appendClassRow(std::string& out, const AnalysisResult& result, const WordClass& c, std::size_t rank,
    const PositionProfile* positions)
{
    out += "<tr><td>" + std::to_string(rank) + "</td><td class=\"l w\">";
    const std::string word = escapeText(c.word);
    const std::size_t page = result.rankOf(c.word);
    if (page > 0 && page <= result.candidates.size())
        out += "<a href=\"" + escapeText(pageFileName(result.candidates[page - 1].word.view())) + "\">" + word + "</a>";
    else
        out += word;
    out += "</td><td class=\"l w\">" + (result.significance.strand == Strand::Given ? std::string(".") : escapeText(c.reverse))
        + "</td><td>" + std::to_string(c.length) + "</td><td>"
        + std::to_string(c.observed) + "</td><td>";
    appendNumber(out, c.expected, std::chars_format::general, 6);
    out += "</td><td>";
    appendNumber(out, c.ratio, std::chars_format::general, 6);
    out += "</td><td>";
    appendNumber(out, c.log10P + 0.0, std::chars_format::general, 12);
    out += "</td><td data-v=\"";
    appendKey(out, c.log10E);
    out += "\">" + formatFromLog10(c.log10E) + "</td><td>";
    appendNumber(out, c.sig() + 0.0, std::chars_format::fixed, 4);
    out += "</td><td data-v=\"";
    appendKey(out, c.log10Q);
    out += "\">" + formatFromLog10(c.log10Q) + "</td>";
    if (result.significance.familySize >= 0) {
        out += "<td>" + std::to_string(c.sequences) + " of " + std::to_string(result.significance.familySize) + "</td><td>";
        appendNumber(out, c.expectedSequences, std::chars_format::general, 6);
        out += "</td>";
    }
    if (result.positions) {
        out += "<td data-v=\"";
        appendKey(out, positions && positions->total > 0 ? positions->log10P : 0.0);
        out += "\">" + (positions ? positionalP(*positions) : std::string()) + "</td>";
    }
    out += c.lowComplexity ? "<td class=\"l\">yes</td></tr>\n" : "<td class=\"l\"></td></tr>\n";
}

void appendClassSection(std::string& out, const AnalysisResult& result, std::size_t significant)
{
    const std::vector<WordClass>& classes = result.significance.classes;
    out += "<section id=\"classes\"><h2>Significant word classes</h2>\n<p>";
    if (significant == 0) {
        out += "No word class reaches sig &ge; 0 (an E-value of 1 or less). <a href=\"" + std::string(wordsTableName)
            + "\">" + wordsTableName + "</a> lists all " + counted(classes.size(), "observed class", "observed classes")
            + ".</p>\n</section>\n";
        return;
    }
    const std::size_t shown = std::min(significant, summaryRows);
    out += counted(significant, "word class reaches", "word classes reach")
        + " sig &ge; 0 (an E-value of 1 or less); "
        + (shown < significant ? "the first " + std::to_string(shown) + " are" : std::string(significant == 1 ? "it is" : "all are"))
        + " listed in rank order. A class is a word together with its reverse complement. <a href=\""
        + wordsTableName + "\">" + wordsTableName + "</a> holds all "
        + counted(classes.size(), "observed class", "observed classes") + ".<span id=\"sorting\" hidden> Click a heading to sort.</span></p>\n";
    out += "<div class=\"scroll\"><table class=\"sort\"><thead><tr><th aria-sort=\"ascending\">Rank</th>"
           "<th class=\"l\" data-t>Word</th><th class=\"l\" data-t>Reverse complement</th><th>Length</th>"
           "<th>Observed</th><th>Expected</th><th>Ratio</th><th>log10 P</th><th>E-value</th><th>sig</th>"
           "<th>q-value</th>";
    if (result.significance.familySize >= 0)
        out += "<th>Sequences</th><th>Expected sequences</th>";
    if (result.positions)
        out += "<th>Positional P</th>";
    out += "<th class=\"l\" data-t>Low complexity</th></tr></thead><tbody>\n";
    std::size_t listed = 0;
    for (std::size_t i = 0; i < classes.size() && listed < shown; ++i) {
        if (classes[i].sig() >= 0.0) {
            const bool placed = result.positions && listed < result.positions->classes.size();
            appendClassRow(out, result, classes[i], i + 1, placed ? &result.positions->classes[listed] : nullptr);
            ++listed;
        }
    }
    out += "</tbody></table></div>\n</section>\n";
}

void appendRefinedSection(std::string& out, const AnalysisResult& result)
{
    out += "<section id=\"refined\"><h2>Refined matrices</h2>\n";
    if (result.refined.empty()) {
        out += "<p>No candidate word has a refined matrix.</p>\n</section>\n";
        return;
    }
    out += "<p class=\"note\">The matrix of each of the best candidate words, refined against the gene tables. "
           "A logo's columns are as tall as their information content; each logo leads to the word's page.</p>\n"
           "<div class=\"cards\">\n";
    for (std::size_t i = 0; i < result.refined.size(); ++i) {
        const Motif& motif = result.refined[i];
        // A motif without a word has no page of its own to lead to; its id names it.
        const std::string name = escapeText(motif.name.empty() ? motif.id : motif.name);
        const std::string link = motif.name.empty() ? std::string() : escapeText(pageFileName(motif.name));
        out += "<div class=\"card\"><h3>" + std::to_string(i + 1) + ". ";
        out += link.empty() ? name : "<a class=\"w\" href=\"" + link + "\">" + name + "</a>";
        out += "</h3>\n<p class=\"meta\">E-value " + formatFromLog10(motif.log10E) + " &middot; ";
        appendReal(out, motif.sites);
        out += " sites &middot; " + counted(motif.width(), "position", "positions") + "</p>\n";
        appendLogoPair(out, motif, name, link);
        appendKnownMatch(out, result, result.refinedKnown, i);
        out += "</div>\n";
    }
    out += "</div>\n</section>\n";
}

/// Appends the members of `assembled` aligned under its consensus, at most shownMembers of them.
void appendMembers(std::string& out, const AssembledMotif& assembled)
{
    const int width = static_cast<int>(std::max(assembled.consensus.size(), assembled.motif.width()));
    const std::size_t shown = std::min(assembled.members.size(), shownMembers);
    // A member may hang off either end of the motif's core, but shares a column with it; an
    // offset further out would pad a line without end, so such a word is drawn at that end.
    auto offsetOf = [width](const MotifMember& member) {
        return std::clamp(member.offset, -static_cast<int>(std::min<std::size_t>(member.word.size(), 64)), width);
    };
    int left = 0;
    for (std::size_t i = 0; i < shown; ++i)
        left = std::min(left, offsetOf(assembled.members[i]));
    auto padOf = [&](int offset) { return static_cast<std::size_t>(offset - left); };
    std::size_t column = padOf(0) + assembled.consensus.size();
    for (std::size_t i = 0; i < shown; ++i)
        column = std::max(column, padOf(offsetOf(assembled.members[i])) + assembled.members[i].word.size());
    column += 2;
    std::vector<std::string> sigs(shown);
    std::size_t sigWidth = 0;
    for (std::size_t i = 0; i < shown; ++i) {
        appendNumber(sigs[i], assembled.members[i].sig + 0.0, std::chars_format::fixed, 4);
        sigWidth = std::max(sigWidth, sigs[i].size());
    }
    out += "<pre>" + std::string(padOf(0), ' ') + "<b>" + escapeText(assembled.consensus) + "</b>"
        + std::string(column - padOf(0) - assembled.consensus.size(), ' ') + "consensus\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const MotifMember& member = assembled.members[i];
        const std::size_t pad = padOf(offsetOf(member));
        out += std::string(pad, ' ') + escapeText(member.word) + std::string(column - pad - member.word.size(), ' ');
        out += member.reverse ? "&minus;" : "+";
        out += "  sig " + std::string(sigWidth - sigs[i].size(), ' ') + sigs[i] + "  observed "
            + std::to_string(member.observed) + '\n';
    }
    if (shown < assembled.members.size())
        out += "and " + std::to_string(assembled.members.size() - shown) + " more\n";
    out += "</pre>\n";
}

void appendAssembledSection(std::string& out, const AnalysisResult& result)
{
    out += "<section id=\"assembled\"><h2>Assembled motifs</h2>\n";
    if (result.assembled.empty()) {
        out += "<p>No word class reaches sig &ge; 0, so no motif was assembled.</p>\n</section>\n";
        return;
    }
    out += assemblyExplanation + std::to_string(maximumAssembledMotifs) + " motifs.";
    if (!result.significance.spacings.empty())
        out += pairAssemblyExplanation;
    out += assemblyExplanationEnd;
    out += "<div class=\"cards\">\n";
    for (std::size_t i = 0; i < result.assembled.size(); ++i) {
        const AssembledMotif& assembled = result.assembled[i];
        const std::string id = escapeText(assembled.motif.id);
        out += "<div class=\"card\"><h3>" + id + " <code>" + escapeText(assembled.consensus)
            + "</code></h3>\n<p class=\"meta\">best sig ";
        appendNumber(out, assembled.bestSig + 0.0, std::chars_format::fixed, 4);
        out += " &middot; E-value " + formatFromLog10(assembled.motif.log10E);
        if (assembled.sequences >= 0 && result.family)
            out += std::string(" &middot; best ") + bestKind(result, assembled) + " in " + std::to_string(assembled.sequences) + " of "
                + std::to_string(result.family->size()) + " sequences";
        out += " &middot; " + counted(assembled.members.size(), "member class", "member classes") + " &middot; "
            + counted(assembled.motif.width(), "position", "positions") + "</p>\n";
        appendLogoPair(out, assembled.motif, id, std::string());
        if (result.positions && i < result.positions->motifs.size())
            appendPositionPlot(out, result.positions->motifs[i], result.positions->bins, id);
        appendKnownMatch(out, result, result.assembledKnown, i);
        appendMembers(out, assembled);
        out += "</div>\n";
    }
    out += "</div>\n</section>\n";
}

void appendFilesSection(std::string& out, bool withPositions)
{
    const std::array<std::array<const char*, 2>, 6> files {{
        {reportIndexName, "the classic report: the best candidate words with their scores and matrices"},
        {wordsTableName, "every observed word class with its counts, E-value, sig and q-value"},
        {motifTableName, "the refined and assembled motifs, one row each, with the closest known motif"},
        {memeFileName, "the motifs in MEME's minimal motif format"},
        {jasparFileName, "the motifs as JASPAR count matrices"},
        {transfacFileName, "the motifs as TRANSFAC matrices"},
    }};
    out += "<section id=\"files\"><h2>Files of this report</h2>\n<ul class=\"files\">\n";
    for (const auto& [name, what] : files)
        out += std::string("<li><a href=\"") + name + "\">" + name + "</a> &ndash; " + what + "</li>\n";
    if (withPositions)
        out += std::string("<li><a href=\"") + positionsTableName + "\">" + positionsTableName
            + "</a> &ndash; where in the family's sequences the sites of each motif and listed class lie, bin by bin"
              "</li>\n<li><a href=\"" + sitesBedName + "\">" + sitesBedName
            + "</a> &ndash; every site of each motif in the family's records, as BED</li>\n<li><a href=\""
            + genesTableName + "\">" + genesTableName
            + "</a> &ndash; the number of sites of each motif in each of the family's records</li>\n";
    out += "</ul>\n</section>\n";
}

/// E-values at or below this are significant in the lead.
constexpr double leadE = 0.05;

/// The one line under the title that says what the run found: the motifs of E-value at most
/// 0.05 with how many of the family's sequences carry them, and the classes that reach it.
void appendLead(std::string& out, const AnalysisResult& result)
{
    out += "<p class=\"lead\">";
    if (!result.ok()) {
        out += "The run did not complete: " + escapeText(result.message) + ".</p>\n";
        return;
    }
    const std::vector<WordClass>& classes = result.significance.classes;
    if (classes.empty()) {
        out += "No word class of the chosen lengths was observed in the family's table.</p>\n";
        return;
    }
    const double limit = std::log10(leadE);
    std::vector<const AssembledMotif*> motifs;
    for (const AssembledMotif& motif : result.assembled)
        if (motif.motif.log10E <= limit)
            motifs.push_back(&motif);
    if (motifs.empty())
        out += "No motif reaches an E-value of 0.05";
    else
        out += counted(motifs.size(), "motif reaches", "motifs reach") + " an E-value of 0.05 or less: ";
    for (std::size_t i = 0; i < motifs.size() && i < 5; ++i) {
        const AssembledMotif& motif = *motifs[i];
        out += std::string(i ? "; " : "") + "<b class=\"w\">" + escapeText(motif.consensus) + "</b> (E-value "
            + formatFromLog10(motif.motif.log10E);
        if (motif.sequences >= 0 && result.family)
            out += std::string(", its best ") + bestKind(result, motif) + " in " + std::to_string(motif.sequences) + " of "
                + std::to_string(result.family->size())
                + " sequences";
        out += ")";
    }
    if (motifs.size() > 5)
        out += " and " + std::to_string(motifs.size() - 5) + " more";
    const auto significant = std::count_if(classes.begin(), classes.end(), [&](const WordClass& c) { return c.log10E <= limit; });
    out += ". " + std::to_string(significant) + " of the ";
    out += result.significance.spacings.empty()
        ? counted(classes.size(), "observed word class", "observed word classes") + " of every length reach it."
        : counted(classes.size(), "observed class", "observed classes") + " of words of every length and spaced pairs "
            "of every spacing reach it.";
    if (!result.family)
        out += " Every occurrence counts here: words clumped in a few sequences are over-stated.";
    out += "</p>\n";
}

} // namespace

std::string summaryPage(const AnalysisResult& result, const SummaryDetails& details)
{
    const std::vector<WordClass>& classes = result.significance.classes;
    const std::size_t significant = static_cast<std::size_t>(
        std::count_if(classes.begin(), classes.end(), [](const WordClass& c) { return c.sig() >= 0.0; }));
    std::string out;
    out.reserve(64 * 1024);
    out += pageStart;
    out += summaryCss;
    out += pageHeadEnd;
    appendLogoSymbols(out);
    out += "<main>\n<header><h1>Seqlark summary</h1>\n";
    appendLead(out, result);
    out += "</header>\n";
    // The motifs and their logos before the classes they are made of, and the run's details
    // after both.
    appendAssembledSection(out, result);
    appendRefinedSection(out, result);
    appendClassSection(out, result, significant);
    appendRunSection(out, result, details);
    appendFilesSection(out, result.positions.has_value());
    out += std::string("<footer>Seqlark ") + SEQLARK_VERSION;
    if (!details.date.empty())
        out += " &middot; " + escapeText(details.date);
    out += "</footer>\n</main>\n";
    out += "<script>\n";
    out += summaryJs;
    out += "</script>\n";
    out += "</body>\n</html>\n";
    return out;
}
