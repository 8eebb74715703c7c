#include "sequence/FastaStream.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cstring>

namespace {

/// The first CR or LF at or after `from`, or `end`; looks for CR only when the text has any.
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

/// Copies `length` bytes, raising a, c, g and t to upper case; every other byte unchanged.
void copyRaised(char* out, const char* in, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        bool raise = c == 'a' || c == 'c' || c == 'g' || c == 't';
        out[i] = static_cast<char>(c - (raise ? 32 : 0));
    }
}

/// Past this much text the "Read Gene" lines are written as they come instead of after the
/// summary lines, so that a file of millions of records does not hold them all.
constexpr std::size_t geneLinesKept = 16 << 20;

/// Bytes of a piece carried into the next unit to complete the windows at its end.
constexpr std::size_t overlap = WordCounter::maximumLength - 1;

} // namespace

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

FastaStream::FastaStream(const char* path, UnitSink sink, UnitSource source, Diagnostics diagnostics)
    : diagnostics(diagnostics)
    , path(path)
    , sink(std::move(sink))
    , source(std::move(source))
    , unit(this->source())
{
}

void FastaStream::feed(const char* data, std::size_t size)
{
    // A byte order mark may come split over several chunks; bytes that begin one without
    // completing it are text after all.
    while (!markDecided && size > 0) {
        if (static_cast<unsigned char>(*data) == static_cast<unsigned char>(byteOrderMark[markMatched])) {
            ++data;
            --size;
            if (++markMatched == byteOrderMark.size())
                markDecided = true;
        } else {
            markDecided = true;
            feedText(byteOrderMark.data(), markMatched);
        }
    }
    feedText(data, size);
}

void FastaStream::feedText(const char* data, std::size_t size)
{
    if (zeroByte || size == 0)
        return;
    if (const void* zero = std::memchr(data, '\0', size)) {
        size = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
        zeroByte = true;
    }
    // Text mode delivers CR LF as one byte.
    delivered += size;
    const bool carriageReturns = std::memchr(data, '\r', size) != nullptr;
    if (size && lastWasCarriageReturn && data[0] == '\n')
        --delivered;
    if (carriageReturns)
        for (std::size_t i = 1; i < size; ++i)
            if (data[i] == '\n' && data[i - 1] == '\r')
                --delivered;
    if (size)
        lastWasCarriageReturn = data[size - 1] == '\r';

    const char* p = data;
    const char* end = data + size;
    auto lineEnd = [&](const char* from) { return findLineEnd(from, end, carriageReturns); };
    while (p < end) {
        switch (state) {
        case State::LineStart:
            while (p < end && (*p == '\n' || *p == '\r'))
                ++p;
            if (p == end)
                break;
            if (*p == '>') {
                endGene();
                state = State::Header;
                namePart = NamePart::Before;
                name.clear();
                ++p;
            } else if (isSequenceStart(static_cast<unsigned char>(*p)) && inGene) {
                state = State::Sequence;
            } else {
                if (isSequenceStart(static_cast<unsigned char>(*p)) && !warnedStray) {
                    warnedStray = true;
                    diagnostics.printf("Warning: sequence lines before the first header line of %s are ignored\n", path);
                }
                state = State::Skipped;
            }
            break;
        case State::Header: {
            const char* stop = lineEnd(p);
            readHeader(p, static_cast<std::size_t>(stop - p));
            p = stop;
            if (p < end) {
                endHeader();
                state = State::LineStart;
            }
            break;
        }
        case State::Sequence: {
            const char* stop = lineEnd(p);
            append(p, static_cast<std::size_t>(stop - p));
            p = stop;
            if (p < end)
                state = State::LineStart;
            break;
        }
        case State::Skipped:
            p = lineEnd(p);
            if (p < end)
                state = State::LineStart;
            break;
        }
    }
}

// The name is the header line's first word, blanks skipped; the rest of the line is passed over.
void FastaStream::readHeader(const char* data, std::size_t size)
{
    const char* end = data + size;
    while (data < end && namePart != NamePart::After) {
        const bool blank = isBlank(static_cast<unsigned char>(*data));
        if (namePart == NamePart::Before && !blank) {
            namePart = NamePart::Inside;
        } else if (namePart == NamePart::Inside && blank) {
            namePart = NamePart::After;
        } else if (namePart == NamePart::Inside) {
            const char* wordEnd = data;
            while (wordEnd < end && !isBlank(static_cast<unsigned char>(*wordEnd)))
                ++wordEnd;
            const std::size_t kept = std::min(static_cast<std::size_t>(wordEnd - data), headerNameLimit - name.size());
            name.append(data, kept);
            data = wordEnd;
            // What follows a name cut short is passed over as the rest of the line is.
            if (name.size() == headerNameLimit)
                namePart = NamePart::After;
        } else {
            ++data;
        }
    }
}

void FastaStream::endHeader()
{
    if (geneHook)
        geneHook(genes, name, bases);
    std::string line = "Read Gene " + std::to_string(genes) + ": ";
    line.append(name);
    line += '\n';
    if (linesFlushed) {
        diagnostics << line;
    } else {
        geneLines += line;
        if (geneLines.size() > geneLinesKept) {
            diagnostics << geneLines;
            geneLines.clear();
            linesFlushed = true;
        }
    }
    ++genes;
    inGene = true;
    pieceOffset = unit->size;
    pieceStart = bases;
}

void FastaStream::append(const char* data, std::size_t size)
{
    while (size > 0) {
        std::size_t room = unit->capacity - unit->size;
        if (room == 0) {
            newUnit();
            continue;
        }
        std::size_t n = std::min(room, size);
        if (raise)
            copyRaised(unit->bytes.get() + unit->size, data, n);
        else
            std::memcpy(unit->bytes.get() + unit->size, data, n);
        unit->size += n;
        bases += n;
        data += n;
        size -= n;
    }
}

// The unit is full in the middle of a gene: its piece counts all but its last seven bytes,
// which start the gene's piece in the next unit.
void FastaStream::newUnit()
{
    std::size_t length = unit->size - pieceOffset;
    std::size_t carried = std::min(length, overlap);
    if (length > carried)
        unit->pieces.push_back({pieceOffset, length, length - carried, pieceStart});
    std::unique_ptr<CountingUnit> next = source();
    std::memcpy(next->bytes.get(), unit->bytes.get() + unit->size - carried, carried);
    next->size = carried;
    pieceStart += length - carried;
    pieceOffset = 0;
    sink(std::move(unit));
    unit = std::move(next);
}

void FastaStream::endGene()
{
    if (!inGene)
        return;
    std::size_t length = unit->size - pieceOffset;
    if (length > 0)
        unit->pieces.push_back({pieceOffset, length, length, pieceStart});
    pieceOffset = unit->size;
    pieceStart = bases;
    inGene = false;
}

void FastaStream::finish()
{
    if (!markDecided) {
        markDecided = true;
        feedText(byteOrderMark.data(), markMatched);
    }
    if (state == State::Header)
        endHeader();
    endGene();
    state = State::LineStart;
    sink(std::move(unit));
    unit = source();
}
