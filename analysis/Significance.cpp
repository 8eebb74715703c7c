#include "analysis/Significance.h"

#include "analysis/Clumping.h"
#include "analysis/PoissonBinomial.h"
#include "analysis/TailProbability.h"
#include "base/Dna.h"
#include "base/Parallel.h"

#include <algorithm>
#include <functional>
#include <map>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

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
        const std::int64_t code = dnaWordCode(entry.word.view());
        if (code >= 0)
            counts[static_cast<std::size_t>(length - shortest)][static_cast<std::size_t>(code)] += entry.count;
    }
    return counts;
}

/// Windows of A, C, G and T the counts stand for: every window adds its word and, unless
/// they are the same, its reverse complement.
double plainSum(const std::vector<std::int64_t>& counts)
{
    double sum = 0.0;
    for (const std::int64_t count : counts)
        sum += static_cast<double>(count);
    return sum;
}

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

/// Benjamini-Hochberg q-values, as logarithms, of `log10P` (one per class tested, the
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
    {Statistic::Sequences, "sequences",
        "ranked by E-value; P of the family sequences holding the class or more, Poisson-binomial over the "
        "sequences' windows",
        "classes ranked by E-value; P is the chance that as many of the family's sequences hold the class or more, "
        "each sequence of n windows holding it with probability 1 - (1 - p(1 - a))^n (a: see the notes under the "
        "word lengths)"},
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
static_assert(longestWordLength - shortestWordLength == 2, "a genome's counts come in three lengths");

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

bool statisticNamed(std::string_view name, Statistic& statistic)
{
    for (const StatisticDescription& candidate : statisticDescriptions()) {
        if (name == candidate.name) {
            statistic = candidate.statistic;
            return true;
        }
    }
    return false;
}

namespace {

constexpr std::size_t noRow = static_cast<std::size_t>(-1);

/// What scoring the classes of every length gathers: for each class, observed or not, its P
/// and where its row is, if it has one.
struct Scored {
    std::vector<double> log10P;
    std::vector<std::size_t> rows;
};

/// The trial groups of the family's distinct sequences for a class of window probability p:
/// the sequences of each number of windows, each holding the class with probability
/// 1 - (1 - p)^n. Sequences without a window hold no class.
std::vector<TrialGroup> familyGroups(const std::vector<std::pair<std::int64_t, std::int64_t>>& windowGroups, double p)
{
    std::vector<TrialGroup> groups;
    for (const auto& [windows, sequences] : windowGroups)
        groups.push_back(occurrenceGroup(p, windows, sequences));
    return groups;
}

/// Most groups of sequences a class's tail is computed over.
constexpr std::size_t mostWindowGroups = 64;

/// The family's sequences with windows, in groups of one number of windows each. A family of
/// more numbers than mostWindowGroups (sequences of many lengths) is put in that many groups of
/// neighbouring numbers, about equal in sequences, each of its sequences' mean number: the
/// sum of 1 - (1 - p)^n over a group, nearly p times the sum of n for the small p of words,
/// hardly changes, and the tail costs a fraction.
std::vector<std::pair<std::int64_t, std::int64_t>> windowGroups(const std::map<std::int64_t, std::int64_t>& windowCounts)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> groups;
    std::int64_t sequences = 0;
    for (const auto& [windows, count] : windowCounts)
        if (windows > 0) {
            groups.emplace_back(windows, count);
            sequences += count;
        }
    if (groups.size() <= mostWindowGroups)
        return groups;
    std::vector<std::pair<std::int64_t, std::int64_t>> merged;
    const double share = static_cast<double>(sequences) / static_cast<double>(mostWindowGroups);
    double windowSum = 0.0;
    std::int64_t inGroup = 0, before = 0;
    for (const auto& [windows, count] : groups) {
        windowSum += static_cast<double>(windows) * static_cast<double>(count);
        inGroup += count;
        if (static_cast<double>(before + inGroup) >= share * static_cast<double>(merged.size() + 1)) {
            merged.emplace_back(std::llround(windowSum / static_cast<double>(inGroup)), inGroup);
            before += inGroup;
            windowSum = 0.0;
            inGroup = 0;
        }
    }
    if (inGroup > 0)
        merged.emplace_back(std::llround(windowSum / static_cast<double>(inGroup)), inGroup);
    return merged;
}

