#include "analysis/ScoreEngine.h"

#include "analysis/Statistics.h"
#include "base/Dna.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

namespace {

void setScores(WordEntry& entry, double score1, double score2, double score3)
{
    entry.score1 = score1;
    entry.score2 = score2;
    entry.score3 = score3;
}

/// With fewer than 50 candidates the bar steps once per candidate.
std::size_t progressIntervalFor(std::size_t candidates)
{
    return std::max<std::size_t>(candidates / 50, 1);
}

} // namespace

std::int64_t ScoreEngine::tabulateSteps(std::size_t candidates)
{
    const std::size_t interval = progressIntervalFor(candidates);
    return static_cast<std::int64_t>((candidates + interval - 1) / interval);
}

std::int64_t ScoreEngine::refineSteps(std::size_t candidates, std::size_t geneFiles)
{
    return static_cast<std::int64_t>(std::min<std::size_t>(refinedCandidates, candidates) * refinementPasses * geneFiles);
}

std::vector<std::size_t> ScoreEngine::refinedLengths() const
{
    std::vector<std::size_t> lengths;
    for (std::size_t i = 0; i < std::min<std::size_t>(refinedCandidates, candidates.size()); ++i)
        if (std::find(lengths.begin(), lengths.end(), candidates[i].word.length()) == lengths.end())
            lengths.push_back(candidates[i].word.length());
    return lengths;
}

void ScoreEngine::tabulate(const DTable& big, const DTable& small)
{
    static const Diagnostics silent;
    const Diagnostics& console = progress ? progress->feedback().diagnostics() : silent;
    console << "Flattening..";
    candidates = small.entries();
    background = big.entries();
    console << "..flattened.." << std::endl;
    console << "Tabulating scores.. ";
    // The console line keeps the "created" of the table that once served here for the
    // reverse complement, so that it reads as it always has.
    console << DTable::createdText;

    const std::size_t n = candidates.size();
    const double bigLength = static_cast<double>(big.sequenceLength());
    const double smallLength = static_cast<double>(small.sequenceLength());
    const std::size_t progressInterval = progressIntervalFor(n);
    const std::size_t consoleInterval = n / 10;
    int percentMark = 10;

    // First the quantities of every word to score, so that the binomial's log-factorials
    // can be summed in one pass; then the scores, in list order.
    struct Scored {
        std::size_t index;
        double p, observed, expected;
    };
    std::vector<Scored> scored;
    std::vector<double> arguments {smallLength};
    for (std::size_t i = 0; i < n; ++i) {
        const WordEntry& entry = candidates[i];
        // Only DNA words are candidates: a word holding N or any other letter is a piece of
        // an assembly gap or an ambiguity code, never a regulatory word.
        if (entry.word.length() != static_cast<std::size_t>(targetLength) || !isDnaWord(entry.word.view()))
            continue;
        double p = static_cast<double>(big.countOf(entry.word)) / bigLength;
        double observed = static_cast<double>(entry.count);
        double expected = smallLength * p;
        if (isOwnReverseComplement(entry.word.view()))
            p = p / 2.0;
        if (observed > expected && observed > minimumCount) {
            scored.push_back({i, p, observed, expected});
            arguments.push_back(smallLength - observed);
            arguments.push_back(observed);
        }
    }
    LogFactorialTable logFactorials(std::move(arguments));

    std::size_t next = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % progressInterval == 0)
            step();
        if (i >= 10 && i % consoleInterval == 0) {
            console << percentMark << "% ";
            percentMark += 10;
        }
        WordEntry& entry = candidates[i];
        if (next < scored.size() && scored[next].index == i) {
            const Scored& s = scored[next++];
            setScores(entry, s.expected / s.observed, poissonProbability(s.expected, s.observed),
                binomialProbability(s.observed, smallLength, s.p, logFactorials));
        } else {
            setScores(entry, 1.0, 1.0, 1.0);
        }
    }
    console << "done." << std::endl;
}

void ScoreEngine::sortCandidates()
{
    // The same stable sort by Score 1, done on small (score, place) pairs; the records then
    // move once, straight to their places.
    struct Key {
        double score;
        std::size_t place;
    };
    std::vector<Key> keys(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i)
        keys[i] = {candidates[i].score1, i};
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.score < b.score; });
    std::vector<WordEntry> sorted;
    sorted.reserve(candidates.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(candidates[key.place]));
    candidates = std::move(sorted);
}

