#include "analysis/MotifAssembly.h"

#include "base/Dna.h"
#include "sequence/Dyads.h"

#include <algorithm>
#include <string_view>

namespace {

// A motif's columns carry the observed counts of the members covering them. New members
// are matched against the columns that carry at least matchedShare of the heaviest one's
// weight, where a letter matches when it holds at least letterShare of its column; the
// motif shown keeps the columns of at least shownShare, its core.
constexpr double matchedShare = 0.05;
constexpr double letterShare = 1.0 / 3.0;
constexpr double shownShare = 0.45;

int letterIndex(char letter)
{
    switch (letter) {
    case 'A':
        return 0;
    case 'C':
        return 1;
    case 'G':
        return 2;
    case 'T':
        return 3;
    default:
        return -1;
    }
}

/// Where a word lies best against a motif's matched columns.
struct Placement {
    int matches = -1;
    int shift = 0;        ///< column of the word's first letter, -1 to hang off the start
    bool reverse = false;
    bool overhangs = false;
};

/// The bit of a pair's spacer letter (n), which matches a column of spacers alone.
constexpr unsigned spacerBit = 1u << 4;

/// The letters of `word` as bits, 1 << letterIndex, spacerBit for a pair's spacer, and 0 for
/// any other letter.
std::vector<unsigned> letterBits(const std::string& word)
{
    std::vector<unsigned> bits;
    for (char letter : word) {
        const int index = letterIndex(letter);
        bits.push_back(index >= 0 ? 1u << index : letter == 'n' ? spacerBit : 0u);
    }
    return bits;
}

/// `bits` with a pair's spacer matching any letter.
std::vector<unsigned> spacersAnyLetter(std::vector<unsigned> bits)
{
    for (unsigned& bit : bits)
        if (bit == spacerBit)
            bit = 0xFu;
    return bits;
}

/// The best placement of the word `bits` (from letterBits) against `letters` (a column of
/// nothing at either end, and between them, per column, a bit for each letter that matches
/// there) missing at most one letter, or holding all of them with one letter more at each
/// end, trying every shift that leaves at most one letter off either end; matches -1 when
/// there is none. Ties go to a placement within the columns,
/// then the smaller shift.
Placement placeWord(const std::vector<unsigned>& bits, const std::vector<unsigned>& letters, bool reverse)
{
    Placement best;
    const int length = static_cast<int>(bits.size());
    const int width = static_cast<int>(letters.size()) - 2;
    for (int shift = -1; shift + length <= width + 1; ++shift) {
        // Only placements missing at most one letter, or holding the motif, can be taken.
        const unsigned* column = letters.data() + (shift + 1);
        int misses = 0;
        for (int j = 0; j < length && misses < 3; ++j)
            misses += (column[j] & bits[static_cast<std::size_t>(j)]) == 0;
        const bool overhangs = shift < 0 || shift + length > width;
        // A word that holds the whole motif with a letter more on each side (the palindrome
        // TATCGATA about ATCGAT) extends it at both ends, as good as a word missing one letter.
        const bool holds = shift < 0 && shift + length > width && misses == 2;
        if (misses >= 2 && !holds)
            continue;
        const int matches = length - std::min(misses, 1);
        if (matches > best.matches || (matches == best.matches && best.overhangs && !overhangs))
            best = {matches, shift, reverse, overhangs};
    }
    return best;
}

/// Fewest letters of a pair that must fall on columns of letters of a motif of pairs it joins
/// with another spacer, none of them missing: pairs of one site at other spacers (TGT-N10-ACA
/// and GTG-N8-CAC of TGTGAnnnnnnTCACA) hold letters on the others' spacers.
constexpr int fewestAnchored = 4;

/// The best placement of the pair `bits` (from letterBits) against the motif of pairs
/// `letters` (as placeWord takes them) at a shift that leaves at most one letter off either
/// end, its letters falling on columns of one letter all matching there, at least
/// fewestAnchored of them; its spacer and its letters elsewhere (on spacers, on columns of
/// several letters, or off an end) are free. Matches -1 when there is none, else the pair's
/// length less one, as a word missing one letter; ties go to the most letters on letters,
/// then the smaller shift.
Placement placePair(const std::vector<unsigned>& bits, const std::vector<unsigned>& letters, bool reverse)
{
    Placement best;
    int bestAnchored = 0;
    const int length = static_cast<int>(bits.size());
    const int width = static_cast<int>(letters.size()) - 2;
    for (int shift = -1; shift + length <= width + 1; ++shift) {
        int anchored = 0;
        bool missed = false;
        for (int j = 0; j < length && !missed; ++j) {
            const int column = shift + j;
            const unsigned bit = bits[static_cast<std::size_t>(j)];
            if (bit == spacerBit || column < 0 || column >= width)
                continue;
            // Only columns of one letter anchor a pair: columns of several let pairs of any
            // site in, whose letters make them more mixed still.
            const unsigned there = letters[static_cast<std::size_t>(column + 1)] & 0xFu;
            if (there == 0 || (there & (there - 1)) != 0)
                continue;
            missed = (there & bit) == 0;
            ++anchored;
        }
        if (missed || anchored < fewestAnchored || anchored <= bestAnchored)
            continue;
        bestAnchored = anchored;
        best = {length - 1, shift, reverse, shift < 0 || shift + length > width};
    }
    return best;
}

/// Whether a half of the pair `word` is one letter thrice (AAA), which matches itself a
/// letter along: such a pair fits a motif of pairs at another spacer whatever it belongs to.
bool hasUniformHalf(const std::string& word)
{
    const auto uniform = [](std::string_view half) { return half[0] == half[1] && half[1] == half[2]; };
    return word.size() >= 6 && (uniform(std::string_view(word).substr(0, 3)) || uniform(std::string_view(word).substr(word.size() - 3)));
}

/// The columns [first, last) of `counts` from the first to the last that carries at least
/// `share` of the weight of the heaviest.
std::pair<std::size_t, std::size_t> coreOf(const std::vector<BaseWeights>& counts, double share)
{
    double heaviest = 0.0;
    for (const BaseWeights& row : counts)
        heaviest = std::max(heaviest, row[0] + row[1] + row[2] + row[3]);
    std::size_t first = 0;
    std::size_t last = counts.size();
    auto light = [heaviest, share](const BaseWeights& row) { return row[0] + row[1] + row[2] + row[3] < heaviest * share; };
    while (first < last && light(counts[first]))
        ++first;
    while (last > first && light(counts[last - 1]))
        --last;
    return {first, last};
}

/// A motif while classes join it: every column any member covers, and the consensus of its
/// core, which new members are matched against.
struct Growing {
    AssembledMotif motif;
    /// Per column, the weight of the members' spacers there (of pairs), beside the letters'.
    std::vector<double> spacers;
    bool pairs = false; ///< a motif of spaced pairs, which words do not join
    int spacing = -1;   ///< of a motif of pairs: the spacer all its pairs have
    std::size_t coreFirst = 0;
    /// Per matched column, a bit for each letter that matches there, between two columns
    /// where nothing matches.
    std::vector<unsigned> letters;
};

void addMember(Growing& growing, const WordClass& wordClass, std::size_t classIndex, const Placement& placement)
{
    AssembledMotif& motif = growing.motif;
    std::vector<BaseWeights>& counts = motif.motif.counts;
    const std::string& word = placement.reverse ? wordClass.reverse : wordClass.word;
    int shift = static_cast<int>(growing.coreFirst) + placement.shift;
    if (shift < 0) {
        counts.insert(counts.begin(), static_cast<std::size_t>(-shift), BaseWeights {});
        growing.spacers.insert(growing.spacers.begin(), static_cast<std::size_t>(-shift), 0.0);
        for (MotifMember& member : motif.members)
            member.offset -= shift;
        shift = 0;
    }
    const auto start = static_cast<std::size_t>(shift);
    if (start + word.size() > counts.size()) {
        counts.resize(start + word.size(), BaseWeights {});
        growing.spacers.resize(counts.size(), 0.0);
    }
    const double weight = static_cast<double>(wordClass.observed);
    for (std::size_t j = 0; j < word.size(); ++j) {
        const int letter = letterIndex(word[j]);
        if (letter >= 0)
            counts[start + j][static_cast<std::size_t>(letter)] += weight;
        else if (word[j] == 'n' && growing.pairs)
            growing.spacers[start + j] += weight;
    }
    motif.members.push_back({classIndex, word, shift, placement.reverse, wordClass.observed, wordClass.sig()});
    // A motif of pairs is matched with its spacers' weight in, a column of spacers matching a
    // pair's spacer alone; a motif of words has none.
    std::vector<BaseWeights> weighed;
    if (growing.pairs) {
        weighed = counts;
        for (std::size_t k = 0; k < weighed.size(); ++k)
            for (double& letter : weighed[k])
                letter += growing.spacers[k] / 4.0;
    }
    const auto [first, last] = coreOf(growing.pairs ? weighed : counts, matchedShare);
    growing.coreFirst = first;
    growing.letters.assign(1, 0u);
    for (std::size_t k = first; k < last; ++k) {
        const double letters = counts[k][0] + counts[k][1] + counts[k][2] + counts[k][3];
        unsigned set = growing.spacers[k] >= letterShare * (letters + growing.spacers[k]) ? spacerBit : 0u;
        const BaseWeights p = frequenciesOf(counts[k]);
        for (unsigned b = 0; b < 4 && letters > 0.0; ++b)
            if (p[b] >= letterShare)
                set |= 1u << b;
        growing.letters.push_back(set);
    }
    growing.letters.push_back(0u);
    if (wordClass.sig() > motif.bestSig) {
        motif.bestSig = wordClass.sig();
        motif.motif.log10E = wordClass.log10E;
    }
}

/// A motif of pairs whose members leave too few letters of one mind (pairs of many sites met
/// at their common letters, as in a family richer in some letters than the genome): the
/// pair it was started from, as it lies, its spacer even.
void keepFirstPair(AssembledMotif& motif)
{
    const MotifMember& first = motif.members.front();
    const int from = first.offset;
    std::vector<BaseWeights>& counts = motif.motif.counts;
    counts.assign(first.word.size(), BaseWeights {});
    const double weight = static_cast<double>(first.observed);
    for (std::size_t k = 0; k < first.word.size(); ++k) {
        const int letter = letterIndex(first.word[k]);
        if (letter >= 0)
            counts[k][static_cast<std::size_t>(letter)] = weight;
        else
            counts[k].fill(weight / 4.0);
    }
    for (MotifMember& member : motif.members)
        member.offset -= from;
    motif.consensus = first.word;
}

/// Keeps the motif's core, its pairs' spacers made gaps: a column that spacers cover and whose
/// letters are light (below letterShare of the spacers there, which pairs of a site at other
/// spacers cover with letters, or below matchedShare of the heaviest letters) or mixed (none
/// holding half) tells nothing, holds its weight evenly over the four letters and reads n in
/// the consensus; elsewhere the spacers covering a column add nothing to its letters.
void trimToCore(AssembledMotif& motif, const std::vector<double>& spacers)
{
    std::vector<BaseWeights>& counts = motif.motif.counts;
    double heaviest = 0.0;
    for (const BaseWeights& row : counts)
        heaviest = std::max(heaviest, row[0] + row[1] + row[2] + row[3]);
    std::vector<bool> gap(counts.size(), false);
    for (std::size_t k = 0; k < counts.size() && k < spacers.size(); ++k) {
        const double letters = counts[k][0] + counts[k][1] + counts[k][2] + counts[k][3];
        const double most = std::max({counts[k][0], counts[k][1], counts[k][2], counts[k][3]});
        gap[k] = spacers[k] > 0.0
            && (letters < letterShare * spacers[k] || letters < matchedShare * heaviest || most < 0.5 * letters);
        if (gap[k])
            counts[k].fill((letters + spacers[k]) / 4.0);
    }
    // A motif begins and ends with letters.
    auto [first, last] = coreOf(counts, shownShare);
    while (first < last && gap[first])
        ++first;
    while (last > first && gap[last - 1])
        --last;
    const bool ofPairs = !motif.members.empty() && motif.members.front().word.find('n') != std::string::npos;
    const auto letterColumns = static_cast<std::size_t>(
        std::count(gap.begin() + static_cast<std::ptrdiff_t>(first), gap.begin() + static_cast<std::ptrdiff_t>(last), false));
    if (ofPairs && letterColumns < 2 * dyadHalf) {
        keepFirstPair(motif);
        return;
    }
    counts.erase(counts.begin() + static_cast<std::ptrdiff_t>(last), counts.end());
    counts.erase(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(first));
    for (MotifMember& member : motif.members)
        member.offset -= static_cast<int>(first);
    motif.consensus = consensusOf(counts);
    for (std::size_t k = 0; k < motif.consensus.size(); ++k)
        if (gap[first + k])
            motif.consensus[k] = 'n';
}

} // namespace