/// Classes a thread takes at a time for their family tails.
constexpr std::size_t classesPerTask = 64;

/// One set of classes scored together: a word length, or the spaced pairs of one spacing.
struct ClassSet {
    int length = 0;   ///< letters of a class's code: a word's, or a pair's two halves
    int spacing = -1; ///< a pair's spacer; -1 for words
    /// Counts by code as a table holds them: a word's count is its own and its reverse
    /// complement's windows (a palindrome's once), or with one strand its own alone.
    const std::vector<std::int64_t>* big = nullptr;
    const std::vector<std::int64_t>* small = nullptr;
    /// With the family's sequences: how many sequences have each number of windows, and how
    /// many hold the class numbered by a code.
    const std::map<std::int64_t, std::int64_t>* windows = nullptr;
    std::function<std::uint32_t(std::uint32_t)> holding;
    /// The genome's counts of every length, for the chance that an occurrence follows an
    /// overlapping one; none for classes taken as never clumping.
    const ClassCounts* genome = nullptr;
};

/// The row of the class `code` of `set`, observed `observed` times and of window probability
/// `p`, its P yet to come from the family when the statistic counts sequences.
WordClass classRow(const ClassSet& set, const LengthSummary& summary, Statistic statistic, std::uint64_t code,
    std::uint64_t reverse, std::int64_t observed, double p)
{
    WordClass entry;
    entry.word = set.spacing >= 0 ? dyadWord(static_cast<std::uint32_t>(code), set.spacing) : dnaWordOf(static_cast<std::int64_t>(code), set.length);
    entry.reverse = set.spacing >= 0 ? dyadWord(static_cast<std::uint32_t>(reverse), set.spacing) : dnaWordOf(static_cast<std::int64_t>(reverse), set.length);
    entry.length = set.length + std::max(set.spacing, 0);
    entry.spacing = set.spacing;
    entry.observed = observed;
    entry.lowComplexity = isLowComplexity(dnaWordOf(static_cast<std::int64_t>(code), set.length));
    entry.expected = p * summary.smallWindows;
    entry.ratio = static_cast<double>(observed) / entry.expected;
    // A table whose counts exceed its own windows (made by hand) still gets a P. The
    // sequences statistic's P comes after the loop.
    if (statistic != Statistic::Sequences)
        entry.log10P = statistic == Statistic::Poisson
            ? log10PoissonUpperTail(observed, entry.expected)
            : log10BinomialUpperTail(observed, std::max(std::round(summary.smallWindows), static_cast<double>(observed)), p);
    if (set.windows)
        entry.sequences = set.holding(static_cast<std::uint32_t>(code));
    return entry;
}