namespace {

/// Words up to this long are scored through a table of every word over A, C, G, T.
constexpr std::size_t longestTabulatedWord = 8;
/// The code of a word with a byte other than A, C, G, T: it is scored letter by letter.
constexpr std::uint32_t uncoded = ~std::uint32_t(0);
/// The bases in code order: a word's code is its letters' digits in base 4, first letter first.
constexpr char codedBases[4] = {'A', 'C', 'G', 'T'};

/// The words of one gene list that have the length refined, in list order; those over
/// A, C, G, T also by their codes, the others by their places among the words.
struct FittingWords {
    std::vector<const DString*> words;
    std::vector<std::uint32_t> codes;
    std::vector<std::size_t> codedPlaces; ///< where the word of codes[j] stands in `words`
    std::vector<std::size_t> otherPlaces; ///< in list order
    std::string otherLetters;             ///< the letters of those words one after the other
};

constexpr std::size_t nowhere = ~std::size_t(0);

/// The first j of the highest scores[codes[j]], when that is above 0.0; nowhere otherwise.
/// Four interleaved runs each keep their first place of their highest score, so that no
/// comparison waits for the one before; merging them by score, then place, gives the first.
std::size_t firstBest(const std::vector<std::uint32_t>& codes, const std::vector<double>& scores)
{
    constexpr std::size_t runs = 4;
    double best[runs] = {0.0, 0.0, 0.0, 0.0};
    std::size_t place[runs] = {nowhere, nowhere, nowhere, nowhere};
    const std::size_t n = codes.size();
    std::size_t j = 0;
    for (; j + runs <= n; j += runs) {
        for (std::size_t r = 0; r < runs; ++r) {
            const double score = scores[codes[j + r]];
            if (score > best[r]) {
                best[r] = score;
                place[r] = j + r;
            }
        }
    }
    for (std::size_t r = 0; j < n; ++j, ++r) {
        const double score = scores[codes[j]];
        if (score > best[r]) {
            best[r] = score;
            place[r] = j;
        }
    }
    double top = 0.0;
    std::size_t first = nowhere;
    for (std::size_t r = 0; r < runs; ++r) {
        if (place[r] != nowhere && (best[r] > top || (best[r] == top && place[r] < first))) {
            top = best[r];
            first = place[r];
        }
    }
    return first;
}

std::uint32_t codeOf(const DString& word)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(word.text());
    std::uint32_t code = 0;
    unsigned odd = 0;
    for (std::size_t k = 0; k < word.length(); ++k) {
        const unsigned digit = baseCodes[bytes[k]];
        odd |= digit;
        code = code * 4 + (digit & 3);
    }
    // otherBase (4) is the only code with that bit set.
    return odd & otherBase ? uncoded : code;
}

/// The match score of every word of `length` letters over A, C, G, T, entry `code`: the
/// weights added in position order starting from 0.0, as scoring the word letter by letter
/// adds them. Each level extends the sums of the one before by one letter, so every entry
/// is the same chain of additions and the same double.
void tabulateScores(const std::vector<double>& weights, std::size_t length, std::vector<double>& scores,
    std::vector<double>& shorter)
{
    scores.assign(1, 0.0);
    for (std::size_t k = 0; k < length; ++k) {
        shorter.swap(scores);
        scores.resize(shorter.size() * 4);
        const double* row = weights.data() + k * 256;
        for (std::size_t prefix = 0; prefix < shorter.size(); ++prefix)
            for (std::size_t digit = 0; digit < 4; ++digit)
                scores[prefix * 4 + digit] = shorter[prefix] + row[static_cast<unsigned char>(codedBases[digit])];
    }
}

} // namespace

void ScoreEngine::refineCandidates(std::vector<std::vector<WordEntry>> geneLists)
{
    const std::size_t refined = std::min<std::size_t>(refinedCandidates, candidates.size());
    // Only words as long as the candidate can be picked: each gene list's words of that
    // length, in list order, gathered once per length.
    std::map<std::size_t, std::vector<FittingWords>> wordsOfLength;
    std::vector<double> scores, shorter;
    for (std::size_t i = 0; i < refined; ++i) {
        const DString word = candidates[i].word;
        const std::size_t length = word.length();
        const bool tabulated = length <= longestTabulatedWord;
        auto [slot, added] = wordsOfLength.try_emplace(length);
        auto& fitting = slot->second;
        if (added) {
            fitting.resize(geneLists.size());
            for (std::size_t g = 0; g < geneLists.size(); ++g) {
                FittingWords& list = fitting[g];
                for (const WordEntry& entry : geneLists[g]) {
                    if (entry.word.length() != length)
                        continue;
                    const std::uint32_t code = tabulated ? codeOf(entry.word) : uncoded;
                    if (code != uncoded) {
                        list.codes.push_back(code);
                        list.codedPlaces.push_back(list.words.size());
                    } else {
                        list.otherPlaces.push_back(list.words.size());
                        list.otherLetters.append(entry.word.view());
                    }
                    list.words.push_back(&entry.word);
                }
            }
        }

        ProbabilityMatrix matrix(word);
        // The matrix's value for every byte at every position, 0.0 for bytes other than
        // A, T, G, C: adding it in position order gives the match score to the bit.
        std::vector<double> weights(length * 256);
        for (int pass = 0; pass < refinementPasses; ++pass) {
            std::fill(weights.begin(), weights.end(), 0.0);
            for (std::size_t k = 0; k < length; ++k)
                for (char base : {'A', 'T', 'G', 'C'})
                    weights[k * 256 + static_cast<unsigned char>(base)] = matrix.probability(static_cast<int>(k), base);
            if (tabulated)
                tabulateScores(weights, length, scores, shorter);
            std::vector<DString> picked;
            picked.reserve(geneLists.size());
            for (const FittingWords& list : fitting) {
                // The first word in list order of the highest score, when that is above 0.0:
                // what scoring every word in list order and keeping only a higher score picks.
                // The coded words are looked up first, then the others take their places.
                double bestScore = 0.0;
                std::size_t bestPlace = nowhere;
                if (const std::size_t j = firstBest(list.codes, scores); j != nowhere) {
                    bestScore = scores[list.codes[j]];
                    bestPlace = list.codedPlaces[j];
                }
                for (std::size_t o = 0; o < list.otherPlaces.size(); ++o) {
                    const std::size_t place = list.otherPlaces[o];
                    const auto* bytes = reinterpret_cast<const unsigned char*>(list.otherLetters.data() + o * length);
                    double score = 0.0;
                    for (std::size_t k = 0; k < length; ++k)
                        score += weights[k * 256 + bytes[k]];
                    if (score > bestScore || (score == bestScore && bestPlace != nowhere && place < bestPlace)) {
                        bestScore = score;
                        bestPlace = place;
                    }
                }
                const DString* best = bestPlace != nowhere ? list.words[bestPlace] : nullptr;
                picked.push_back(best ? *best : DString(""));
                step();
            }
            matrix.rebuild(picked);
        }
        matrices.push_back(matrix);
    }
}
