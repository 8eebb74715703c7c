// Writes a genome-sized FASTA file for benchmarks: chromosomes of tens to hundreds of
// megabases in 60-letter lines, AT-rich, with soft-masked (lower-case) stretches and runs
// of N, as assembled genomes have. Usage: seqlark-make-genome OUT.fa [MEGABASES] (default 3000)

#include "XorShift.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.fa [MEGABASES]\n", argv[0]);
        return 2;
    }
    const std::uint64_t total = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 3000) * 1000000ull;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    static const char upper[] = "AATTCG"; // 1/3 each of A and T, 1/6 each of C and G
    static const char lower[] = "aattcg";
    std::vector<char> line(61);
    std::uint64_t written = 0;
    for (int chromosome = 1; written < total; ++chromosome) {
        std::uint64_t length = 20000000 + nextRandom() % 230000000;
        if (length > total - written)
            length = total - written;
        std::fprintf(out, ">chr%d synthetic chromosome of %llu bases\n", chromosome, static_cast<unsigned long long>(length));
        bool masked = false;
        std::uint64_t nRun = 10000; // telomere-like N at the start
        for (std::uint64_t done = 0; done < length;) {
            std::size_t n = 0;
            while (n < 60 && done < length) {
                if (nRun > 0) {
                    line[n++] = 'N';
                    --nRun;
                } else {
                    std::uint64_t r = nextRandom();
                    if ((r & 0xFFFFF) == 0)
                        nRun = 100 + (r >> 40) % 50000; // a gap every megabase or so
                    if (((r >> 20) & 0x3FF) == 0)
                        masked = !masked;
                    line[n++] = (masked ? lower : upper)[(r >> 32) % 6];
                }
                ++done;
            }
            line[n++] = '\n';
            std::fwrite(line.data(), 1, n, out);
        }
        written += length;
    }
    std::fclose(out);
    return 0;
}
