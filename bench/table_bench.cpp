// Times the tables on their own: loading each table file given (whole, and keeping only its
// six-letter words as the gene tables of an analysis are loaded), and merging a table of one
// bucket and 80,000 words with itself, the case where finding each word in its bucket costs
// most. Usage: seqlark-bench-tables [RUNS] [TABLE ...]

#include "tables/DTable.h"

#include "Timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

/// A table file of one bucket holding `words` distinct words of 8 to 10 letters.
std::string oneBucketTable(std::size_t words)
{
    std::mt19937 random(1);
    std::set<std::string> seen;
    std::string text;
    std::string records;
    long long total = 0;
    while (seen.size() < words) {
        std::string word(8 + random() % 3, 'A');
        for (char& letter : word)
            letter = "ACGT"[random() % 4];
        if (!seen.insert(word).second)
            continue;
        total += static_cast<long long>(seen.size());
        records += "*****\r\n" + word + "\r\n" + std::to_string(seen.size()) + "\r\n-1\r\n-1\r\n-1\r\n";
    }
    return "1\r\n1000000\r\n" + std::to_string(total) + "\r\n" + std::to_string(words) + "\r\n" + records + '\0';
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    for (int a = 2; a < argc; ++a) {
        std::vector<double> whole, sixes;
        std::size_t records = 0;
        for (int run = 0; run < runs; ++run) {
            auto start = Clock::now();
            {
                DTable table;
                if (table.load(argv[a]).status != LoadStatus::Loaded) {
                    std::fprintf(stderr, "cannot load %s\n", argv[a]);
                    return 1;
                }
                records = table.recordCount();
                whole.push_back(secondsSince(start));
            }
            start = Clock::now();
            {
                DTable table;
                table.load(argv[a], std::vector<std::size_t> {6});
                sixes.push_back(secondsSince(start));
            }
        }
        std::printf("load %s (%zu records): %.2f ms whole, %.2f ms six-letter words only (median of %d)\n", argv[a],
            records, 1000 * median(whole), 1000 * median(sixes), runs);
    }

    const std::filesystem::path file = std::filesystem::temp_directory_path() / "seqlark-bench-one-bucket.dtable";
    {
        std::ofstream out(file, std::ios::binary);
        out << oneBucketTable(80000);
    }
    std::vector<double> merging;
    std::string merged;
    for (int run = 0; run < std::min(runs, 3); ++run) {
        DTable total, part;
        total.load(file.c_str());
        part.load(file.c_str());
        const auto start = Clock::now();
        if (!total.addTable(part).ok()) {
            std::fprintf(stderr, "the merge was refused\n");
            return 1;
        }
        merging.push_back(secondsSince(start));
        merged = total.serialize();
    }
    std::filesystem::remove(file);
    std::printf("merge of a one-bucket table of 80000 words with itself: %.4f s (median of %zu); %zu bytes\n",
        median(merging), merging.size(), merged.size());
    return 0;
}
