#include "report/SummaryPage.h"

#include "base/RealFormat.h"
#include "report/MotifFiles.h"
#include "report/ReportNames.h"
#include "report/ReportWriter.h"
#include "report/WordsTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

/// Member words an assembled motif lists before it only counts the rest.
constexpr std::size_t shownMembers = 30;

// Logo geometry in SVG units. Two bits of information, a column of one letter only, are
// logoBits tall; the axis labels sit left of logoLeft, the position numbers below.
constexpr double logoLeft = 30;
constexpr double logoTop = 6;
constexpr double logoBits = 100;
constexpr double logoColumn = 22;
constexpr double logoGap = 1;
constexpr double logoBottom = 18;
constexpr double logoBaseline = logoTop + logoBits;
// The shared axis, "ax" below, is drawn for this frame: a tick every half bit from y 6 to 106.
static_assert(logoTop == 6 && logoBits == 100 && logoLeft == 30);

const char* const pageHead = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Seqlark summary</title>
<style>
:root{--ink:#1d2733;--muted:#5b6776;--line:#dde2e8;--soft:#f4f6f9;--accent:#255C99}
*{box-sizing:border-box}
body{margin:0;color:var(--ink);background:#fff;font:15px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif}
main{max-width:1200px;margin:0 auto;padding:28px 16px 48px}
h1{font-size:1.9rem;line-height:1.2;margin:0 0 .4rem;letter-spacing:-.01em}
h2{font-size:1.25rem;margin:2.4rem 0 .8rem;padding-bottom:.3rem;border-bottom:2px solid var(--line)}
h3{font-size:1rem;margin:0 0 .3rem}
section>h3{margin-top:1.4rem}
p{margin:.5rem 0}
a{color:var(--accent)}
code,pre,.w{font-family:ui-monospace,SFMono-Regular,Menlo,Consolas,"Liberation Mono",monospace}
.lead{font-size:1.05rem;color:var(--muted);margin:0}
.note{color:var(--muted);font-size:.9rem}
.bad{color:#b3261e}
dl{display:grid;grid-template-columns:max-content 1fr;gap:.3rem 1.2rem;margin:0 0 1rem}
dt{color:var(--muted)}
dd{margin:0;min-width:0;overflow-wrap:anywhere}
.scroll{display:inline-block;vertical-align:top;max-width:100%;overflow-x:auto;border:1px solid var(--line);border-radius:6px;margin:.4rem 0 .6rem}
table{border-collapse:collapse;font-variant-numeric:tabular-nums;font-size:.87rem}
th,td{padding:.32rem .6rem;text-align:right;white-space:nowrap;border-bottom:1px solid var(--line)}
th{background:var(--soft);font-weight:600;vertical-align:bottom}
tbody tr:last-child td{border-bottom:0}
tbody tr:nth-child(even){background:#fafbfc}
tbody tr:hover{background:#edf2f8}
details>summary{cursor:pointer;margin:.6em 0;color:#3d4b5c}
.l{text-align:left}
.f{white-space:normal;overflow-wrap:break-word}
th button{font:inherit;color:inherit;background:none;border:0;padding:0;cursor:pointer;text-align:inherit}
th button::after{content:"\2195";opacity:.3;margin-left:.25em}
th[aria-sort=ascending] button::after{content:"\25B2";opacity:.8}
th[aria-sort=descending] button::after{content:"\25BC";opacity:.8}
.cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(100%,440px),1fr));gap:16px}
.card{border:1px solid var(--line);border-radius:8px;padding:12px 14px;min-width:0}
.meta{color:var(--muted);font-size:.88rem;margin:0 0 .4rem}
.logos{display:flex;flex-wrap:wrap;gap:6px 18px}
figure{margin:0;max-width:100%}
figcaption{font-size:.78rem;color:var(--muted);text-align:center}
.logo{display:block;max-width:100%;height:auto;font:10px system-ui,sans-serif}
.logo text{fill:var(--muted)}
pre{background:var(--soft);border-radius:6px;padding:.5rem .7rem;overflow-x:auto;font-size:.82rem;line-height:1.35;margin:.5rem 0 0}
.files li{margin:.2rem 0}
.defs{position:absolute;width:0;height:0;overflow:hidden}
footer{margin-top:2.5rem;color:var(--muted);font-size:.85rem}
</style>
</head>
<body>
)html";

// Block letters drawn in a 100 x 100 box, defined once; <use> stretches each to its height
// in a column.
const char* const glyphDefinitions = R"svg(<svg class="defs" aria-hidden="true"><defs>
<symbol id="A" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#109648" fill-rule="evenodd" d="M0 100L38 0H62L100 100H77L67.5 75H32.5L23 100ZM40.1 55H59.9L50 29Z"/></symbol>
<symbol id="C" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#255C99" d="M88.3 17.9A50 50 0 1 0 88.3 82.1L71.4 68A28 28 0 1 1 71.4 32Z"/></symbol>
<symbol id="G" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#F7B32B" d="M88.3 17.9A50 50 0 1 0 100 50H54V66H73A28 28 0 1 1 71.4 32Z"/></symbol>
<symbol id="T" viewBox="0 0 100 100" preserveAspectRatio="none"><path fill="#D62839" d="M0 0H100V20H61V100H39V20H0Z"/></symbol>
<g id="ax" fill="#5b6776"><path d="M27.5 6V106M24 6H27.5M24 31H27.5M24 56H27.5M24 81H27.5M24 106H27.5" stroke="#8a95a3" fill="none"/><text x="22" y="109.5" text-anchor="end">0</text><text x="22" y="59.5" text-anchor="end">1</text><text x="22" y="9.5" text-anchor="end">2</text><text transform="rotate(-90)" x="-56" y="9" text-anchor="middle">bits</text></g>
</defs></svg>
)svg";

// Puts a button in every heading of a sortable table, so that without scripts the table
// stays plain and in rank order. A cell's data-v, when present, is its sort key: E- and
// q-values sort by their logarithm, which holds values below the double range.
const char* const sortScript = R"js(<script>
var hint=document.getElementById("sorting");if(hint)hint.hidden=false;
document.querySelectorAll("table.sort").forEach(function(t){
var hs=Array.from(t.tHead.rows[0].cells),b=t.tBodies[0];
hs.forEach(function(h,i){
var k=document.createElement("button");k.type="button";k.append.apply(k,Array.from(h.childNodes));h.append(k);
k.addEventListener("click",function(){
var up=h.getAttribute("aria-sort")!=="ascending",text=h.hasAttribute("data-t");
hs.forEach(function(x){x.removeAttribute("aria-sort")});h.setAttribute("aria-sort",up?"ascending":"descending");
var rows=Array.from(b.rows).map(function(r){var c=r.cells[i],v=c.hasAttribute("data-v")?c.getAttribute("data-v"):c.textContent;
return [text?v:v==="inf"?Infinity:v==="-inf"?-Infinity:parseFloat(v),r]});
rows.sort(function(p,q){var x=p[0],y=q[0];if(!text&&(isNaN(x)||isNaN(y)))return isNaN(x)-isNaN(y);return (x<y?-1:x>y?1:0)*(up?1:-1)});
rows.forEach(function(p){b.appendChild(p[1])});
});
});
});
</script>
)js";

