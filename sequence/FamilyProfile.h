#pragma once

#include "sequence/StrandCounts.h"
#include "sequence/WordCounter.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// What a gene family's sequences hold, sequence by sequence, for the statistics that count
/// sequences rather than occurrences. Each sequence counts once however often it is read:
/// records whose sequences are the same, letters compared case-insensitively, count as one.
///
/// A word class of k letters is a word of A, C, G and T together with its reverse
/// complement; it is numbered by the 2-bit code of whichever of the two codes lower (A=0,
/// C=1, G=2, T=3, the first base in the highest bits). A window of k letters counts when
/// each of its letters is A, C, G or T.
class FamilyProfile {
public:
    static constexpr int shortest = WordCounter::minimumLength;
    static constexpr int longest = WordCounter::maximumLength;

    /// With Strand::Given, a class is one word on the sequence's own strand, numbered by its
    /// code, and its reverse complement another.
    explicit FamilyProfile(Strand strand = Strand::Both)
        : strand_(strand)
    {
    }
    Strand strand() const { return strand_; }

    /// Adds a record's sequence, as it is to be counted (masked letters already N), and its
    /// name; a sequence met before only counts as a duplicate.
    void add(std::string_view sequence, std::string_view name = {});

    /// Record r's name, and the distinct sequence (an index into sequences()) it holds.
    const std::string& recordName(std::size_t r) const { return recordNames_[r]; }
    std::uint32_t recordSequence(std::size_t r) const { return recordSequences_[r]; }

    /// Records added, and those among them that repeated an earlier record's sequence.
    std::int64_t records() const { return records_; }
    std::int64_t duplicates() const { return records_ - static_cast<std::int64_t>(sequences_.size()); }
    /// The number of distinct sequences.
    std::int64_t size() const { return static_cast<std::int64_t>(sequences_.size()); }

    /// The distinct sequences in the order first met, in upper case.
    const std::deque<std::string>& sequences() const { return sequences_; }
    /// The length of the longest distinct sequence, in letters of any kind.
    std::size_t longestSequence() const { return longestSequence_; }

    /// How many distinct sequences hold the class of `length` letters numbered `code`.
    std::uint32_t sequencesWith(int length, std::uint32_t code) const { return at(length).holding[code]; }
    /// For `length`, each number of windows a distinct sequence has, with how many have it.
    const std::map<std::int64_t, std::int64_t>& windowCounts(int length) const { return at(length).windows; }

private:
    struct Length {
        std::vector<std::uint32_t> holding;
        std::vector<std::uint32_t> lastSequence; ///< the sequence (from 1) that counted each class last
        std::map<std::int64_t, std::int64_t> windows;
    };
    const Length& at(int length) const { return lengths[static_cast<std::size_t>(length - shortest)]; }
    void count(const std::string& sequence);

    Strand strand_ = Strand::Both;
    std::int64_t records_ = 0;
    std::vector<std::string> recordNames_;
    std::vector<std::uint32_t> recordSequences_;
    std::size_t longestSequence_ = 0;
    std::deque<std::string> sequences_; ///< the distinct sequences in upper case, which `seen` views
    std::unordered_map<std::string_view, std::uint32_t> seen; ///< each distinct sequence's index
    std::array<Length, longest - shortest + 1> lengths;
};
