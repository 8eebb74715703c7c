#pragma once

#include "base/Diagnostics.h"
#include "sequence/WordCounter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// True for the first bytes of a sequence line: A, C, G, T and N, in either case.
bool isSequenceStart(unsigned char c);

/// Bytes of a header line's name kept for the "Read Gene" lines and the gene tables: a longer
/// name is cut to its first 1000 bytes, so that a header line of any length is read in
/// bounded memory.
inline constexpr std::size_t headerNameLimit = 1000;

/// The UTF-8 byte order mark, which some editors put at the start of a text file; it is not
/// part of the text.
inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

/// Sequence bytes to count, packed in one buffer: pieces of one or more genes, each with the
/// position of its first byte in the order of all bases and the number of its leading bytes
/// whose windows it counts (the rest, at most seven bytes, only complete those windows).
struct CountingUnit {
    struct Piece {
        std::size_t offset;
        std::size_t length;
        std::size_t counted;
        std::uint64_t start;
    };
    explicit CountingUnit(std::size_t capacity)
        : bytes(new char[capacity])
        , capacity(capacity)
    {
    }
    void countInto(WordCounter& counter) const
    {
        for (const Piece& piece : pieces)
            counter.countPiece(bytes.get() + piece.offset, piece.length, piece.counted, piece.start);
    }
    std::unique_ptr<char[]> bytes;
    std::size_t capacity;
    std::size_t size = 0;
    std::vector<Piece> pieces;
};

/// Reads FASTA text as it arrives, in chunks of any size, and hands the sequence bytes on in
/// counting units of bounded size, so that memory does not grow with the input, however long
/// its lines. Lines are read as the FASTA reader reads them: a line starting with ">" starts
/// a gene, named by the first word after it (blanks skipped; cut to headerNameLimit bytes), a
/// line starting with A, C, G, T or N (either case) is sequence with a, c, g and t raised,
/// every other line is skipped, and CR and LF both end lines. A byte order mark at the start
/// of the text is dropped.
class FastaStream {
public:
    using UnitSink = std::function<void(std::unique_ptr<CountingUnit>)>;
    using UnitSource = std::function<std::unique_ptr<CountingUnit>()>;
    /// Told of each gene as its header line ends: its number (from 0), its name as the
    /// "Read Gene" line gives it, and the position of its first base in the order of all
    /// bases, which is where its pieces start.
    using GeneHook = std::function<void(std::int64_t gene, std::string_view name, std::uint64_t firstBase)>;

    /// `sink` takes every full unit (and the last one); `source` gives an empty unit. The
    /// "Read Gene" lines and warnings about `path` go to `diagnostics`.
    FastaStream(const char* path, UnitSink sink, UnitSource source, Diagnostics diagnostics = {});

    /// Calls `hook` for every gene from the next header line on.
    void onGene(GeneHook hook) { geneHook = std::move(hook); }
    /// Hands the sequence bytes on as they stand, lower case kept, for a reader that masks
    /// soft-masked letters; by default a, c, g and t are raised.
    void keepCase() { raise = false; }

    /// Takes the next bytes of the text.
    void feed(const char* data, std::size_t size);
    /// The text has ended: hands on the last unit.
    void finish();

    /// Bytes delivered, CR LF counted once as text mode reads them, a byte order mark not at all.
    std::uint64_t bytesRead() const { return delivered; }
    std::int64_t geneCount() const { return genes; }
    std::uint64_t sequenceLength() const { return bases; }
    /// True when the text held a zero byte; nothing after it is read.
    bool heldZeroByte() const { return zeroByte; }
    /// The "Read Gene" lines not yet written, in order.
    std::string takeGeneLines() { return std::move(geneLines); }

private:
    enum class State { LineStart, Header, Sequence, Skipped };
    /// Where a header line is: before its name, in it, or past it.
    enum class NamePart { Before, Inside, After };

    void feedText(const char* data, std::size_t size);
    void readHeader(const char* data, std::size_t size);
    void endHeader();
    void append(const char* data, std::size_t size);
    void endGene();
    void newUnit();

    Diagnostics diagnostics;
    const char* path;
    UnitSink sink;
    UnitSource source;
    GeneHook geneHook;
    std::unique_ptr<CountingUnit> unit;
    State state = State::LineStart;
    NamePart namePart = NamePart::Before;
    std::string name;
    std::size_t markMatched = 0; ///< bytes of a byte order mark met at the start so far
    bool markDecided = false;
    bool inGene = false;
    bool warnedStray = false;
    bool zeroByte = false;
    bool lastWasCarriageReturn = false;
    bool raise = true;
    std::size_t pieceOffset = 0;
    std::uint64_t pieceStart = 0;
    std::uint64_t delivered = 0;
    std::int64_t genes = 0;
    std::uint64_t bases = 0;
    std::string geneLines;
    bool linesFlushed = false;
};
