// Writes FASTA files of a chosen kind to standard output, for timing the export and its memory
// on letters other than A, C, G, T and on pathological lines.
// Usage: seqlark-make-fasta KIND MEGABYTES
//   acgt     random A, C, G, T in lines of 60
//   acgtn    random A, C, G, T, N in lines of 60
//   masked   soft-masked (lower-case stretches) with runs of N, in lines of 60
//   iupac    random A, C, G, T with a tenth of N, n and the other IUPAC letters, in lines of 60
//   bytes    one sequence line of random bytes (no zero byte, CR or LF) after a header
//   header   one header line of MEGABYTES of 'A' and a short record after it
// or: seqlark-make-fasta family SEQUENCES
//   family   SEQUENCES records of random A, C, G, T, each of 200 to 5,000 bases
// or: seqlark-make-fasta family-fixed SEQUENCES LENGTH
//   family-fixed  SEQUENCES records of random A, C, G, T, each of exactly LENGTH bases

#include "XorShift.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

/// Writes `total` bases in lines of 60, each base from `pick`.
template <typename Pick>
void writeLines(std::uint64_t total, Pick pick)
{
    char line[61];
    for (std::uint64_t done = 0; done < total;) {
        std::size_t n = 0;
        while (n < 60 && done < total) {
            line[n++] = pick();
            ++done;
        }
        line[n++] = '\n';
        std::fwrite(line, 1, n, stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
            "usage: %s acgt|acgtn|masked|iupac|bytes|header MEGABYTES\n       %s family SEQUENCES\n"
            "       %s family-fixed SEQUENCES LENGTH\n",
            argv[0], argv[0], argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    if (kind == "family-fixed") {
        char* end = nullptr;
        const unsigned long long sequences = argc == 4 ? std::strtoull(argv[2], &end, 10) : 0;
        const bool sequencesRead = argc == 4 && *argv[2] != '\0' && *argv[2] != '-' && *end == '\0';
        const unsigned long long length = argc == 4 ? std::strtoull(argv[3], &end, 10) : 0;
        const bool lengthRead = argc == 4 && *argv[3] != '\0' && *argv[3] != '-' && *end == '\0';
        if (!sequencesRead || !lengthRead || sequences == 0 || length == 0) {
            std::fprintf(stderr, "usage: %s family-fixed SEQUENCES LENGTH (both positive whole numbers)\n", argv[0]);
            return 2;
        }
        for (unsigned long long i = 0; i < sequences; ++i) {
            std::printf(">random %llu\n", i + 1);
            writeLines(length, [] { return "ACGT"[nextRandom() & 3]; });
        }
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const std::uint64_t total = std::strtoull(argv[2], nullptr, 10) * 1000000ull;
    if (kind == "acgt") {
        std::fputs(">random A, C, G, T\n", stdout);
        writeLines(total, [] { return "ACGT"[nextRandom() & 3]; });
    } else if (kind == "acgtn") {
        std::fputs(">random A, C, G, T, N\n", stdout);
        writeLines(total, [] { return "ACGTN"[nextRandom() % 5]; });
    } else if (kind == "masked") {
        std::fputs(">soft-masked with runs of N\n", stdout);
        bool masked = false;
        std::uint64_t gap = 0;
        writeLines(total, [&] {
            if (gap > 0) {
                --gap;
                return 'N';
            }
            std::uint64_t r = nextRandom();
            if ((r & 0xFFFF) == 0)
                gap = 10 + (r >> 40) % 5000;
            if (((r >> 16) & 0x3FF) == 0)
                masked = !masked;
            return (masked ? "acgt" : "ACGT")[(r >> 32) & 3];
        });
    } else if (kind == "iupac") {
        std::fputs(">A, C, G, T with IUPAC letters\n", stdout);
        writeLines(total, [] {
            std::uint64_t r = nextRandom();
            return r % 10 ? "ACGT"[(r >> 8) & 3] : "NnRYSWKMBDHVN"[(r >> 8) % 13];
        });
    } else if (kind == "bytes") {
        std::fputs(">random bytes\nA", stdout);
        char chunk[4096];
        for (std::uint64_t done = 1; done < total;) {
            std::size_t n = 0;
            while (n < sizeof chunk && done < total) {
                char c = static_cast<char>(nextRandom() >> 56);
                if (c == '\0' || c == '\n' || c == '\r')
                    continue;
                chunk[n++] = c;
                ++done;
            }
            std::fwrite(chunk, 1, n, stdout);
        }
        std::fputs("\n", stdout);
    } else if (kind == "header") {
        std::fputs(">", stdout);
        char chunk[4096];
        std::memset(chunk, 'A', sizeof chunk);
        for (std::uint64_t done = 0; done < total;) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, total - done));
            std::fwrite(chunk, 1, n, stdout);
            done += n;
        }
        std::fputs("\nACGTACGTAC\n", stdout);
    } else if (kind == "family") {
        const std::uint64_t sequences = total / 1000000ull;
        for (std::uint64_t i = 0; i < sequences; ++i) {
            std::printf(">random %llu\n", static_cast<unsigned long long>(i + 1));
            writeLines(200 + nextRandom() % 4801, [] { return "ACGT"[nextRandom() & 3]; });
        }
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
