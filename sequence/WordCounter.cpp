#include "sequence/WordCounter.h"

#include "base/Dna.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();


constexpr std::array<std::uint8_t, 256> makeComplements()
{
    std::array<std::uint8_t, 256> complement {};
    for (int i = 0; i < 256; ++i)
        complement[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(complementOf(static_cast<char>(i)));
    return complement;
}
constexpr std::array<std::uint8_t, 256> complementByte = makeComplements();

std::uint64_t packCode(std::uint32_t code, int length)
{
    static constexpr char letters[4] = {'A', 'C', 'G', 'T'};
    std::uint64_t bytes = 0;
    for (int i = 0; i < length; ++i) {
        std::uint32_t base = (code >> (2 * (length - 1 - i))) & 3;
        bytes |= static_cast<std::uint64_t>(static_cast<unsigned char>(letters[base])) << (8 * i);
    }
    return bytes;
}

std::uint64_t reverseComplementBytes(std::uint64_t bytes, int length)
{
    std::uint64_t result = 0;
    for (int i = 0; i < length; ++i) {
        std::uint8_t byte = static_cast<std::uint8_t>(bytes >> (8 * i));
        result |= static_cast<std::uint64_t>(complementByte[byte]) << (8 * (length - 1 - i));
    }
    return result;
}

} // namespace

WordCounter::WordCounter()
    : count8(1 << 16)
    , first8(1 << 16)
    , edgeCount7(1 << 14)
    , edgeFirst7(1 << 14)
    , edgeCount6(1 << 12)
    , edgeFirst6(1 << 12)
    , general(1024)
{
}

void WordCounter::clear()
{
    *this = WordCounter();
}

void WordCounter::count(const char* sequence, std::size_t length)
{
    countPiece(sequence, length, length, position);
    position += length;
}

void WordCounter::countPiece(const char* piece, std::size_t length, std::size_t counted, std::uint64_t start)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(piece);
    std::uint64_t* counts = count8.data();
    std::uint64_t* firsts = first8.data();
    // Windows must start inside the counted part; an 8-mer always does, since at most seven
    // bytes follow it.
    const std::uint64_t startLimit = start + counted;
    stretches.clear();
    std::uint32_t code = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t base = baseCodes[bytes[i]];
        if (base != otherBase) [[likely]] {
            code = ((code << 2) | base) & 0xFFFF;
            if (++run >= 8) [[likely]] {
                if (counts[code]++ == 0) [[unlikely]]
                    firsts[code] = start + i - 7;
            }
            continue;
        }
        endRun(run, code, start + i, startLimit);
        run = 0;
        if (!stretches.empty() && stretches.back().second == i)
            stretches.back().second = i + 1;
        else
            stretches.emplace_back(i, i + 1);
    }
    endRun(run, code, start + length, startLimit);
    if (!stretches.empty())
        countGeneralWindows(piece, length, counted, start);
}

void WordCounter::merge(const WordCounter& other)
{
    auto mergeArrays = [](std::vector<std::uint64_t>& counts, std::vector<std::uint64_t>& firsts,
                           const std::vector<std::uint64_t>& otherCounts, const std::vector<std::uint64_t>& otherFirsts) {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (otherCounts[i] == 0)
                continue;
            firsts[i] = counts[i] == 0 ? otherFirsts[i] : std::min(firsts[i], otherFirsts[i]);
            counts[i] += otherCounts[i];
        }
    };
    mergeArrays(count8, first8, other.count8, other.first8);
    mergeArrays(edgeCount7, edgeFirst7, other.edgeCount7, other.edgeFirst7);
    mergeArrays(edgeCount6, edgeFirst6, other.edgeCount6, other.edgeFirst6);
    for (const Slot& slot : other.general)
        if (slot.bytes != 0)
            addGeneral(slot.bytes, slot.count, slot.firstKey);
}

// The 6- and 7-mers at the end of an A/C/G/T run are not prefixes of any counted 8-mer.
void WordCounter::endRun(std::size_t runLength, std::uint32_t code, std::uint64_t end, std::uint64_t startLimit)
{
    auto note = [startLimit](std::uint64_t& count, std::uint64_t& first, std::uint64_t start) {
        if (start >= startLimit)
            return;
        if (count++ == 0)
            first = start;
    };
    if (runLength >= 7) {
        note(edgeCount6[(code >> 2) & 0xFFF], edgeFirst6[(code >> 2) & 0xFFF], end - 7);
        note(edgeCount7[code & 0x3FFF], edgeFirst7[code & 0x3FFF], end - 7);
        note(edgeCount6[code & 0xFFF], edgeFirst6[code & 0xFFF], end - 6);
    } else if (runLength == 6) {
        note(edgeCount6[code & 0xFFF], edgeFirst6[code & 0xFFF], end - 6);
    }
}

