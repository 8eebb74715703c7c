#include "oracle/FastaFile.h"

#include "export/CountingTable.h"

#include "base/Diagnostics.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// Text mode on reading: every CR LF pair becomes LF. Returns the new size.
std::size_t joinLineEnds(char* data, std::size_t size)
{
    char* cr = static_cast<char*>(std::memchr(data, '\r', size));
    if (!cr)
        return size;
    char* out = cr;
    const char* in = cr;
    const char* end = data + size;
    while (in < end) {
        if (*in == '\r' && in + 1 < end && in[1] == '\n')
            ++in;
        *out++ = *in++;
    }
    return static_cast<std::size_t>(out - data);
}

/// Cursor over the lines of a text: CR and LF both end a line, runs of them count as one.
class LineCursor {
public:
    LineCursor(const char* text, std::size_t size, bool hasCarriageReturns)
        : pos(text)
        , end(text + size)
        , carriageReturns(hasCarriageReturns)
    {
    }

    bool next(const char*& line, std::size_t& length)
    {
        while (pos < end && (*pos == '\n' || *pos == '\r'))
            ++pos;
        if (pos >= end)
            return false;
        const char* stop = findLineEnd(pos, end, carriageReturns);
        line = pos;
        length = static_cast<std::size_t>(stop - pos);
        pos = stop;
        return true;
    }

private:
    const char* pos;
    const char* end;
    bool carriageReturns;
};

/// Reads an integer the way %i does (blanks skipped, sign, 0x hex, 0 octal, decimal).
/// False when no digit is there. Values beyond 32 bits are clamped.
bool scanInteger(const char*& p, const char* end, std::int32_t& value)
{
    while (p < end && isBlank(static_cast<unsigned char>(*p)))
        ++p;
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-'))
        negative = *q++ == '-';
    int base = 10;
    if (q < end && *q == '0') {
        base = 8;
        if (q + 2 < end && (q[1] == 'x' || q[1] == 'X') && std::isxdigit(static_cast<unsigned char>(q[2]))) {
            base = 16;
            q += 2;
        }
    }
    auto digitOf = [base](char c) -> int {
        int d = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'   ? c - 'a' + 10
            : c >= 'A' && c <= 'F'   ? c - 'A' + 10
                                     : 99;
        return d < base ? d : -1;
    };
    if (q >= end || digitOf(*q) < 0)
        return false;
    std::int64_t magnitude = 0;
    for (; q < end && digitOf(*q) >= 0; ++q) {
        magnitude = magnitude * base + digitOf(*q);
        if (magnitude > (std::int64_t(1) << 32))
            magnitude = std::int64_t(1) << 32;
    }
    std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX)
        signedValue = INT32_MAX;
    if (signedValue < INT32_MIN)
        signedValue = INT32_MIN;
    value = static_cast<std::int32_t>(signedValue);
    p = q;
    return true;
}

/// Matches optional blanks followed by the literal `word`.
bool scanWord(const char*& p, const char* end, const char* word, bool blanksFirst)
{
    const char* q = p;
    if (blanksFirst)
        while (q < end && isBlank(static_cast<unsigned char>(*q)))
            ++q;
    std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(end - q) < n || std::memcmp(q, word, n) != 0)
        return false;
    p = q + n;
    return true;
}

} // namespace

const char* findLineEnd(const char* from, const char* end, bool carriageReturns)
{
    const char* stop = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
    if (!stop)
        stop = end;
    if (carriageReturns) {
        const char* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(stop - from)));
        if (cr)
            stop = cr;
    }
    return stop;
}

bool isSequenceStart(unsigned char c)
{
    switch (c) {
    case 'A': case 'C': case 'G': case 'T': case 'N':
    case 'a': case 'c': case 'g': case 't': case 'n':
        return true;
    default:
        return false;
    }
}

void copyRaised(char* out, const char* in, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        bool raise = c == 'a' || c == 'c' || c == 'g' || c == 't';
        out[i] = static_cast<char>(c - (raise ? 32 : 0));
    }
}

