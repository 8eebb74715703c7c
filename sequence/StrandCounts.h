#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

/// Which strand a word is read on. Both: a word and its reverse complement are one class, as
/// the tables count them. Given: a word is read on its sequence's own strand alone, as for
/// promoters whose strand is known.
enum class Strand { Both = 0, Given = 1 };

/// "both" or "given".
const char* strandName(Strand strand);
/// The strand `name` names, if any.
bool strandNamed(std::string_view name, Strand& strand);

/// The words of 6 to 8 letters of A, C, G and T of sequences as they are given, on their own
/// strand alone, by 2-bit code (A=0, C=1, G=2, T=3, the first letter highest); other letters
/// break words. What a table cannot keep, since it counts both strands alike.
class StrandCounts {
public:
    static constexpr int shortest = 6;
    static constexpr int longest = 8;

    StrandCounts();

    /// Counts the words of `sequence` (either case).
    void add(std::string_view sequence);

    /// The count of the word of `length` letters whose code is `code`.
    std::int64_t count(int length, std::uint32_t code) const
    {
        return counts_[static_cast<std::size_t>(length - shortest)][code];
    }
    /// The counts of every word of `length` letters, by code.
    const std::vector<std::int64_t>& counts(int length) const { return counts_[static_cast<std::size_t>(length - shortest)]; }
    /// The windows of `length` letters counted: the sum of that length's counts.
    std::int64_t windows(int length) const { return windows_[static_cast<std::size_t>(length - shortest)]; }

private:
    std::vector<std::vector<std::int64_t>> counts_;
    std::vector<std::int64_t> windows_;
};
