#include "sequence/WordCounter.h"

#include "sequence/WordCodes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace {

/// Forward counts and first starts of the words of one length, indexed by their codes; the
/// first starts with their bits flipped, so that zero, as allocated, is later than any.
struct Forward {
    ZeroedArray<std::uint64_t> count, flippedFirst;
    explicit Forward(std::size_t size)
        : count(size)
        , flippedFirst(size)
    {
    }
    std::uint64_t first(std::uint32_t code) const { return ~flippedFirst[code]; }
    void add(std::uint32_t code, std::uint64_t n, std::uint64_t start)
    {
        count[code] += n;
        flippedFirst[code] = std::max(flippedFirst[code], ~start);
    }
    template <typename Counted>
    void addAll(const Counted& counted)
    {
        for (std::uint32_t x = 0; x < count.size(); ++x)
            if (counted.count[x])
                add(x, counted.count[x], counted.first[x]);
    }
};

/// The 2-bit code of a word of A, C, G, T from its base-5 code.
std::uint32_t pureCode(std::uint32_t digits, int length)
{
    std::uint32_t code = 0;
    for (int i = 0; i < length; ++i, digits /= 5)
        code |= (digits % 5) << (2 * i);
    return code;
}

/// Appends every word met forward or as a reverse complement, with both counts: `codes` are
/// the codes counted forward; `count` and `first` give any code's forward count (0 when not
/// counted) and first start.
template <typename Count, typename First>
void appendWords(std::vector<WordCounter::Word>& out, const std::vector<std::uint32_t>& codes, Count count, First first,
    std::uint32_t radix, int length)
{
    for (std::uint32_t x : codes) {
        const std::uint32_t reverse = reverseComplementDigits(x, length, radix);
        const std::uint64_t n = count(x);
        const std::uint64_t key = WordCounter::orderKey(first(x), length, 0);
        if (reverse == x) {
            out.push_back({packDigits(x, length, radix), n, key});
        } else if (const std::uint64_t m = count(reverse)) {
            out.push_back({packDigits(x, length, radix), n + m, std::min(key, WordCounter::orderKey(first(reverse), length, 1))});
        } else {
            out.push_back({packDigits(x, length, radix), n, key});
            out.push_back({packDigits(reverse, length, radix), n, WordCounter::orderKey(first(x), length, 1)});
        }
    }
}

void appendWords(std::vector<WordCounter::Word>& out, const std::vector<std::uint32_t>& codes, const Forward& forward,
    std::uint32_t radix, int length)
{
    appendWords(
        out, codes, [&](std::uint32_t x) { return forward.count[x]; }, [&](std::uint32_t x) { return forward.first(x); },
        radix, length);
}

} // namespace

WordCounter::WordCounter()
    : pure8(power(4, 8))
    , pureEdge7(power(4, 7))
    , pureEdge6(power(4, 6))
{
}

void WordCounter::count(const char* sequence, std::size_t length)
{
    countPiece(sequence, length, length, position);
    position += length;
}

void WordCounter::countPiece(const char* piece, std::size_t length, std::size_t counted, std::uint64_t start)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(piece);
    std::uint64_t* counts = pure8.count.data();
    std::uint64_t* firsts = pure8.first.data();
    // Windows must start inside the counted part; an 8-mer always does, since at most seven
    // bytes follow it.
    const std::uint64_t startLimit = start + counted;
    std::size_t i = 0;
    while (i < length) {
        std::uint32_t code = 0;
        std::size_t run = 0;
        for (; i < length; ++i) {
            std::uint32_t base = baseCodes[bytes[i]];
            if (base == otherBase) [[unlikely]]
                break;
            code = ((code << 2) | base) & 0xFFFF;
            if (++run >= 8) [[likely]] {
                if (counts[code]++ == 0) [[unlikely]]
                    firsts[code] = start + i - 7;
            }
        }
        if (i == length)
            endRun(run, code, start + length, startLimit);
        else
            i = countOtherWindows(bytes, length, counted, start, i - run, i);
    }
}

void WordCounter::Dense::merge(const Dense& other)
{
    if (other.count.empty())
        return;
    if (count.empty())
        *this = Dense(other.count.size());
    for (std::size_t i = 0; i < count.size(); ++i) {
        if (other.count[i] == 0)
            continue;
        first[i] = count[i] == 0 ? other.first[i] : std::min(first[i], other.first[i]);
        count[i] += other.count[i];
    }
}

void WordCounter::Narrow::spill()
{
    if (spilled.empty())
        spilled = ZeroedArray<std::uint64_t>(count.size());
    for (std::uint32_t code : counted)
        spilled[code] += std::exchange(count[code], 0);
    untilSpill = 0xFFFFFFFF;
}

