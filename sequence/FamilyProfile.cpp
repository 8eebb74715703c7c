#include "sequence/FamilyProfile.h"

#include "base/Dna.h"

#include <algorithm>

void FamilyProfile::add(std::string_view sequence, std::string_view name)
{
    ++records_;
    recordNames_.emplace_back(name);
    std::string upper(sequence);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    if (const auto found = seen.find(upper); found != seen.end()) {
        recordSequences_.push_back(found->second);
        return;
    }
    const auto index = static_cast<std::uint32_t>(sequences_.size());
    recordSequences_.push_back(index);
    longestSequence_ = std::max(longestSequence_, upper.size());
    sequences_.push_back(std::move(upper));
    seen.emplace(sequences_.back(), index);
    count(sequences_.back());
}

void FamilyProfile::count(const std::string& sequence)
{
    const auto number = static_cast<std::uint32_t>(sequences_.size());
    if (lengths[0].holding.empty()) {
        for (int k = shortest; k <= longest; ++k) {
            lengths[static_cast<std::size_t>(k - shortest)].holding.assign(std::size_t(1) << (2 * k), 0);
            lengths[static_cast<std::size_t>(k - shortest)].lastSequence.assign(std::size_t(1) << (2 * k), 0);
        }
    }
    // One pass for every length: the codes of the longest words, whose last k letters are the
    // shorter word ending at the same letter. The reverse complement's code grows at its high
    // end: its first base is the complement of the last base read.
    constexpr std::uint32_t longestMask = (std::uint32_t(1) << (2 * longest)) - 1;
    std::uint32_t forward = 0, reverse = 0;
    std::int64_t run = 0;
    std::array<std::int64_t, longest - shortest + 1> windows {};
    for (const char letter : sequence) {
        const std::uint8_t code = baseCodes[static_cast<unsigned char>(letter)];
        if (code == otherBase) {
            run = 0;
            continue;
        }
        forward = ((forward << 2) | code) & longestMask;
        reverse = (reverse >> 2) | (static_cast<std::uint32_t>(3 - code) << (2 * (longest - 1)));
        ++run;
        for (int k = shortest; k <= longest && k <= run; ++k) {
            Length& length = lengths[static_cast<std::size_t>(k - shortest)];
            const std::uint32_t kForward = forward & ((std::uint32_t(1) << (2 * k)) - 1);
            const std::uint32_t kReverse = reverse >> (2 * (longest - k));
            const std::uint32_t canonical = strand_ == Strand::Given ? kForward : std::min(kForward, kReverse);
            ++windows[static_cast<std::size_t>(k - shortest)];
            if (length.lastSequence[canonical] != number) {
                length.lastSequence[canonical] = number;
                ++length.holding[canonical];
            }
        }
    }
    for (std::size_t k = 0; k < windows.size(); ++k)
        ++lengths[k].windows[windows[k]];
}
