#include "sequence/FamilyProfile.h"

#include "sequence/Windows.h"

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
    std::array<std::int64_t, longest - shortest + 1> windows {};
    forEachWindow<shortest, longest>(sequence, [&](std::size_t, int k, std::uint32_t forward, std::uint32_t reverse) {
        Length& length = lengths[static_cast<std::size_t>(k - shortest)];
        const std::uint32_t canonical = strand_ == Strand::Given ? forward : std::min(forward, reverse);
        ++windows[static_cast<std::size_t>(k - shortest)];
        if (length.lastSequence[canonical] != number) {
            length.lastSequence[canonical] = number;
            ++length.holding[canonical];
        }
    });
    for (std::size_t k = 0; k < windows.size(); ++k)
        ++lengths[k].windows[windows[k]];
}
