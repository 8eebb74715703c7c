#include "analysis/Significance.h"

#include "analysis/TailProbability.h"
#include "base/Dna.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

/// The 2-bit code of an A/C/G/T word; -1 for a word holding any other byte.
std::int64_t codeOf(std::string_view word)
{
    std::int64_t code = 0;
    for (char c : word) {
        const int base = baseCodes[static_cast<unsigned char>(c)];
        if (base == otherBase)
            return -1;
        code = code * 4 + base;
    }
    return code;
}

std::string wordOf(std::int64_t code, int length)
{
    std::string word(static_cast<std::size_t>(length), 'A');
    for (int i = length - 1; i >= 0; --i, code /= 4)
        word[static_cast<std::size_t>(i)] = "ACGT"[code % 4];
    return word;
}

/// Counts of the A/C/G/T words of each length from `shortest` to `longest`, by code, in one
/// pass over the records.
std::vector<std::vector<std::int64_t>> countsByLength(const std::vector<WordEntry>& records, int shortest, int longest)
{
    std::vector<std::vector<std::int64_t>> counts;
    for (int length = shortest; length <= longest; ++length)
        counts.emplace_back(std::size_t(1) << (2 * length), 0);
    for (const WordEntry& entry : records) {
        const int length = static_cast<int>(entry.word.length());
        if (length < shortest || length > longest)
            continue;
        const std::int64_t code = codeOf(entry.word.view());
        if (code >= 0)
            counts[static_cast<std::size_t>(length - shortest)][static_cast<std::size_t>(code)] += entry.count;
    }
    return counts;
}

/// Windows of A, C, G and T the counts stand for: every window adds its word and, unless
/// they are the same, its reverse complement.
double windowsOf(const std::vector<std::int64_t>& counts, int length)
{
    double sum = 0.0;
    for (std::size_t code = 0; code < counts.size(); ++code) {
        const double count = static_cast<double>(counts[code]);
        sum += count;
        if (reverseComplementCode(code, length) == code)
            sum += count;
    }
    return sum / 2.0;
}

/// Benjamini-Hochberg q-values, as logarithms, of `log10P` (one per class of a length, the
/// unobserved ones at 0).
std::vector<double> log10QValues(const std::vector<double>& log10P)
{
    const std::size_t m = log10P.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return log10P[a] < log10P[b]; });
    std::vector<double> q(m, 0.0);
    double smallest = 0.0; // q never exceeds 1
    for (std::size_t rank = m; rank >= 1; --rank) {
        const std::size_t i = order[rank - 1];
        const double value = std::log10(static_cast<double>(m)) + log10P[i] - std::log10(static_cast<double>(rank));
        smallest = std::min(smallest, value);
        q[i] = smallest;
    }
    return q;
}

/// What each statistic is called and means; the summary and the words table word it apart.
constexpr StatisticDescription descriptions[] = {
    {Statistic::Binomial, "binomial",
        "ranked by E-value; P of the observed count or more, binomial over the small table's windows",
        "classes ranked by E-value; P is the chance of the observed count or more, binomial over the family's "
        "windows"},
    {Statistic::Poisson, "poisson", "ranked by E-value; P of the observed count or more, Poisson of mean expected",
        "classes ranked by E-value; P is the chance of the observed count or more, Poisson of mean the expected "
        "count"},
    {Statistic::Ratio, "ratio", "ranked by observed / expected; P binomial",
        "classes ranked by observed / expected; P from the binomial"},
};

constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < std::size(descriptions); ++i) {
        if (static_cast<std::size_t>(descriptions[i].statistic) != i)
            return false;
    }
    return true;
}
static_assert(inEnumOrder(), "one description per statistic, in the enum's order");

} // namespace

std::span<const StatisticDescription> statisticDescriptions()
{
    return descriptions;
}

const StatisticDescription& describeStatistic(Statistic statistic)
{
    for (const StatisticDescription& description : descriptions) {
        if (description.statistic == statistic)
            return description;
    }
    return descriptions[0];
}