void WordCounter::countGeneralWindows(const char* sequence, std::size_t length, std::size_t counted, std::uint64_t start)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(sequence);
    for (int L = minimumLength; L <= maximumLength; ++L) {
        const std::size_t size = static_cast<std::size_t>(L);
        if (length < size || counted == 0)
            break;
        const std::size_t lastStart = std::min(length - size, counted - 1);
        std::size_t next = 0; // first start not yet counted
        for (const auto& [from, to] : stretches) {
            std::size_t lo = std::max(from + 1 >= size ? from + 1 - size : 0, next);
            std::size_t hi = std::min(to - 1, lastStart);
            for (std::size_t s = lo; s <= hi; ++s) {
                unsigned char first = bytes[s];
                std::size_t same = 1;
                while (same < size && bytes[s + same] == first)
                    ++same;
                if (same == size && baseCodes[first] == otherBase) {
                    // A run of one byte other than A, C, G, T: its own reverse complement,
                    // the same word at every start inside the run.
                    std::size_t runEnd = s + size;
                    while (runEnd < length && bytes[runEnd] == first)
                        ++runEnd;
                    std::size_t windows = std::min(runEnd - size, lastStart) - s + 1;
                    std::uint64_t word = 0;
                    for (int i = 0; i < L; ++i)
                        word |= static_cast<std::uint64_t>(first) << (8 * i);
                    addGeneral(word, windows, orderKey(start + s, L, 0));
                    s += windows - 1;
                    continue;
                }
                std::uint64_t word = 0;
                for (int i = 0; i < L; ++i)
                    word |= static_cast<std::uint64_t>(bytes[s + static_cast<std::size_t>(i)]) << (8 * i);
                std::uint64_t reverse = reverseComplementBytes(word, L);
                addGeneral(word, 1, orderKey(start + s, L, 0));
                if (reverse != word)
                    addGeneral(reverse, 1, orderKey(start + s, L, 1));
            }
            next = std::max(next, hi + 1);
        }
    }
}

void WordCounter::addGeneral(std::uint64_t bytes, std::uint64_t times, std::uint64_t key)
{
    std::size_t mask = general.size() - 1;
    std::size_t i = static_cast<std::size_t>((bytes * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    while (general[i].bytes != 0 && general[i].bytes != bytes)
        i = (i + 1) & mask;
    Slot& slot = general[i];
    if (slot.bytes == 0) {
        slot.bytes = bytes;
        slot.firstKey = key;
        ++generalUsed;
    } else if (key < slot.firstKey) {
        slot.firstKey = key;
    }
    slot.count += times;
    if (generalUsed * 2 > general.size()) {
        std::vector<Slot> old(general.size() * 2);
        old.swap(general);
        mask = general.size() - 1;
        for (const Slot& moved : old) {
            if (moved.bytes == 0)
                continue;
            std::size_t j = static_cast<std::size_t>((moved.bytes * 0x9E3779B97F4A7C15ull) >> 20) & mask;
            while (general[j].bytes != 0)
                j = (j + 1) & mask;
            general[j] = moved;
        }
    }
}

std::vector<WordCounter::Word> WordCounter::words() const
{
    std::vector<Word> result;
    // Forward counts and first starts for each length, derived from the 8-mers.
    for (int L = minimumLength; L <= maximumLength; ++L) {
        const std::size_t size = std::size_t(1) << (2 * L);
        const int dropped = 2 * (maximumLength - L);
        std::vector<std::uint64_t> forward(size, 0), first(size, never);
        for (std::size_t y = 0; y < count8.size(); ++y) {
            if (count8[y] == 0)
                continue;
            std::size_t x = y >> dropped;
            forward[x] += count8[y];
            first[x] = std::min(first[x], first8[y]);
        }
        if (L < maximumLength) {
            const auto& edgeCount = L == 6 ? edgeCount6 : edgeCount7;
            const auto& edgeFirst = L == 6 ? edgeFirst6 : edgeFirst7;
            for (std::size_t x = 0; x < size; ++x) {
                if (edgeCount[x] == 0)
                    continue;
                forward[x] += edgeCount[x];
                first[x] = std::min(first[x], edgeFirst[x]);
            }
        }
        for (std::size_t x = 0; x < size; ++x) {
            std::uint32_t code = static_cast<std::uint32_t>(x);
            const auto reverse = static_cast<std::uint32_t>(reverseComplementCode(code, L));
            std::uint64_t total = forward[x];
            std::uint64_t key = forward[x] ? orderKey(first[x], L, 0) : never;
            if (reverse != code && forward[reverse]) {
                total += forward[reverse];
                key = std::min(key, orderKey(first[reverse], L, 1));
            }
            if (total)
                result.push_back({packCode(code, L), total, key, L});
        }
    }
    for (const Slot& slot : general) {
        if (slot.bytes == 0)
            continue;
        int length = 0;
        while (length < 8 && (slot.bytes >> (8 * length)) & 0xFF)
            ++length;
        result.push_back({slot.bytes, slot.count, slot.firstKey, length});
    }
    return result;
}