/// Scores the observed classes of `set` into `table`, noting every class's P in `scored`.
void scoreSet(const ClassSet& set, SignificanceTable& table, Scored& scored)
{
    LengthSummary summary;
    summary.length = set.length + std::max(set.spacing, 0);
    summary.spacing = set.spacing;
    const std::int64_t words = std::int64_t(1) << (2 * set.length);
    const bool oneStrand = table.strand == Strand::Given;
    summary.classes = oneStrand ? words : (words + (set.length % 2 == 0 ? std::int64_t(1) << set.length : 0)) / 2;
    summary.bigWindows = oneStrand ? plainSum(*set.big) : windowsOf(*set.big, set.length);
    summary.smallWindows = oneStrand ? plainSum(*set.small) : windowsOf(*set.small, set.length);
    const auto groupsOfWindows = set.windows ? windowGroups(*set.windows) : std::vector<std::pair<std::int64_t, std::int64_t>>();
    // The family's figures of each observed class, taken after the loop, in parallel: its
    // window probability, its code and its place in `scored`.
    struct Pending {
        double p;
        std::uint64_t code;
        std::size_t scoredAt;
    };
    std::vector<Pending> pending;
    const std::size_t firstRow = table.classes.size();
    for (std::int64_t code = 0; code < words; ++code) {
        const auto reverse = oneStrand
            ? code
            : static_cast<std::int64_t>(reverseComplementCode(static_cast<std::uint64_t>(code), set.length));
        if (reverse < code)
            continue;
        const auto countOf = [&](const std::vector<std::int64_t>& counts) {
            return std::max(counts[static_cast<std::size_t>(code)], counts[static_cast<std::size_t>(reverse)]);
        };
        const std::int64_t observed = countOf(*set.small);
        if (observed <= 0) {
            scored.log10P.push_back(0.0);
            scored.rows.push_back(noRow);
            continue;
        }
        const double p = (static_cast<double>(countOf(*set.big)) + 1.0)
            / (summary.bigWindows + static_cast<double>(summary.classes));
        WordClass entry = classRow(set, summary, table.statistic, static_cast<std::uint64_t>(code),
            static_cast<std::uint64_t>(reverse), observed, p);
        if (set.windows)
            pending.push_back({p, static_cast<std::uint64_t>(code), scored.log10P.size()});
        scored.log10P.push_back(entry.log10P);
        scored.rows.push_back(table.classes.size());
        table.classes.push_back(std::move(entry));
        ++summary.observed;
    }
    forEachInParallel(pending.size(), [&](std::size_t i) {
        WordClass& entry = table.classes[firstRow + i];
        // A sequence holds the class where a clump of its occurrences begins.
        const double overlap = set.genome ? overlapChance(pending[i].code, set.length, *set.genome, oneStrand) : 0.0;
        const std::vector<TrialGroup> groups = familyGroups(groupsOfWindows, pending[i].p * (1.0 - overlap));
        entry.expectedSequences = poissonBinomialMean(groups);
        if (table.statistic == Statistic::Sequences) {
            entry.log10P = log10PoissonBinomialUpperTail(entry.sequences, groups);
            scored.log10P[pending[i].scoredAt] = entry.log10P;
        }
    }, classesPerTask);
    (set.spacing >= 0 ? table.spacings : table.lengths).push_back(summary);
}

/// A pair's counts by code as a table holds words: each with its reverse complement's added,
/// a palindrome's once; with one strand, as they are.
std::vector<std::int64_t> tableForm(std::vector<std::int64_t> forward, Strand strand)
{
    if (strand == Strand::Given)
        return forward;
    std::vector<std::int64_t> both(forward.size());
    for (std::size_t code = 0; code < forward.size(); ++code) {
        const std::size_t reverse = reverseComplementCode(code, 2 * dyadHalf);
        both[code] = forward[code] + (reverse != code ? forward[reverse] : 0);
    }
    return both;
}

/// Scores the spaced pairs of every spacing of `family` against `big`'s; with `withSixes`,
/// those of no spacer, the 6-letter words scored already, are left out.
void scoreDyads(const DyadCounts& big, const DyadProfile& family, bool withSixes, SignificanceTable& table, Scored& scored)
{
    const DyadSpacings spacings = family.spacings();
    for (int spacing = std::max(spacings.shortest, withSixes ? 1 : 0); spacing <= spacings.longest; ++spacing) {
        const std::vector<std::int64_t> bigCounts = tableForm(big.counts(spacing), table.strand);
        const std::vector<std::int64_t> smallCounts = tableForm(family.occurrences().counts(spacing), table.strand);
        ClassSet set;
        set.length = 2 * dyadHalf;
        set.spacing = spacing;
        set.big = &bigCounts;
        set.small = &smallCounts;
        set.windows = &family.windowCounts(spacing);
        set.holding = [&family, spacing](std::uint32_t code) { return family.sequencesWith(spacing, code); };
        scoreSet(set, table, scored);
    }
}

} // namespace