void WordCounter::Narrow::merge(const Narrow& other)
{
    if (other.count.empty())
        return;
    if (count.empty())
        *this = Narrow(other.count.size());
    spill();
    for (std::uint32_t code : other.counted) {
        if (flippedFirst[code] == 0)
            counted.push_back(code);
        flippedFirst[code] = std::max(flippedFirst[code], other.flippedFirst[code]);
        spilled[code] += other.total(code);
    }
}

void WordCounter::merge(const WordCounter& other)
{
    pure8.merge(other.pure8);
    pureEdge7.merge(other.pureEdge7);
    pureEdge6.merge(other.pureEdge6);
    letters8.merge(other.letters8);
    lettersEdge7.merge(other.lettersEdge7);
    lettersEdge6.merge(other.lettersEdge6);
    general8.merge(other.general8);
    generalShort.merge(other.generalShort);
}

void WordCounter::takeOtherWords(WordCounter& other)
{
    general8.merge(other.general8);
    generalShort.merge(other.generalShort);
    other.general8 = other.generalShort = Hashed();
}

// The 6- and 7-mers at the end of an A/C/G/T run are not prefixes of any counted 8-mer.
void WordCounter::endRun(std::size_t runLength, std::uint32_t code, std::uint64_t end, std::uint64_t startLimit)
{
    auto note = [startLimit](Dense& dense, std::uint32_t word, std::uint64_t start) {
        if (start < startLimit)
            dense.note(word, start);
    };
    if (runLength >= 7) {
        note(pureEdge6, (code >> 2) & 0xFFF, end - 7);
        note(pureEdge7, code & 0x3FFF, end - 7);
        note(pureEdge6, code & 0xFFF, end - 6);
    } else if (runLength == 6) {
        note(pureEdge6, code & 0xFFF, end - 6);
    }
}

// Near a byte other than A, C, G, T the windows are counted here, those of A, C, G, T and N
// on base-5 codes: the windows starting from seven bytes before `first` (but not before
// `from`, where the run of A, C, G, T before it started) until sixteen of A, C, G, T follow
// the last other byte. Returns where the windows not yet counted start.
std::size_t WordCounter::countOtherWindows(const unsigned char* bytes, std::size_t length, std::size_t counted,
    std::uint64_t start, std::size_t from, std::size_t first)
{
    if (letters8.count.empty()) {
        letters8 = Narrow(letterWords8);
        lettersEdge7 = Dense(power(5, 7));
        lettersEdge6 = Dense(power(5, 6));
    }
    constexpr std::uint32_t leadingDigit = power(5, maximumLength - 1);
    constexpr std::size_t handBack = 16;
    std::uint32_t* const counts = letters8.count.data();
    std::uint64_t* const flippedFirsts = letters8.flippedFirst.data();
    std::uint64_t untilSpill = letters8.untilSpill;
    // Windows of one outside word in a row (a run of one byte) are added in one step.
    std::uint64_t pendingWord = 0, pendingTimes = 0, pendingFirst = 0;

    const std::size_t origin = std::max(from, first >= span ? first - span : 0);
    std::uint32_t code = 0;     // base-5 code of the last eight bytes from `origin`
    std::size_t letters = 0;    // A, C, G, T, N in a row up to here, from `origin`
    std::size_t pure = 0;       // A, C, G, T in a row up to here
    std::size_t outsideEnd = 0; // one past the last outside byte, 0 for none
    std::size_t next = length;
    std::size_t i = origin;
    for (; i < length; ++i) {
        const unsigned char byte = bytes[i];
        const std::uint8_t digit = digitCodes[byte];
        pure = digit < nDigit ? pure + 1 : 0;
        if (digit == outside) [[unlikely]] {
            endLetters(letters, code, i, counted, start);
            letters = 0;
            outsideEnd = i + 1;
        } else {
            ++letters;
        }
        // The byte eight back leaves the code: no modulo on the loop's critical path.
        const std::uint32_t leaving = i >= origin + maximumLength ? codeDigits[bytes[i - maximumLength]] * leadingDigit : 0;
        code = (code - leaving) * 5 + codeDigits[byte];
        if (i < origin + span)
            continue;
        const std::size_t s = i - span;
        if (s >= counted)
            break;
        if (outsideEnd > s) [[unlikely]] {
            const std::uint64_t word = loadWord(bytes + s);
            if (word == pendingWord) {
                ++pendingTimes;
            } else {
                if (pendingTimes)
                    general8.add(pendingWord, pendingTimes, pendingFirst);
                pendingWord = word;
                pendingTimes = 1;
                pendingFirst = start + s;
            }
            continue;
        }
        if (counts[code]++ == 0) [[unlikely]] {
            if (flippedFirsts[code] == 0) {
                flippedFirsts[code] = ~(start + s);
                letters8.counted.push_back(code);
            }
        }
        if (--untilSpill == 0) [[unlikely]] {
            letters8.spill();
            untilSpill = letters8.untilSpill;
        }
        if (pure >= handBack) [[unlikely]] {
            next = s + 1;
            break;
        }
    }
    if (i == length) {
        endLetters(letters, code, length, counted, start);
        if (counted == length)
            countSequenceEnd(bytes, length, start);
    }
    if (pendingTimes)
        general8.add(pendingWord, pendingTimes, pendingFirst);
    letters8.untilSpill = untilSpill;
    return next;
}