std::vector<AssembledMotif> assembleMotifs(const SignificanceTable& table, std::size_t limit)
{
    std::vector<Growing> motifs;
    for (std::size_t c = 0; c < table.classes.size(); ++c) {
        const WordClass& wordClass = table.classes[c];
        if (!(wordClass.sig() >= 0.0))
            continue;
        const int needed = static_cast<int>(wordClass.word.size()) - 1;
        const std::vector<unsigned> forward = letterBits(wordClass.word);
        const std::vector<unsigned> backward = letterBits(wordClass.reverse);
        // A pair within a motif of words is a part of it: its spacer matches any letter there.
        const std::vector<unsigned> forwardWithin = spacersAnyLetter(forward);
        const std::vector<unsigned> backwardWithin = spacersAnyLetter(backward);
        std::size_t bestMotif = motifs.size();
        Placement best;
        for (std::size_t m = 0; m < motifs.size(); ++m) {
            if (motifs[m].pairs && !wordClass.dyad())
                continue;
            const bool within = wordClass.dyad() && !motifs[m].pairs;
            for (const bool reverse : {false, true}) {
                if (reverse && wordClass.reverse == wordClass.word)
                    continue;
                const std::vector<unsigned>& bits
                    = reverse ? (within ? backwardWithin : backward) : (within ? forwardWithin : forward);
                Placement placement = motifs[m].pairs && motifs[m].spacing != wordClass.spacing
                    ? Placement {}
                    : placeWord(bits, motifs[m].letters, reverse);
                if (motifs[m].pairs && placement.matches < needed && !hasUniformHalf(wordClass.word))
                    placement = placePair(bits, motifs[m].letters, reverse);
                if (placement.matches >= needed && placement.matches > best.matches) {
                    best = placement;
                    bestMotif = m;
                }
            }
        }
        if (bestMotif < motifs.size()) {
            addMember(motifs[bestMotif], wordClass, c, best);
        } else if (motifs.size() < limit) {
            Growing growing;
            growing.pairs = wordClass.dyad();
            growing.spacing = wordClass.spacing;
            growing.motif.bestSig = wordClass.sig();
            growing.motif.motif.log10E = wordClass.log10E;
            addMember(growing, wordClass, c, {static_cast<int>(wordClass.word.size()), 0, false, false});
            motifs.push_back(std::move(growing));
        }
    }
    // A motif keeps its core: the matrix and the members' offsets are the core's.
    std::vector<AssembledMotif> assembled;
    for (Growing& growing : motifs) {
        AssembledMotif& motif = assembled.emplace_back(std::move(growing.motif));
        trimToCore(motif, growing.spacers);
        motif.motif.id = "assembled-" + std::to_string(assembled.size());
        motif.motif.name = motif.consensus;
        for (const BaseWeights& row : motif.motif.counts)
            motif.motif.sites = std::max(motif.motif.sites, row[0] + row[1] + row[2] + row[3]);
        if (!motif.members.empty())
            motif.sequences = table.classes[motif.members.front().classIndex].sequences;
    }
    return assembled;
}
