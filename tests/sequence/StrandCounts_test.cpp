#include "sequence/StrandCounts.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

// Every word of 6 to 8 letters on the sequences' own strand, as counting the windows one by
// one gives them: lower case counts as upper, any other letter breaks words.
TEST(StrandCounts, CountsWordsOnTheirOwnStrandAlone)
{
    std::mt19937 random(8);
    const std::string letters = "ACGTACGTacgtNRn-";
    std::vector<std::string> sequences = {"", "ACGTA", "AAAAAAAAAA", "TTTTTTTT"};
    for (int i = 0; i < 40; ++i) {
        std::string s(random() % 300, 'A');
        for (char& c : s)
            c = letters[random() % (i % 2 ? 8 : letters.size())];
        sequences.push_back(s);
    }
    StrandCounts counts;
    std::map<std::string, std::int64_t> plain;
    for (const std::string& s : sequences) {
        counts.add(s);
        for (std::size_t k = 6; k <= 8; ++k)
            for (std::size_t i = 0; i + k <= s.size(); ++i) {
                std::string word = s.substr(i, k);
                for (char& c : word)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                if (word.find_first_not_of("ACGT") == std::string::npos)
                    ++plain[word];
            }
    }
    std::int64_t windows[3] = {0, 0, 0};
    for (const auto& [word, count] : plain) {
        std::uint32_t code = 0;
        for (char c : word)
            code = code * 4 + static_cast<std::uint32_t>(std::string("ACGT").find(c));
        EXPECT_EQ(counts.count(static_cast<int>(word.size()), code), count) << word;
        windows[word.size() - 6] += count;
    }
    for (int k = 6; k <= 8; ++k) {
        EXPECT_EQ(counts.windows(k), windows[k - 6]) << k;
        std::int64_t sum = 0;
        for (const std::int64_t c : counts.counts(k))
            sum += c;
        EXPECT_EQ(sum, windows[k - 6]) << k;
    }
    // AAAAAAAAAA holds AAAAAA five times, and its reverse complement is counted apart.
    EXPECT_GE(counts.count(6, 0), 5);
    Strand strand = Strand::Both;
    EXPECT_TRUE(strandNamed("given", strand));
    EXPECT_EQ(strand, Strand::Given);
    EXPECT_FALSE(strandNamed("plus", strand));
}