const char* const assemblyExplanation =
    "<p class=\"note\">Built from the word classes of sig &ge; 0, taken in rank order. A motif is a stack of aligned "
    "words whose columns count the members' letters, each weighted by the member's observed count. A class joins the "
    "motif that its word or its reverse complement matches best at some shift, when all but at most one of its letters "
    "match: a letter matches a column where it holds at least a third of the weight, and a letter off either end does "
    "not match, so a class extends a motif by one position at most (of equal matches the earlier motif wins). A class "
    "that joins none starts a new motif, up to ";
const char* const assemblyExplanationEnd =
    " motifs. Each motif shows its core: the columns from the first to the last carrying at least 45% of the heaviest "
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

/// Appends an SVG coordinate with at most two decimals and no trailing zeros, to keep the
/// markup of some sixty logos small.
void appendCoordinate(std::string& out, double value)
{
    const long long hundredths = std::llround(value * 100.0);
    if (hundredths < 0)
        out += '-';
    const long long magnitude = hundredths < 0 ? -hundredths : hundredths;
    out += std::to_string(magnitude / 100);
    const long long fraction = magnitude % 100;
    if (fraction != 0) {
        out += '.';
        out += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0)
            out += static_cast<char>('0' + fraction % 10);
    }
}

/// "1 word class" or "3 word classes".
std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

