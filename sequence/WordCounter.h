#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

/// An array of counts, zero when allocated: its pages cost memory only once written, so that a
/// large array sparsely used stays small.
template <typename T>
class ZeroedArray {
public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t size)
        : values(size ? static_cast<T*>(std::calloc(size, sizeof(T))) : nullptr)
        , length(size)
    {
        if (size && !values)
            throw std::bad_alloc();
    }
    ZeroedArray(const ZeroedArray& other)
        : ZeroedArray(other.length)
    {
        if (length)
            std::memcpy(values, other.values, length * sizeof(T));
    }
    ZeroedArray(ZeroedArray&& other) noexcept
        : values(std::exchange(other.values, nullptr))
        , length(std::exchange(other.length, 0))
    {
    }
    ZeroedArray& operator=(ZeroedArray other) noexcept
    {
        std::swap(values, other.values);
        std::swap(length, other.length);
        return *this;
    }
    ~ZeroedArray() { std::free(values); }

    T& operator[](std::size_t i) { return values[i]; }
    const T& operator[](std::size_t i) const { return values[i]; }
    T* data() { return values; }
    std::size_t size() const { return length; }
    bool empty() const { return length == 0; }

private:
    T* values = nullptr;
    std::size_t length = 0;
};

/// Counts every word of lengths 6, 7 and 8 of a run of sequences on both strands, and the
/// moment each word was first added, exactly as adding the words one at a time would:
/// for every start position in order, for each length, the word and then its reverse
/// complement (once only when the two are equal).
///
/// Only the forward words are counted as the sequence goes by, and only its 8-mers wherever
/// an 8-mer follows: a 6- or 7-mer is counted with the 8-mers it starts, plus the few windows
/// at the end of a stretch that no 8-mer of the same kind extends. The reverse complements
/// are added when the words are taken. Each window is counted once, by where it starts:
/// - in a run of A, C, G, T: on 2-bit codes (A=0, C=1, G=2, T=3, the first base in the highest
///   bits) indexing dense arrays;
/// - from seven bytes before any other byte until sixteen of A, C, G, T follow again: words of
///   A, C, G, T, N on base-5 codes (N=4, the first base the highest digit) indexing dense
///   arrays, allocated the first time such a byte is met, and words holding any other byte
///   in a hash table of their bytes.
/// Words of A, C, G, T counted on base-5 codes join the others when the words are taken.
class WordCounter {
public:
    static constexpr int minimumLength = 6;
    static constexpr int maximumLength = 8;

    /// A counted word: its bytes packed little-endian (first byte lowest; a word never holds a
    /// zero byte, so its length is the number of bytes that are not zero), its count, and the
    /// order key of its first addition (smaller is earlier).
    struct Word {
        std::uint64_t bytes;
        std::uint64_t count;
        std::uint64_t firstKey;
        int length() const
        {
            int n = 0;
            while (n < 8 && (bytes >> (8 * n)) & 0xFF)
                ++n;
            return n;
        }
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
    /// Words held for windows with bytes other than A, C, G, T and N, whose memory grows with
    /// their number (about 50 bytes each).
    std::size_t otherWords() const { return general8.used + generalShort.used; }
    /// Moves those words of `other` into this counter, as merge() would add them.
    void takeOtherWords(WordCounter& other);
    /// Every word counted since construction or the last takeWords(), each with the count of
    /// its forward windows and those of its reverse complement, in no particular order; leaves
    /// the counter empty, its arrays kept for counting on. Words holding other bytes than
    /// A, C, G, T and N take 24 bytes each here, beside about as much again for their windows.
    std::vector<Word> takeWords();

    /// The order key of a word added from the window at `start` of length `length`,
    /// forward strand (0) or reverse complement (1).
    static std::uint64_t orderKey(std::uint64_t start, int length, int strand)
    {
        return (start * 3 + static_cast<std::uint64_t>(length - minimumLength)) * 2 + static_cast<std::uint64_t>(strand);
    }

private:
    /// Forward counts of words holding a byte other than A, C, G, T and N, by their bytes: open
    /// addressing, at most half full.
    struct Hashed {
        struct Slot {
            std::uint64_t bytes = 0; ///< 0 marks a free slot: words never hold a zero byte
            std::uint64_t count = 0;
            std::uint64_t first = 0; ///< start of its first forward window
        };
        std::vector<Slot> slots;
        std::size_t used = 0;
        int shift = 64;
        void add(std::uint64_t bytes, std::uint64_t times, std::uint64_t first);
        const Slot* find(std::uint64_t bytes) const;
        /// Makes room for `words` words in all.
        void reserve(std::size_t words);
        void merge(const Hashed& other);
        /// Words met forward or as a reverse complement.
        std::size_t wordCount() const;
        void appendWords(std::vector<Word>& out) const;
    };
    /// Forward counts and first starts indexed by a word's code.
    struct Dense {
        ZeroedArray<std::uint64_t> count, first;
        explicit Dense(std::size_t size = 0)
            : count(size)
            , first(size)
        {
        }
        void note(std::size_t code, std::uint64_t start)
        {
            if (count[code]++ == 0)
                first[code] = start;
        }
        std::uint64_t total(std::size_t code) const { return count[code]; }
        void merge(const Dense& other);
    };
    /// Forward counts of 8-mers on base-5 codes, in 32 bits so that the array stays in a core's
    /// cache; they are moved to 64 bits before any of them could overflow.
    struct Narrow {
        ZeroedArray<std::uint32_t> count;
        /// First starts with their bits flipped, so that zero, as allocated, is later than any.
        ZeroedArray<std::uint64_t> flippedFirst;
        ZeroedArray<std::uint64_t> spilled; ///< counts moved out of `count`, once any have been
        std::vector<std::uint32_t> counted; ///< the codes counted, as first met
        std::uint64_t untilSpill = 0xFFFFFFFF;
        explicit Narrow(std::size_t size = 0)
            : count(size)
            , flippedFirst(size)
        {
        }
        std::uint64_t total(std::size_t code) const { return count[code] + (spilled.empty() ? 0 : spilled[code]); }
        std::uint64_t first(std::size_t code) const { return ~flippedFirst[code]; }
        void spill();
        void merge(const Narrow& other);
    };

    void endRun(std::size_t runLength, std::uint32_t code, std::uint64_t end, std::uint64_t startLimit);
    std::size_t countOtherWindows(const unsigned char* bytes, std::size_t length, std::size_t counted, std::uint64_t start,
        std::size_t from, std::size_t first);
    void endLetters(std::size_t letters, std::uint32_t code, std::size_t end, std::size_t counted, std::uint64_t start);
    void countSequenceEnd(const unsigned char* bytes, std::size_t length, std::uint64_t start);
    /// `dense`, the words gathered from the dense arrays, followed by the words holding other
    /// bytes; empties the tables of those.
    std::vector<Word> withOtherWords(std::vector<Word> dense);

    std::uint64_t position = 0; ///< start of the next sequence in the global order
    // Words of A, C, G, T: the 8-mers, and the 6- and 7-mers at the end of a run.
    Dense pure8, pureEdge7, pureEdge6;
    // Words of A, C, G, T, N near other bytes: the same, the runs being those of A, C, G, T, N.
    Narrow letters8;
    Dense lettersEdge7, lettersEdge6;
    // Words holding any other byte: the 8-mers; the 6- and 7-mers at the end of a sequence, to
    // which takeWords() adds the prefixes of the 8-mers.
    Hashed general8, generalShort;
};
