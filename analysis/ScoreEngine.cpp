#include "analysis/ScoreEngine.h"

#include "analysis/Statistics.h"
#include "base/Dna.h"

#include <algorithm>
#include <map>

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
    // What constructing a counting table for its reverse complement would write.
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
        if (entry.word.length() != static_cast<std::size_t>(targetLength))
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
    std::stable_sort(candidates.begin(), candidates.end());
}

void ScoreEngine::refineCandidates(std::vector<std::vector<WordEntry>> geneLists)
{
    const std::size_t refined = std::min<std::size_t>(refinedCandidates, candidates.size());
    // Only words as long as the candidate can be picked: each gene list's words of that
    // length, in list order, gathered once per length.
    std::map<std::size_t, std::vector<std::vector<const DString*>>> wordsOfLength;
    for (std::size_t i = 0; i < refined; ++i) {
        const DString word = candidates[i].word;
        const std::size_t length = word.length();
        auto [slot, added] = wordsOfLength.try_emplace(length);
        auto& fitting = slot->second;
        if (added) {
            fitting.resize(geneLists.size());
            for (std::size_t g = 0; g < geneLists.size(); ++g)
                for (const WordEntry& entry : geneLists[g])
                    if (entry.word.length() == length)
                        fitting[g].push_back(&entry.word);
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
            std::vector<DString> picked;
            picked.reserve(geneLists.size());
            for (const auto& words : fitting) {
                const DString* best = nullptr;
                double bestScore = 0.0;
                for (const DString* candidateWord : words) {
                    const auto* bytes = reinterpret_cast<const unsigned char*>(candidateWord->text());
                    double score = 0.0;
                    for (std::size_t k = 0; k < length; ++k)
                        score += weights[k * 256 + bytes[k]];
                    if (score > bestScore) {
                        best = candidateWord;
                        bestScore = score;
                    }
                }
                picked.push_back(best ? *best : DString(""));
                step();
            }
            matrix.rebuild(picked);
        }
        matrices.push_back(matrix);
    }
}