const char* statusProblem(AnalysisStatus status)
{
    switch (status) {
    case AnalysisStatus::Complete:
        return nullptr;
    case AnalysisStatus::MissingInput:
        return "no gene file was given, so nothing was read";
    case AnalysisStatus::TooManyGeneFiles:
        return "more gene files were given than one run takes, so nothing was read";
    case AnalysisStatus::BadLengths:
        return "the word lengths lay outside 6 to 8 letters, so nothing was read";
    case AnalysisStatus::NegativeCounts:
        return "the genome's or the family's table holds counts below 0, which no counting gives";
    }
    return "it stopped early";
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

const char* statisticMeaning(Statistic statistic)
{
    switch (statistic) {
    case Statistic::Binomial:
        break;
    case Statistic::Poisson:
        return "classes ranked by E-value; P is the chance of the observed count or more, Poisson of mean the "
               "expected count";
    case Statistic::Ratio:
        return "classes ranked by observed / expected; P from the binomial";
    }
    return "classes ranked by E-value; P is the chance of the observed count or more, binomial over the family's "
           "windows";
}

/// Appends one letter column of a logo at column `position`. The column is as tall as its
/// information content, 2 minus the entropy in bits; each letter takes its probability's
/// share, smallest at the bottom.
void appendLogoColumn(std::string& out, const BaseWeights& probabilities, std::size_t position)
{
    // A weight below 0 or not a finite number has no share, so that the column keeps within
    // the logo's two bits whatever the counts held.
    BaseWeights p {};
    double sum = 0.0;
    for (std::size_t b = 0; b < 4; ++b) {
        p[b] = std::isfinite(probabilities[b]) && probabilities[b] > 0.0 ? probabilities[b] : 0.0;
        sum += p[b];
    }
    double entropy = 0.0;
    for (double& share : p) {
        share = sum > 0.0 ? share / sum : 0.25;
        if (share > 0.0)
            entropy -= share * std::log2(share);
    }
    const double information = std::clamp(2.0 - entropy, 0.0, 2.0);
    std::array<std::size_t, 4> order {0, 1, 2, 3};
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    const double x = logoLeft + static_cast<double>(position) * logoColumn + logoGap;
    double bottom = logoBaseline;
    for (std::size_t b : order) {
        const double height = p[b] * information * logoBits / 2.0;
        if (std::llround(height * 100.0) == 0)
            continue;
        bottom -= height;
        out += "<use href=\"#";
        out += motifLetters[b];
        out += "\" x=\"";
        appendCoordinate(out, x);
        out += "\" y=\"";
        appendCoordinate(out, bottom);
        out += "\" width=\"";
        appendCoordinate(out, logoColumn - 2 * logoGap);
        out += "\" height=\"";
        appendCoordinate(out, height);
        out += "\"/>";
    }
}

/// Appends the sequence logo of `rows`, probabilities, as an inline SVG; `label` is escaped.
void appendLogo(std::string& out, const std::vector<BaseWeights>& rows, const std::string& label)
{
    const double width = logoLeft + static_cast<double>(rows.size()) * logoColumn + 4;
    const double height = logoBaseline + logoBottom;
    std::string size;
    appendCoordinate(size, width);
    out += "<svg class=\"logo\" viewBox=\"0 0 " + size + ' ';
    appendCoordinate(out, height);
    out += "\" width=\"" + size + "\" height=\"";
    appendCoordinate(out, height);
    out += "\" role=\"img\" aria-label=\"" + label + "\"><use href=\"#ax\"/><path d=\"M27.5 106H";
    appendCoordinate(out, width - 2);
    out += "\" stroke=\"#8a95a3\"/>";
    for (std::size_t i = 0; i < rows.size(); ++i)
        appendLogoColumn(out, rows[i], i);
    out += "<g text-anchor=\"middle\">";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += "<text x=\"";
        appendCoordinate(out, logoLeft + (static_cast<double>(i) + 0.5) * logoColumn);
        out += "\" y=\"";
        appendCoordinate(out, logoBaseline + 13);
        out += "\">" + std::to_string(i + 1) + "</text>";
    }
    out += "</g></svg>";
}

/// Appends the logos of `motif` and of its reverse complement, each a figure; with a
/// non-empty `link`, each logo leads there.
void appendLogoPair(std::string& out, const Motif& motif, const std::string& shownName, const std::string& link)
{
    if (motif.counts.empty()) {
        out += "<p class=\"note\">The matrix has no positions.</p>\n";
        return;
    }
    const Motif reverse = reverseComplementOf(motif);
    const struct {
        const Motif* motif;
        const char* caption;
    } sides[] = {{&motif, "forward"}, {&reverse, "reverse complement"}};
    out += "<div class=\"logos\">";
    for (const auto& side : sides) {
        out += "<figure>";
        if (!link.empty())
            out += "<a href=\"" + link + "\">";
        appendLogo(out, frequenciesOf(*side.motif), "Logo of " + shownName + ", " + side.caption);
        if (!link.empty())
            out += "</a>";
        out += "<figcaption>" + std::string(side.caption) + "</figcaption></figure>";
    }
    out += "</div>\n";
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
    out += "<p class=\"meta\">Closest known motif: <b>" + escapeHtml(known.id) + "</b>";
    if (!known.name.empty() && known.name != known.id)
        out += " (" + escapeHtml(known.name) + ')';
    out += ", correlation ";
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
    out += "</td><td class=\"l f w\">" + breakableAtFolders(escapeHtml(table.path));
    if (const char* problem = loadProblem(table.status))
        out += " <span class=\"bad\">" + std::string(problem) + "</span>";
    else if (table.negative())
        out += " <span class=\"bad\">holds counts below 0</span>";
    out += "</td><td>" + std::to_string(table.sequenceLength) + "</td><td>" + std::to_string(table.totalCount)
        + "</td><td>" + std::to_string(table.distinctCount) + "</td></tr>\n";
}

