#include "TestSupport.h"

#include "export/CountingTable.h"
#include "oracle/WordCount.h"
#include "sequence/WordCounter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

/// A sequence of one of the kinds that take the counter's other paths: A, C, G, T and N
/// evenly; A, C, G, T with runs of N up to thousands long, some of them so close that
/// A, C, G, T between them never run long; IUPAC letters, lower-case n and odd bytes, alone
/// and in runs.
std::string otherLetters(std::mt19937& random, int kind, std::size_t length)
{
    std::string sequence;
    while (sequence.size() < length) {
        const std::uint32_t roll = random() % 100;
        switch (kind) {
        case 0:
            sequence += "ACGTN"[random() % 5];
            break;
        case 1:
            if (roll < 3)
                sequence.append(random() % 4 ? 1 + random() % 40 : 100 + random() % 3000, 'N');
            else
                sequence.append(5 + random() % 20, "ACGT"[random() % 4]);
            break;
        case 2:
            if (roll < 10)
                sequence += "RYKMSWBDHVnN"[random() % 12];
            else if (roll < 12)
                sequence.append(1 + random() % 30, "nRx"[random() % 3]);
            else
                sequence += "ACGT"[random() % 4];
            break;
        default:
            sequence += "ACGTNn\x80\xff"[random() % 8];
        }
    }
    sequence.resize(length);
    return sequence;
}

} // namespace

TEST(WordCounter, OtherLettersMatchOneWordAtATime)
{
    std::mt19937 random(5081);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        WordCounter counter;
        CountingTable oracle;
        for (int s = 0; s < 1 + round % 5; ++s) {
            // Short sequences, ending anywhere near a window's size, among long ones.
            const std::size_t length = random() % 3 == 0 ? random() % 20 : random() % 4000;
            const std::string sequence = otherLetters(random, static_cast<int>(random() % 4), length);
            counter.count(sequence.data(), sequence.size());
            countWordsOneByOne(oracle, sequence);
        }
        CountingTable fast;
        fast.takeCounts(counter);
        ASSERT_TRUE(sameTable(fast.serialize(), oracle.serialize()));
    }
}

TEST(WordCounter, PiecesMergedAndCountedOnMatchOneWordAtATime)
{
    // Sequences cut into pieces as the stream cuts them (each piece counting all but the seven
    // bytes that start the next), shared among three counters, merged, and then one more
    // sequence counted into the merged counts.
    std::mt19937 random(77);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        WordCounter counters[3];
        CountingTable oracle;
        std::uint64_t position = 0;
        std::size_t turn = 0;
        for (int s = 0; s < 4; ++s) {
            const std::string sequence = otherLetters(random, static_cast<int>(random() % 4), random() % 3000);
            countWordsOneByOne(oracle, sequence);
            std::size_t at = 0;
            while (at < sequence.size()) {
                const std::size_t length = std::min<std::size_t>(8 + random() % 200, sequence.size() - at);
                const bool last = at + length == sequence.size();
                const std::size_t counted = last ? length : length - 7;
                counters[turn++ % 3].countPiece(sequence.data() + at, length, counted, position + at);
                at += counted;
                if (last)
                    break;
            }
            position += sequence.size();
        }
        counters[0].merge(counters[1]);
        counters[0].merge(counters[2]);
        // Counting goes on after a merge as before it, as if the sequence came last.
        WordCounter later;
        const std::string sequence = otherLetters(random, static_cast<int>(random() % 4), random() % 2000);
        later.countPiece(sequence.data(), sequence.size(), sequence.size(), position);
        counters[0].merge(later);
        counters[0].countPiece(sequence.data(), sequence.size(), sequence.size(), position + sequence.size());
        countWordsOneByOne(oracle, sequence);
        countWordsOneByOne(oracle, sequence);
        CountingTable fast;
        fast.takeCounts(counters[0]);
        ASSERT_TRUE(sameTable(fast.serialize(), oracle.serialize()));
    }
}
