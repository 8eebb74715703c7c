#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// Counts every word of lengths 6, 7 and 8 of a run of sequences on both strands, and the
/// moment each word was first added, exactly as adding the words one at a time would:
/// for every start position in order, for each length, the word and then its reverse
/// complement (once only when the two are equal).
///
/// Words over A, C, G, T are counted through 2-bit codes (A=0, C=1, G=2, T=3, the first
/// base in the highest bits): only the forward 8-mers are counted per position, and the
/// 6- and 7-mers are derived from their prefixes plus the few windows at the end of each
/// A/C/G/T run. Words holding any other byte take a general path, with runs of one byte
/// counted in a single step.
class WordCounter {
public:
    static constexpr int minimumLength = 6;
    static constexpr int maximumLength = 8;

    /// A counted word: its bytes packed little-endian (first byte lowest), its length,
    /// its count, and the order key of its first addition (smaller is earlier).
    struct Word {
        std::uint64_t bytes;
        std::uint64_t count;
        std::uint64_t firstKey;
        int length;
    };

    WordCounter();

    /// Counts the words of one sequence; sequences counted later come later in the order.
    void count(const char* sequence, std::size_t length);
    /// Counts the windows that start in the first `counted` bytes of a piece of a sequence
    /// whose first byte is at `start` in the order of all bases counted. The piece holds up to
    /// seven bytes beyond `counted` when the sequence goes on, so that every window starting
    /// in it is whole; a piece ending where its sequence ends has `counted` equal to `length`.
    void countPiece(const char* piece, std::size_t length, std::size_t counted, std::uint64_t start);
    /// Adds the counts of `other`, keeping the earlier first addition of every word.
    void merge(const WordCounter& other);
    /// Every word counted since construction or the last clear(), in no particular order.
    std::vector<Word> words() const;
    void clear();

    /// The order key of a word added from the window at `start` of length `length`,
    /// forward strand (0) or reverse complement (1).
    static std::uint64_t orderKey(std::uint64_t start, int length, int strand)
    {
        return (start * 3 + static_cast<std::uint64_t>(length - minimumLength)) * 2 + static_cast<std::uint64_t>(strand);
    }

private:
    struct Slot {
        std::uint64_t bytes = 0; ///< 0 marks a free slot: words never hold a zero byte
        std::uint64_t count = 0;
        std::uint64_t firstKey = 0;
    };

    void endRun(std::size_t runLength, std::uint32_t code, std::uint64_t end, std::uint64_t startLimit);
    void countGeneralWindows(const char* sequence, std::size_t length, std::size_t counted, std::uint64_t start);
    void addGeneral(std::uint64_t bytes, std::uint64_t times, std::uint64_t key);

    std::uint64_t position = 0; ///< start of the next sequence in the global order
    std::vector<std::uint64_t> count8, first8;
    std::vector<std::uint64_t> edgeCount7, edgeFirst7;
    std::vector<std::uint64_t> edgeCount6, edgeFirst6;
    std::vector<Slot> general;
    std::size_t generalUsed = 0;
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
};
