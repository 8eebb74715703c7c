#include "analysis/MarkovModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>

namespace {

const std::string letters = "ACGT";

std::string reverseComplementOf(const std::string& word)
{
    std::string reverse(word.rbegin(), word.rend());
    for (char& c : reverse)
        c = "TGCA"[letters.find(c)];
    return reverse;
}

/// The model written plainly: windows counted as strings, every chance found by recursion.
class PlainModel {
public:
    PlainModel(int order, const std::vector<std::string>& sequences)
        : order(order)
    {
        for (const std::string& sequence : sequences)
            for (std::size_t i = 0; i + order + 1 <= sequence.size(); ++i) {
                const std::string window = sequence.substr(i, static_cast<std::size_t>(order) + 1);
                if (window.find_first_not_of(letters) != std::string::npos)
                    continue;
                counts[window] += 1.0;
                counts[reverseComplementOf(window)] += 1.0;
            }
    }

    /// N of a word of order + 1 letters or fewer: the windows it starts.
    double n(const std::string& word) const
    {
        double sum = 0.0;
        for (const auto& [window, count] : counts)
            if (window.compare(0, word.size(), word) == 0)
                sum += count;
        return sum;
    }

    /// The chance of the last letter of `word` after the others.
    double next(const std::string& word) const
    {
        if (word.empty())
            return 0.25;
        const std::string context = word.substr(0, word.size() - 1);
        const double lower = next(word.substr(1));
        return (n(word) + lower) / (n(context) + 1.0);
    }

    double probability(const std::string& word) const
    {
        double chance = 1.0;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const std::size_t context = std::min<std::size_t>(i, static_cast<std::size_t>(order));
            chance *= next(word.substr(i - context, context + 1));
        }
        return chance;
    }

private:
    int order;
    std::map<std::string, double> counts;
};

std::vector<std::string> randomSequences(unsigned seed, int count)
{
    std::mt19937 random(seed);
    std::vector<std::string> sequences;
    for (int s = 0; s < count; ++s) {
        std::string sequence(50 + random() % 200, 'A');
        for (char& c : sequence)
            c = random() % 40 == 0 ? 'N' : "AACGTTTG"[random() % 8];
        sequences.push_back(sequence);
    }
    return sequences;
}

std::uint64_t codeOf(const std::string& word)
{
    std::uint64_t code = 0;
    for (const char c : word)
        code = code * 4 + letters.find(c);
    return code;
}

} // namespace

TEST(MarkovModel, ChancesAreThoseOfThePlainModelAndAddUpToOne)
{
    const std::vector<std::string> sequences = randomSequences(5, 12);
    std::mt19937 random(9);
    for (int order = 0; order <= MarkovModel::maximumOrder; ++order) {
        SCOPED_TRACE(order);
        MarkovModel model(order);
        for (const std::string& sequence : sequences)
            model.addSequence(sequence);
        const PlainModel plain(order, sequences);
        for (int k = 0; k < 40; ++k) {
            std::string word(6 + random() % 3, 'A');
            for (char& c : word)
                c = letters[random() % 4];
            EXPECT_NEAR(model.probability(codeOf(word), static_cast<int>(word.size())) / plain.probability(word), 1.0, 1e-12)
                << word;
        }
        double sum = 0.0;
        for (std::uint64_t code = 0; code < (1u << 14); ++code)
            sum += model.probability(code, 7);
        EXPECT_NEAR(sum, 1.0, 1e-9);
    }
}

TEST(MarkovModel, ATablesSixLetterWordsGiveTheWindowsTheirPrefixesStart)
{
    // A table counting every 6-letter word w once and its reverse complement once, as an
    // export does, gives each order-2 window the count of the 6-letter words it starts.
    DTable table;
    const std::vector<std::string> words {"ACGTAC", "ACGGGG", "TTTACG", "CCCCCC"};
    for (const std::string& word : words)
        table.insertEntry(WordEntry(DString(word.c_str()), 5, -1, -1, -1));
    MarkovModel fromTable(2);
    fromTable.addSixLetterWords(table);
    EXPECT_DOUBLE_EQ(fromTable.windows(), 20.0);
    // Windows ACG 10, TTT 5, CCC 5: A 10 of 20, C after A 10 of 10, G after AC 10 of 10,
    // each with its smoothing; G after C leans on G alone, which no window starts.
    const double a = (10 + 0.25) / 21.0;
    const double c = (10 + (5 + 0.25) / 21.0) / 11.0;
    const double gAfterC = (0 + 0.25 / 21.0) / 6.0;
    const double g = (10 + gAfterC) / 11.0;
    EXPECT_NEAR(fromTable.probability(codeOf("ACG"), 3), a * c * g, 1e-15);
}

TEST(MarkovModel, TheExpectedTableCountsEachWordAsItsChancesWant)
{
    MarkovModel model(1);
    model.addSequence("ACGTTGCAACGGTACCATGGACGTAGCTAGGCTTAACGATCGATCGGATCC");
    const std::int64_t bases = 1'000'000'000;
    const DTable table = expectedTable(model, bases);
    EXPECT_EQ(table.sequenceLength(), bases);
    EXPECT_EQ(table.distinctCount(), 4096 + 16384 + 65536);
    for (const std::string word : {"ACGTTG", "AAAAAAA", "ACGTACGT", "GGATCC"}) {
        const std::string reverse = reverseComplementOf(word);
        const auto k = static_cast<int>(word.size());
        double chance = model.probability(codeOf(word), k);
        if (reverse != word)
            chance += model.probability(codeOf(reverse), k);
        EXPECT_EQ(table.countOf(DString(word.c_str())), std::llround(static_cast<double>(bases - k + 1) * chance)) << word;
    }
}