void appendRunSection(std::string& out, const AnalysisResult& result, const SummaryDetails& details)
{
    const SignificanceTable& table = result.significance;
    out += "<section id=\"run\"><h2>Run</h2>\n<dl>\n<dt>Statistic</dt><dd>";
    out += statisticName(table.statistic);
    out += ": ";
    out += statisticMeaning(table.statistic);
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
    if (!details.knownPath.empty())
        out += "<dt>Known motifs</dt><dd><span class=\"w\">" + escapeHtml(details.knownPath) + "</span> ("
            + counted(result.known.size(), "motif", "motifs") + ")</dd>\n";
    if (!details.date.empty())
        out += "<dt>Date</dt><dd>" + escapeHtml(details.date) + "</dd>\n";
    out += std::string("<dt>Program</dt><dd>Seqlark ") + SEQLARK_VERSION + "</dd>\n</dl>\n";

    out += "<h3>Inputs</h3>\n<div class=\"scroll\"><table><thead><tr><th class=\"l\">Table</th><th class=\"l\">File</th>"
           "<th>Bases</th><th>Words counted</th><th>Distinct words</th></tr></thead><tbody>\n";
    appendInputRow(out, "big (genome)", result.big);
    appendInputRow(out, "small (family)", result.small);
    out += "</tbody></table></div>\n";
    // Up to 32 gene files would push everything else down: a few are shown, more folded.
    if (!result.genes.empty()) {
        out += result.genes.size() <= 4 ? "<details open>" : "<details>";
        out += "<summary>" + counted(result.genes.size(), "gene file", "gene files")
            + "</summary>\n<div class=\"scroll\"><table><thead><tr><th class=\"l\">Table</th><th class=\"l\">File</th>"
              "<th>Bases</th><th>Words counted</th><th>Distinct words</th></tr></thead><tbody>\n";
        for (std::size_t i = 0; i < result.genes.size(); ++i)
            appendInputRow(out, ("gene " + std::to_string(i + 1)).c_str(), result.genes[i]);
        out += "</tbody></table></div></details>\n";
    }

    if (!table.lengths.empty()) {
        out += "<h3>Word lengths</h3>\n<div class=\"scroll\"><table><thead><tr><th>Length</th><th>T big</th>"
               "<th>T small</th><th>Classes (NPO)</th><th>Observed</th></tr></thead><tbody>\n";
        for (const LengthSummary& length : table.lengths) {
            out += "<tr><td>" + std::to_string(length.length) + "</td><td>";
            appendNumber(out, length.bigWindows, std::chars_format::fixed, 0);
            out += "</td><td>";
            appendNumber(out, length.smallWindows, std::chars_format::fixed, 0);
            out += "</td><td>" + std::to_string(length.classes) + "</td><td>" + std::to_string(length.observed)
                + "</td></tr>\n";
        }
        out += "</tbody></table></div>\n<p class=\"note\">T: the windows of A, C, G and T a table counted. "
               "p = (count in big + 1) / (T big + classes); expected = p &times; T small; E-value = classes &times; P; "
               "sig = &minus;log10 E; q-value: Benjamini&ndash;Hochberg over the classes of a length.</p>\n";
    }
    out += "</section>\n";
}