// The 6- and 7-mers at the end of a run of A, C, G, T, N are not prefixes of any 8-mer of
// such letters.
void WordCounter::endLetters(std::size_t letters, std::uint32_t code, std::size_t end, std::size_t counted, std::uint64_t start)
{
    auto note = [&](Dense& dense, std::uint32_t word, std::size_t at) {
        if (at < counted)
            dense.note(word, start + at);
    };
    if (letters >= 7) {
        note(lettersEdge6, (code / 5) % power(5, 6), end - 7);
        note(lettersEdge7, code % power(5, 7), end - 7);
    }
    if (letters >= 6)
        note(lettersEdge6, code % power(5, 6), end - 6);
}

// At the end of a sequence no 8-mer extends the last 7-mer and the last two 6-mers.
void WordCounter::countSequenceEnd(const unsigned char* bytes, std::size_t length, std::uint64_t start)
{
    auto add = [&](std::size_t at, int size) {
        std::uint64_t word = 0;
        for (int j = 0; j < size; ++j)
            word |= static_cast<std::uint64_t>(bytes[at + static_cast<std::size_t>(j)]) << (8 * j);
        if (holdsOutside(word, size))
            generalShort.add(word, 1, start + at);
    };
    if (length >= 7) {
        add(length - 7, 6);
        add(length - 7, 7);
    }
    if (length >= 6)
        add(length - 6, 6);
}

void WordCounter::Hashed::add(std::uint64_t bytes, std::uint64_t times, std::uint64_t first)
{
    if ((used + 1) * 2 > slots.size())
        reserve(used + 1);
    const std::size_t mask = slots.size() - 1;
    std::size_t i = slotOf(bytes, shift);
    while (slots[i].bytes != 0 && slots[i].bytes != bytes)
        i = (i + 1) & mask;
    Slot& slot = slots[i];
    if (slot.bytes == 0) {
        slot.bytes = bytes;
        slot.first = first;
        ++used;
    } else if (first < slot.first) {
        slot.first = first;
    }
    slot.count += times;
}

const WordCounter::Hashed::Slot* WordCounter::Hashed::find(std::uint64_t bytes) const
{
    if (slots.empty())
        return nullptr;
    const std::size_t mask = slots.size() - 1;
    std::size_t i = slotOf(bytes, shift);
    while (slots[i].bytes != 0) {
        if (slots[i].bytes == bytes)
            return &slots[i];
        i = (i + 1) & mask;
    }
    return nullptr;
}

void WordCounter::Hashed::reserve(std::size_t words)
{
    std::size_t size = std::max<std::size_t>(slots.size(), 1024);
    while ((words + 1) * 2 > size)
        size *= 2;
    if (size == slots.size())
        return;
    std::vector<Slot> old(size);
    old.swap(slots);
    shift = 64 - std::countr_zero(size);
    const std::size_t mask = size - 1;
    for (const Slot& moved : old) {
        if (moved.bytes == 0)
            continue;
        std::size_t j = slotOf(moved.bytes, shift);
        while (slots[j].bytes != 0)
            j = (j + 1) & mask;
        slots[j] = moved;
    }
}

void WordCounter::Hashed::merge(const Hashed& other)
{
    if (other.used == 0)
        return;
    reserve(used + other.used);
    for (const Slot& slot : other.slots)
        if (slot.bytes != 0)
            add(slot.bytes, slot.count, slot.first);
}

std::size_t WordCounter::Hashed::wordCount() const
{
    std::size_t words = 0;
    for (const Slot& slot : slots) {
        if (slot.bytes == 0)
            continue;
        ++words;
        const std::uint64_t reverse = reverseComplementBytes(slot.bytes, Word {slot.bytes, 0, 0}.length());
        if (reverse != slot.bytes && !find(reverse))
            ++words;
    }
    return words;
}