SignificanceTable significanceOf(const std::vector<WordEntry>& big, const std::vector<WordEntry>& small,
    Statistic statistic, int shortest, int longest)
{
    SignificanceTable table;
    table.statistic = statistic;
    shortest = std::max(shortest, shortestWordLength);
    longest = std::min(longest, longestWordLength);
    if (shortest > longest)
        return table;
    const auto bigByLength = countsByLength(big, shortest, longest);
    const auto smallByLength = countsByLength(small, shortest, longest);
    for (int length = shortest; length <= longest; ++length) {
        const std::vector<std::int64_t>& bigCounts = bigByLength[static_cast<std::size_t>(length - shortest)];
        const std::vector<std::int64_t>& smallCounts = smallByLength[static_cast<std::size_t>(length - shortest)];
        LengthSummary summary;
        summary.length = length;
        const std::int64_t words = std::int64_t(1) << (2 * length);
        summary.classes = (words + (length % 2 == 0 ? std::int64_t(1) << length : 0)) / 2;
        summary.bigWindows = windowsOf(bigCounts, length);
        summary.smallWindows = windowsOf(smallCounts, length);
        const double trials = std::round(summary.smallWindows);

        // Per class of the length, in code order: its P and where its row is, if it has one.
        constexpr std::size_t noRow = static_cast<std::size_t>(-1);
        std::vector<double> log10P;
        std::vector<std::size_t> rows;
        log10P.reserve(static_cast<std::size_t>(summary.classes));
        rows.reserve(static_cast<std::size_t>(summary.classes));
        for (std::int64_t code = 0; code < words; ++code) {
            const auto reverse = static_cast<std::int64_t>(reverseComplementCode(static_cast<std::uint64_t>(code), length));
            if (reverse < code)
                continue;
            const auto countOf = [&](const std::vector<std::int64_t>& counts) {
                return std::max(counts[static_cast<std::size_t>(code)], counts[static_cast<std::size_t>(reverse)]);
            };
            const std::int64_t observed = countOf(smallCounts);
            if (observed <= 0) {
                log10P.push_back(0.0);
                rows.push_back(noRow);
                continue;
            }
            WordClass entry;
            entry.word = wordOf(code, length);
            entry.reverse = wordOf(reverse, length);
            entry.length = length;
            entry.observed = observed;
            const double p = (static_cast<double>(countOf(bigCounts)) + 1.0)
                / (summary.bigWindows + static_cast<double>(summary.classes));
            entry.expected = p * summary.smallWindows;
            entry.ratio = static_cast<double>(observed) / entry.expected;
            // A table whose counts exceed its own windows (made by hand) still gets a P.
            entry.log10P = statistic == Statistic::Poisson
                ? log10PoissonUpperTail(observed, entry.expected)
                : log10BinomialUpperTail(observed, std::max(trials, static_cast<double>(observed)), p);
            entry.log10E = std::log10(static_cast<double>(summary.classes)) + entry.log10P;
            log10P.push_back(entry.log10P);
            rows.push_back(table.classes.size());
            table.classes.push_back(std::move(entry));
            ++summary.observed;
        }
        const std::vector<double> q = log10QValues(log10P);
        for (std::size_t i = 0; i < q.size(); ++i)
            if (rows[i] != noRow)
                table.classes[rows[i]].log10Q = q[i];
        table.lengths.push_back(summary);
    }

    auto byWord = [](const WordClass& a, const WordClass& b) { return a.word < b.word; };
    if (statistic == Statistic::Ratio) {
        std::sort(table.classes.begin(), table.classes.end(), [&](const WordClass& a, const WordClass& b) {
            return a.ratio != b.ratio ? a.ratio > b.ratio : byWord(a, b);
        });
    } else {
        std::sort(table.classes.begin(), table.classes.end(), [&](const WordClass& a, const WordClass& b) {
            return a.log10E != b.log10E ? a.log10E < b.log10E : byWord(a, b);
        });
    }
    return table;
}