void appendClassRow(std::string& out, const AnalysisResult& result, const WordClass& c, std::size_t rank)
{
    out += "<tr><td>" + std::to_string(rank) + "</td><td class=\"l w\">";
    const std::string word = escapeHtml(c.word);
    const std::size_t page = result.rankOf(c.word);
    if (page > 0 && page <= result.candidates.size())
        out += "<a href=\"" + escapeHtml(pageFileName(result.candidates[page - 1].word.view())) + "\">" + word + "</a>";
    else
        out += word;
    out += "</td><td class=\"l w\">" + escapeHtml(c.reverse) + "</td><td>" + std::to_string(c.length) + "</td><td>"
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
    out += "\">" + formatFromLog10(c.log10Q) + "</td></tr>\n";
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
           "<th>q-value</th></tr></thead><tbody>\n";
    std::size_t listed = 0;
    for (std::size_t i = 0; i < classes.size() && listed < shown; ++i) {
        if (classes[i].sig() >= 0.0) {
            appendClassRow(out, result, classes[i], i + 1);
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
        const std::string name = escapeHtml(motif.name.empty() ? motif.id : motif.name);
        const std::string link = motif.name.empty() ? std::string() : escapeHtml(pageFileName(motif.name));
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
    out += "<pre>" + std::string(padOf(0), ' ') + "<b>" + escapeHtml(assembled.consensus) + "</b>"
        + std::string(column - padOf(0) - assembled.consensus.size(), ' ') + "consensus\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const MotifMember& member = assembled.members[i];
        const std::size_t pad = padOf(offsetOf(member));
        out += std::string(pad, ' ') + escapeHtml(member.word) + std::string(column - pad - member.word.size(), ' ');
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
    out += assemblyExplanation + std::to_string(maximumAssembledMotifs) + assemblyExplanationEnd;
    out += "<div class=\"cards\">\n";
    for (std::size_t i = 0; i < result.assembled.size(); ++i) {
        const AssembledMotif& assembled = result.assembled[i];
        const std::string id = escapeHtml(assembled.motif.id);
        out += "<div class=\"card\"><h3>" + id + " <code>" + escapeHtml(assembled.consensus)
            + "</code></h3>\n<p class=\"meta\">best sig ";
        appendNumber(out, assembled.bestSig + 0.0, std::chars_format::fixed, 4);
        out += " &middot; " + counted(assembled.members.size(), "member class", "member classes") + " &middot; "
            + counted(assembled.motif.width(), "position", "positions") + "</p>\n";
        appendLogoPair(out, assembled.motif, id, std::string());
        appendKnownMatch(out, result, result.assembledKnown, i);
        appendMembers(out, assembled);
        out += "</div>\n";
    }
    out += "</div>\n</section>\n";
}

void appendFilesSection(std::string& out)
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
    out += "</ul>\n</section>\n";
}

/// The one line under the title that says what the run found.
void appendLead(std::string& out, const AnalysisResult& result, std::size_t significant)
{
    out += "<p class=\"lead\">";
    if (const char* problem = statusProblem(result.status)) {
        out += "The run did not complete: " + std::string(problem) + ".</p>\n";
        return;
    }
    const std::vector<WordClass>& classes = result.significance.classes;
    if (classes.empty()) {
        out += "No word class of the chosen lengths was observed in the family's table.</p>\n";
        return;
    }
    out += "Of " + counted(classes.size(), "observed word class", "observed word classes") + ", "
        + std::to_string(significant) + (significant == 1 ? " reaches" : " reach") + " sig &ge; 0";
    const auto first = std::find_if(classes.begin(), classes.end(), [](const WordClass& c) { return c.sig() >= 0.0; });
    if (first != classes.end()) {
        out += "; the first of them is <b class=\"w\">" + escapeHtml(first->word) + "</b>";
        if (first->reverse != first->word)
            out += " / <span class=\"w\">" + escapeHtml(first->reverse) + "</span>";
        out += " (E-value " + formatFromLog10(first->log10E) + ")";
    }
    out += ". " + counted(result.refined.size(), "refined matrix", "refined matrices") + ", "
        + counted(result.assembled.size(), "assembled motif", "assembled motifs") + ".</p>\n";
}

} // namespace

std::string summaryPage(const AnalysisResult& result, const SummaryDetails& details)
{
    const std::vector<WordClass>& classes = result.significance.classes;
    const std::size_t significant = static_cast<std::size_t>(
        std::count_if(classes.begin(), classes.end(), [](const WordClass& c) { return c.sig() >= 0.0; }));
    std::string out;
    out.reserve(64 * 1024);
    out += pageHead;
    out += glyphDefinitions;
    out += "<main>\n<header><h1>Seqlark summary</h1>\n";
    appendLead(out, result, significant);
    out += "</header>\n";
    appendRunSection(out, result, details);
    appendClassSection(out, result, significant);
    appendRefinedSection(out, result);
    appendAssembledSection(out, result);
    appendFilesSection(out);
    out += std::string("<footer>Seqlark ") + SEQLARK_VERSION;
    if (!details.date.empty())
        out += " &middot; " + escapeHtml(details.date);
    out += "</footer>\n</main>\n";
    out += sortScript;
    out += "</body>\n</html>\n";
    return out;
}
