#include "analysis/MarkovModel.h"

#include "base/Dna.h"
#include "sequence/WordCodes.h"

#include <cmath>
#include <stdexcept>

namespace {

/// A table of expected counts: built word by word, its counters kept.
class ExpectedTable : public DTable {
public:
    void add(const std::string& word, std::int64_t count)
    {
        DString text(word.c_str());
        const std::int32_t b = bucketOf(text);
        addCounted(b, 0, std::move(text), count);
    }
};

} // namespace

MarkovModel::MarkovModel(int order)
    : order_(order)
{
    if (order < 0 || order > maximumOrder)
        throw std::invalid_argument("a Markov model's order lies from 0 to 5");
    counts.assign(std::size_t(1) << (2 * (order + 1)), 0.0);
}

void MarkovModel::addSequence(std::string_view sequence)
{
    const int width = order_ + 1;
    const std::uint64_t mask = (std::uint64_t(1) << (2 * width)) - 1;
    std::uint64_t code = 0;
    int valid = 0;
    for (const char c : sequence) {
        const std::uint8_t digit = digitCodes[static_cast<unsigned char>(c)];
        if (digit > 3) {
            valid = 0;
            continue;
        }
        code = ((code << 2) | digit) & mask;
        if (++valid < width)
            continue;
        counts[code] += 1.0;
        counts[reverseComplementCode(code, width)] += 1.0;
    }
    current = false;
}

void MarkovModel::addSixLetterWords(const DTable& table)
{
    const int shift = 2 * (6 - (order_ + 1));
    table.visitEntries([&](const WordEntry& entry) {
        const std::string_view word = entry.word.view();
        if (word.size() != 6 || entry.count <= 0)
            return;
        if (const std::int64_t code = dnaWordCode(word); code >= 0)
            counts[static_cast<std::size_t>(code >> shift)] += static_cast<double>(entry.count);
    });
    current = false;
}

double MarkovModel::windows() const
{
    double sum = 0.0;
    for (const double n : counts)
        sum += n;
    return sum;
}

void MarkovModel::makeLevels() const
{
    if (current)
        return;
    // The counts of each order: the one above summed over its last letter.
    std::vector<std::vector<double>> seen(static_cast<std::size_t>(order_ + 1));
    seen[static_cast<std::size_t>(order_)] = counts;
    for (int j = order_ - 1; j >= 0; --j) {
        const std::vector<double>& above = seen[static_cast<std::size_t>(j + 1)];
        seen[static_cast<std::size_t>(j)].assign(above.size() / 4, 0.0);
        for (std::size_t code = 0; code < above.size(); ++code)
            seen[static_cast<std::size_t>(j)][code >> 2] += above[code];
    }
    // The chance of each letter after each context, order by order.
    levels.assign(static_cast<std::size_t>(order_ + 1), {});
    for (int j = 0; j <= order_; ++j) {
        const std::vector<double>& n = seen[static_cast<std::size_t>(j)];
        std::vector<double>& level = levels[static_cast<std::size_t>(j)];
        level.resize(n.size());
        for (std::size_t word = 0; word < n.size(); ++word) {
            const std::size_t context = word & ~std::size_t(3);
            const double lower = j == 0 ? 0.25 : levels[static_cast<std::size_t>(j - 1)][word & (n.size() / 4 - 1)];
            level[word] = (n[word] + lower) / (n[context] + n[context | 1] + n[context | 2] + n[context | 3] + 1.0);
        }
    }
    current = true;
}

double MarkovModel::probability(std::uint64_t code, int length) const
{
    makeLevels();
    double chance = 1.0;
    for (int i = 0; i < length; ++i) {
        // The letter at i and the letters of its context before it, as one code.
        const int context = std::min(i, order_);
        const std::uint64_t window = (code >> (2 * (length - 1 - i))) & ((std::uint64_t(1) << (2 * (context + 1))) - 1);
        chance *= levels[static_cast<std::size_t>(context)][window];
    }
    return chance;
}

DTable expectedTable(const MarkovModel& model, std::int64_t bases)
{
    ExpectedTable table;
    for (int length = 6; length <= 8; ++length) {
        const double windows = static_cast<double>(bases - length + 1);
        const std::uint64_t words = std::uint64_t(1) << (2 * length);
        for (std::uint64_t code = 0; code < words; ++code) {
            const std::uint64_t reverse = reverseComplementCode(code, length);
            double chance = model.probability(code, length);
            if (reverse != code)
                chance += model.probability(reverse, length);
            if (const auto count = static_cast<std::int64_t>(std::llround(windows * chance)); count > 0)
                table.add(dnaWordOf(static_cast<std::int64_t>(code), length), count);
        }
    }
    table.setSequenceLength(bases);
    return table;
}