bool isLowComplexity(std::string_view word)
{
    for (std::size_t period = 1; period <= 3 && period < word.size(); ++period) {
        bool repeats = true;
        for (std::size_t i = period; i < word.size() && repeats; ++i)
            repeats = word[i] == word[i - period];
        if (repeats)
            return true;
    }
    std::string letters(word);
    std::sort(letters.begin(), letters.end());
    return std::unique(letters.begin(), letters.end()) - letters.begin() <= 2;
}

SignificanceTable significanceOf(const std::vector<WordEntry>& big, const std::vector<WordEntry>& small,
    Statistic statistic, int shortest, int longest, const FamilyProfile* family, const StrandCounts* bigForward,
    const StrandCounts* smallForward, DyadInput dyads)
{
    SignificanceTable table;
    table.statistic = statistic;
    table.strand = bigForward && smallForward ? Strand::Given : Strand::Both;
    table.familySize = family ? family->size() : -1;
    shortest = std::max(shortest, shortestWordLength);
    longest = std::min(longest, longestWordLength);
    if (shortest > longest)
        return table;
    if (statistic == Statistic::Sequences && !family)
        table.statistic = Statistic::Binomial;
    // The genome's counts of every length a table holds, for the clumps of the family's.
    std::vector<std::vector<std::int64_t>> bigByLength, smallByLength;
    if (table.strand == Strand::Given) {
        for (int length = shortestWordLength; length <= longestWordLength; ++length)
            bigByLength.push_back(bigForward->counts(length));
        for (int length = shortest; length <= longest; ++length)
            smallByLength.push_back(smallForward->counts(length));
    } else {
        bigByLength = countsByLength(big, shortestWordLength, longestWordLength);
        smallByLength = countsByLength(small, shortest, longest);
    }
    std::optional<ClassCounts> genome;
    if (family)
        genome.emplace(bigByLength[0], bigByLength[1], bigByLength[2], table.strand == Strand::Both);
    Scored scored;
    for (int length = shortest; length <= longest; ++length) {
        ClassSet set;
        set.length = length;
        set.big = &bigByLength[static_cast<std::size_t>(length - shortestWordLength)];
        set.small = &smallByLength[static_cast<std::size_t>(length - shortest)];
        if (family) {
            set.windows = &family->windowCounts(length);
            set.holding = [family, length](std::uint32_t code) { return family->sequencesWith(length, code); };
            set.genome = &*genome;
        }
        scoreSet(set, table, scored);
    }
    if (dyads.big && dyads.family && family)
        scoreDyads(*dyads.big, *dyads.family, shortest == shortestWordLength, table, scored);
    // Every class tested, of every length and spacing asked for, is one test: the E-value
    // multiplies P by their number, and the q-values rank all of them together (the
    // unobserved with P = 1).
    for (const LengthSummary& summary : table.lengths)
        table.classesTested += summary.classes;
    for (const LengthSummary& summary : table.spacings)
        table.classesTested += summary.classes;
    const double log10Tests = std::log10(static_cast<double>(table.classesTested));
    const std::vector<double> q = log10QValues(scored.log10P);
    for (std::size_t i = 0; i < q.size(); ++i) {
        if (scored.rows[i] == noRow)
            continue;
        WordClass& entry = table.classes[scored.rows[i]];
        entry.log10Q = q[i];
        entry.log10E = log10Tests + entry.log10P;
    }

    auto byWord = [](const WordClass& a, const WordClass& b) { return a.word < b.word; };
    if (table.statistic == Statistic::Ratio) {
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