void WordCounter::Hashed::appendWords(std::vector<Word>& out) const
{
    for (const Slot& slot : slots) {
        if (slot.bytes == 0)
            continue;
        const int length = Word {slot.bytes, 0, 0}.length();
        const std::uint64_t reverse = reverseComplementBytes(slot.bytes, length);
        std::uint64_t total = slot.count;
        std::uint64_t key = orderKey(slot.first, length, 0);
        if (reverse != slot.bytes) {
            if (const Slot* other = find(reverse)) {
                total += other->count;
                key = std::min(key, orderKey(other->first, length, 1));
            } else {
                // Met only as the reverse complement of this word.
                out.push_back({reverse, slot.count, orderKey(slot.first, length, 1)});
            }
        }
        out.push_back({slot.bytes, total, key});
    }
}

std::vector<WordCounter::Word> WordCounter::takeWords()
{
    std::vector<Word> dense;
    // Forward counts of the words of A, C, G, T of lengths 6, 7, 8.
    Forward pure[3] = {Forward(power(4, 6)), Forward(power(4, 7)), Forward(power(4, 8))};
    for (std::uint32_t y = 0; y < pure8.count.size(); ++y)
        if (pure8.count[y])
            for (int L = minimumLength; L <= maximumLength; ++L)
                pure[L - minimumLength].add(y >> (2 * (maximumLength - L)), pure8.count[y], pure8.first[y]);
    pure[0].addAll(pureEdge6);
    pure[1].addAll(pureEdge7);

    if (!letters8.count.empty()) {
        // The 8-mers stay where they were counted; their prefixes are gathered, and the words
        // of A, C, G, T among them all join those counted on 2-bit codes.
        Forward letters[2] = {Forward(power(5, 6)), Forward(power(5, 7))};
        std::vector<std::uint32_t> withN;
        for (std::uint32_t y : letters8.counted) {
            const std::uint64_t n = letters8.total(y);
            letters[0].add(y / 25, n, letters8.first(y));
            letters[1].add(y / 5, n, letters8.first(y));
            if (holdsN(y, 8))
                withN.push_back(y);
            else
                pure[2].add(pureCode(y, 8), n, letters8.first(y));
        }
        appendWords(
            dense, withN, [&](std::uint32_t x) { return letters8.total(x); }, [&](std::uint32_t x) { return letters8.first(x); },
            5, 8);
        letters[0].addAll(lettersEdge6);
        letters[1].addAll(lettersEdge7);
        for (int L = minimumLength; L < maximumLength; ++L) {
            const Forward& forward = letters[L - minimumLength];
            withN.clear();
            for (std::uint32_t x = 0; x < forward.count.size(); ++x) {
                if (forward.count[x] == 0)
                    continue;
                if (holdsN(x, L))
                    withN.push_back(x);
                else
                    pure[L - minimumLength].add(pureCode(x, L), forward.count[x], forward.first(x));
            }
            appendWords(dense, withN, forward, 5, L);
        }
        letters8 = Narrow();
        lettersEdge7 = lettersEdge6 = Dense();
    }
    for (int L = minimumLength; L <= maximumLength; ++L) {
        const Forward& forward = pure[L - minimumLength];
        std::vector<std::uint32_t> counted;
        for (std::uint32_t x = 0; x < forward.count.size(); ++x)
            if (forward.count[x])
                counted.push_back(x);
        appendWords(dense, counted, forward, 4, L);
    }
    pure8 = Dense(power(4, 8));
    pureEdge7 = Dense(power(4, 7));
    pureEdge6 = Dense(power(4, 6));
    position = 0;

    return withOtherWords(std::move(dense));
}

std::vector<WordCounter::Word> WordCounter::withOtherWords(std::vector<Word> dense)
{
    // A 6- or 7-mer holding an outside byte and not at the end of its sequence starts an
    // 8-mer that holds the same byte.
    for (const Hashed::Slot& slot : general8.slots) {
        if (slot.bytes == 0)
            continue;
        for (int length : {7, 6}) {
            const std::uint64_t prefix = prefixOf(slot.bytes, length);
            if (holdsOutside(prefix, length))
                generalShort.add(prefix, slot.count, slot.first);
        }
    }
    std::vector<Word> result;
    result.reserve(dense.size() + general8.wordCount() + generalShort.wordCount());
    result.insert(result.end(), dense.begin(), dense.end());
    dense = std::vector<Word>();
    for (Hashed* general : {&general8, &generalShort}) {
        general->appendWords(result);
        *general = Hashed();
    }
    return result;
}
