#pragma once

#include "sequence/StrandCounts.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class FamilyProfile;

/// Spaced pairs (dyads): two words of dyadHalf letters of A, C, G and T with a spacer of
/// `spacing` letters of any kind between them, as factors binding as dimers see them. A pair
/// is numbered by the 2-bit code of its two halves read as one word (the first half in the
/// high bits), so that the code of its reverse complement is reverseComplementCode(code,
/// 2 * dyadHalf), the spacer read backwards between the halves' reverse complements.
inline constexpr int dyadHalf = 3;
inline constexpr std::uint32_t dyadCodes = std::uint32_t(1) << (4 * dyadHalf);
/// The spacers a run may ask for, and those it takes by default.
inline constexpr int widestDyadSpacing = 50;
inline constexpr int defaultShortestSpacing = 0;
inline constexpr int defaultLongestSpacing = 20;

/// The code of a half that holds a letter other than A, C, G and T.
inline constexpr std::uint8_t brokenDyadHalf = std::uint8_t(1) << (2 * dyadHalf);

/// The code of the half (dyadHalf letters, upper case) starting at each place of `sequence`,
/// brokenDyadHalf where it is not a whole word of A, C, G and T (and for the last dyadHalf - 1
/// places).
std::vector<std::uint8_t> dyadHalvesOf(std::string_view sequence);

/// The spacings of the pairs a run counts, from `shortest` to `longest` letters.
struct DyadSpacings {
    int shortest = defaultShortestSpacing;
    int longest = defaultLongestSpacing;
    int count() const { return longest - shortest + 1; }
    friend bool operator==(const DyadSpacings&, const DyadSpacings&) = default;
};

/// The spacings `text` names ("MIN-MAX", or one number for a single spacing), each from 0 to
/// widestDyadSpacing and the smaller first; false when it names none.
bool dyadSpacingsNamed(std::string_view text, DyadSpacings& spacings);

/// The pair `code` with `spacing` letters between its halves, written as its halves in upper
/// case with the spacer as lower-case n: TGTnnnnnnACA.
std::string dyadWord(std::uint32_t code, int spacing);

/// The forward occurrences of every pair of each spacing in sequences of upper-case letters:
/// a pair occurs where both halves are whole words of A, C, G and T, whatever the spacer holds.
class DyadCounts {
public:
    explicit DyadCounts(DyadSpacings spacings = {});
    DyadSpacings spacings() const { return spacings_; }

    /// Counts the pairs of `sequence`, `times` over (a sequence read that often), those that
    /// start in its first `starts` letters alone (a piece of a longer sequence, which holds the
    /// letters that complete them after).
    void add(std::string_view sequence, std::int64_t times = 1, std::size_t starts = std::string_view::npos);
    void merge(const DyadCounts& other);

    /// The forward occurrences of every pair at `spacing`, by code.
    std::vector<std::int64_t> counts(int spacing) const;
    /// The places a pair of `spacing` occurs: the sum of that spacing's counts.
    std::int64_t windows(int spacing) const;

private:
    friend class DyadProfile;
    std::size_t at(int spacing) const { return static_cast<std::size_t>(spacing - spacings_.shortest); }

    DyadSpacings spacings_;
    /// Per spacing, the counts by the halves' codes, each with one more value standing for a
    /// half broken by another letter.
    std::vector<std::vector<std::int64_t>> counts_;
};

/// What a family's distinct sequences hold of the pairs, sequence by sequence, and what all
/// its records hold (each record counted, as the family's table counts words). A class is a
/// pair together with its reverse complement, numbered by the lower code of the two, or with
/// Strand::Given the pair alone.
class DyadProfile {
public:
    DyadProfile() = default;
    DyadProfile(const FamilyProfile& family, DyadSpacings spacings);

    DyadSpacings spacings() const { return occurrences_.spacings(); }
    Strand strand() const { return strand_; }
    /// The forward occurrences in every record of the family.
    const DyadCounts& occurrences() const { return occurrences_; }
    /// How many distinct sequences hold the class numbered `code` at `spacing`.
    std::uint32_t sequencesWith(int spacing, std::uint32_t code) const { return holding_[at(spacing)][code]; }
    /// For `spacing`, each number of places a pair could occur in a distinct sequence, with
    /// how many sequences have it.
    const std::map<std::int64_t, std::int64_t>& windowCounts(int spacing) const { return windows_[at(spacing)]; }

private:
    std::size_t at(int spacing) const { return static_cast<std::size_t>(spacing - spacings().shortest); }

    Strand strand_ = Strand::Both;
    DyadCounts occurrences_;
    std::vector<std::vector<std::uint32_t>> holding_;
    std::vector<std::map<std::int64_t, std::int64_t>> windows_;
};
