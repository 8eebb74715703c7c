#include "sequence/Dyads.h"

#include "base/Dna.h"
#include "base/Parallel.h"
#include "sequence/FamilyProfile.h"
#include "sequence/Windows.h"

#include <algorithm>
#include <charconv>

namespace {

/// A broken half is one past the last half's code, so that a pair's place in a table of
/// (halfCodes + 1)^2 needs no test.
constexpr std::uint32_t brokenHalf = brokenDyadHalf;
static_assert(brokenHalf == dyadCodes >> (2 * dyadHalf));
constexpr std::size_t rawSide = brokenHalf + 1;

/// Calls visit(first, second) for the halves of every place a pair of `spacing` may start,
/// up to `starts`.
template <class Visit>
void forEachPair(const std::vector<std::uint8_t>& halves, int spacing, Visit&& visit,
    std::size_t starts = std::string_view::npos)
{
    const std::size_t gap = static_cast<std::size_t>(dyadHalf + spacing);
    for (std::size_t j = 0; j + gap < halves.size() && j < starts; ++j)
        visit(halves[j], halves[j + gap]);
}

} // namespace

std::vector<std::uint8_t> dyadHalvesOf(std::string_view sequence)
{
    std::vector<std::uint8_t> halves(sequence.size(), brokenDyadHalf);
    forEachWindow<dyadHalf, dyadHalf>(sequence, [&halves](std::size_t end, int, std::uint32_t forward, std::uint32_t) {
        halves[end - dyadHalf] = static_cast<std::uint8_t>(forward);
    });
    return halves;
}

bool dyadSpacingsNamed(std::string_view text, DyadSpacings& spacings)
{
    const auto number = [](std::string_view digits, int& value) {
        if (digits.empty() || digits.size() > 3)
            return false;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return error == std::errc() && end == digits.data() + digits.size();
    };
    const std::size_t dash = text.find('-');
    DyadSpacings named;
    if (!number(text.substr(0, dash), named.shortest))
        return false;
    named.longest = named.shortest;
    if (dash != std::string_view::npos && !number(text.substr(dash + 1), named.longest))
        return false;
    if (named.shortest < 0 || named.longest > widestDyadSpacing || named.shortest > named.longest)
        return false;
    spacings = named;
    return true;
}

std::string dyadWord(std::uint32_t code, int spacing)
{
    std::string word(static_cast<std::size_t>(2 * dyadHalf + spacing), 'n');
    for (int i = 0; i < 2 * dyadHalf; ++i) {
        const char letter = "ACGT"[(code >> (2 * (2 * dyadHalf - 1 - i))) & 3];
        word[static_cast<std::size_t>(i < dyadHalf ? i : i + spacing)] = letter;
    }
    return word;
}

DyadCounts::DyadCounts(DyadSpacings spacings)
    : spacings_(spacings)
    , counts_(static_cast<std::size_t>(spacings.count()), std::vector<std::int64_t>(rawSide * rawSide, 0))
{
}

void DyadCounts::add(std::string_view sequence, std::int64_t times, std::size_t starts)
{
    const std::vector<std::uint8_t> halves = dyadHalvesOf(sequence);
    for (int spacing = spacings_.shortest; spacing <= spacings_.longest; ++spacing) {
        // Pairs with a broken half land in the last row or column, left out when taken.
        std::int64_t* raw = counts_[at(spacing)].data();
        forEachPair(halves, spacing, [raw, times](std::uint8_t first, std::uint8_t second) {
            raw[first * rawSide + second] += times;
        }, starts);
    }
}

void DyadCounts::merge(const DyadCounts& other)
{
    for (int spacing = spacings_.shortest; spacing <= spacings_.longest; ++spacing) {
        if (spacing < other.spacings_.shortest || spacing > other.spacings_.longest)
            continue;
        std::vector<std::int64_t>& mine = counts_[at(spacing)];
        const std::vector<std::int64_t>& theirs = other.counts_[other.at(spacing)];
        for (std::size_t i = 0; i < mine.size(); ++i)
            mine[i] += theirs[i];
    }
}

std::vector<std::int64_t> DyadCounts::counts(int spacing) const
{
    const std::vector<std::int64_t>& raw = counts_[at(spacing)];
    std::vector<std::int64_t> packed(dyadCodes);
    for (std::uint32_t code = 0; code < dyadCodes; ++code)
        packed[code] = raw[(code >> (2 * dyadHalf)) * rawSide + (code & (brokenHalf - 1))];
    return packed;
}

std::int64_t DyadCounts::windows(int spacing) const
{
    std::int64_t windows = 0;
    for (const std::int64_t count : counts(spacing))
        windows += count;
    return windows;
}

DyadProfile::DyadProfile(const FamilyProfile& family, DyadSpacings spacings)
    : strand_(family.strand())
    , occurrences_(spacings)
    , holding_(static_cast<std::size_t>(spacings.count()), std::vector<std::uint32_t>(dyadCodes, 0))
    , windows_(static_cast<std::size_t>(spacings.count()))
{
    // Each distinct sequence is read once and its pairs counted as often as records hold it.
    const std::deque<std::string>& sequences = family.sequences();
    std::vector<std::int64_t> times(sequences.size(), 0);
    for (std::int64_t r = 0; r < family.records(); ++r)
        ++times[family.recordSequence(static_cast<std::size_t>(r))];
    std::vector<std::vector<std::uint8_t>> halves(sequences.size());
    forEachInParallel(sequences.size(), [&](std::size_t s) { halves[s] = dyadHalvesOf(sequences[s]); }, 256);
    std::vector<std::uint32_t> classOf(dyadCodes);
    for (std::uint32_t code = 0; code < dyadCodes; ++code)
        classOf[code] = strand_ == Strand::Given
            ? code
            : std::min(code, static_cast<std::uint32_t>(reverseComplementCode(code, 2 * dyadHalf)));
    // The spacings side by side, each on its own counts.
    forEachInParallel(static_cast<std::size_t>(spacings.count()), [&](std::size_t at) {
        const int spacing = spacings.shortest + static_cast<int>(at);
        std::int64_t* raw = occurrences_.counts_[at].data();
        std::vector<std::uint32_t>& holding = holding_[at];
        std::vector<std::uint32_t> lastSequence(dyadCodes, 0); // the sequence (from 1) that counted each class last
        for (std::size_t s = 0; s < sequences.size(); ++s) {
            const auto number = static_cast<std::uint32_t>(s + 1);
            const std::int64_t copies = times[s];
            std::int64_t places = 0;
            forEachPair(halves[s], spacing, [&](std::uint8_t first, std::uint8_t second) {
                raw[first * rawSide + second] += copies;
                if (first == brokenHalf || second == brokenHalf)
                    return;
                ++places;
                const std::uint32_t canonical = classOf[(std::uint32_t(first) << (2 * dyadHalf)) | second];
                if (lastSequence[canonical] != number) {
                    lastSequence[canonical] = number;
                    ++holding[canonical];
                }
            });
            ++windows_[at][places];
        }
    });
}