void scanHeader(const char* line, std::size_t length, Gene& gene)
{
    const char* p = line + 1;
    const char* end = line + length;
    while (p < end && isBlank(static_cast<unsigned char>(*p)))
        ++p;
    const char* nameStart = p;
    while (p < end && !isBlank(static_cast<unsigned char>(*p)))
        ++p;
    if (p == nameStart)
        return;
    gene.name = DString(nameStart, static_cast<std::size_t>(p - nameStart));
    if (!scanWord(p, end, "from", true) || !scanInteger(p, end, gene.from))
        return;
    if (!scanWord(p, end, "to", true) || !scanInteger(p, end, gene.to))
        return;
    if (!scanWord(p, end, ",", false) || !scanWord(p, end, "size", true))
        return;
    scanInteger(p, end, gene.size);
}

std::int64_t TextFile::read(const char* path)
{
    if (!path) {
        readStatus_ = ReadStatus::NoPath;
        return 0;
    }
    FileBytes bytes = readFileBytes(path);
    readStatus_ = bytes.status;
    readError_ = bytes.error;
    heldZeroByte_ = false;
    if (bytes.status != ReadStatus::Read) {
        if (bytes.status == ReadStatus::CannotOpen || bytes.status == ReadStatus::NoPath)
            diagnostics.printf("Error: Unable to open %s\n", path);
        else
            diagnostics.printf("Error: Unable to read %s: %s\n", path, bytes.error.c_str());
        return 0;
    }
    std::size_t delivered = joinLineEnds(bytes.data.get(), bytes.size);
    bytes.data[delivered] = '\0';
    if (delivered == 0)
        diagnostics.printf("Error: Unable to read bytes from %s\n", path);
    else
        diagnostics.printf("Read %zu bytes\n", delivered);
    std::size_t textLength = std::strlen(bytes.data.get());
    heldZeroByte_ = textLength < delivered;
    contents_ = std::make_unique<DString>(DString::adopt(bytes.data.release(), textLength));
    return static_cast<std::int64_t>(textLength);
}

int FastaFile::parse(const char* path)
{
    if (read(path) == 0)
        return 0;
    const char* text = contents_->text();
    const std::size_t size = contents_->length();
    const bool carriageReturns = std::memchr(text, '\r', size) != nullptr;

    std::size_t headers = 0;
    for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, '>', size - static_cast<std::size_t>(p - text)))); ++p)
        if (p == text || p[-1] == '\n' || p[-1] == '\r')
            ++headers;
    const std::size_t firstNew = genes.size();
    const std::size_t expected = firstNew + headers;
    diagnostics.printf("Number of genes in file: %zu\n", expected);
    genes.reserve(expected);

    // The sequence lines of the current gene, joined once its last line is known.
    std::vector<std::pair<const char*, std::size_t>> pieces;
    std::size_t current = 0;
    bool inGene = false;
    bool strayLines = false;
    auto finishGene = [&] {
        if (!inGene)
            return;
        std::size_t total = 0;
        for (const auto& piece : pieces)
            total += piece.second;
        if (total > 0) {
            char* joined = new char[total + 1];
            char* out = joined;
            for (const auto& piece : pieces) {
                copyRaised(out, piece.first, piece.second);
                out += piece.second;
            }
            *out = '\0';
            genes[current].sequence = DString::adopt(joined, total);
        }
        pieces.clear();
    };

    LineCursor lines(text, size, carriageReturns);
    const char* line;
    std::size_t length;
    while (lines.next(line, length)) {
        if (line[0] == '>') {
            finishGene();
            if (genes.size() >= expected) {
                diagnostics << "Critical error: gene buffer overrun\n";
                return -1;
            }
            current = genes.size();
            inGene = true;
            Gene& gene = genes.emplace_back();
            scanHeader(line, length, gene);
            diagnostics.printf("Read Gene %zu: %s\n", current, gene.name.text());
        } else if (isSequenceStart(static_cast<unsigned char>(line[0]))) {
            if (inGene) {
                pieces.emplace_back(line, length);
            } else if (!strayLines) {
                strayLines = true;
                diagnostics.printf("Warning: sequence lines before the first header line of %s are ignored\n", path);
            }
        }
    }
    finishGene();
    return 0;
}

void countGenes(Permutation& table, const FastaFile& fasta)
{
    WordCounter counter;
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i) {
        const DString& sequence = fasta.sequence(i);
        counter.count(sequence.text() ? sequence.text() : "", sequence.length());
        table.setSequenceLength(table.sequenceLength() + static_cast<std::int64_t>(sequence.length()));
    }
    table.takeCounts(counter);
}
