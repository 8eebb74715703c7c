// Times the export of a FASTA file to a DTable file, whole and phase by phase, the counting in
// memory that analyses use (the whole file, and its first records as tables of their own),
// and reports the peak memory. Usage: seqlark-bench-export FASTA [RUNS]

#include "export/CountingTable.h"
#include "export/Export.h"
#include "oracle/FastaFile.h"
#include "sequence/InputStream.h"

#include "Timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

/// Seconds to read (and inflate) the whole file in the export's chunks; -1 when it fails.
double timeReading(const char* source, Inflater inflater)
{
    auto start = Clock::now();
    InputStream input;
    if (!input.open(source, inflater))
        return -1;
    std::vector<char> chunk(4 << 20);
    while (input.read(chunk.data(), chunk.size()) > 0) {
    }
    return input.status() == ReadStatus::Read ? secondsSince(start) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FASTA [RUNS]\n", argv[0]);
        return 2;
    }
    const char* source = argv[1];
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::string destination = "/tmp/seqlark-bench-" + std::to_string(::getpid()) + ".dtable";
    RunFeedback quiet;

    std::vector<double> whole, wholeTwo, inMemory, inMemoryTwo, records, reading, readingZlib, parsing, counting, writing;
    for (int run = 0; run < runs; ++run) {
        for (unsigned threads : {1u, 2u}) {
            auto start = Clock::now();
            ExportResult result = exportFastaToDTable(source, destination.c_str(), quiet, threads);
            (threads == 1 ? whole : wholeTwo).push_back(secondsSince(start));
            if (!result.ok()) {
                std::fprintf(stderr, "export failed: %s\n", result.message.c_str());
                return 1;
            }
        }

        for (unsigned threads : {1u, 2u}) {
            auto start = Clock::now();
            CountedFasta counted = countFasta(source, quiet, threads);
            (threads == 1 ? inMemory : inMemoryTwo).push_back(secondsSince(start));
            if (!counted.ok()) {
                std::fprintf(stderr, "counting failed: %s\n", counted.message.c_str());
                return 1;
            }
        }
        {
            auto start = Clock::now();
            CountedRecords counted = countFastaRecords(source, 32, quiet);
            records.push_back(secondsSince(start));
            if (!counted.ok()) {
                std::fprintf(stderr, "counting records failed: %s\n", counted.message.c_str());
                return 1;
            }
        }

        reading.push_back(timeReading(source, Inflater::Automatic));
        readingZlib.push_back(timeReading(source, Inflater::Zlib));
        if (reading.back() < 0 || readingZlib.back() < 0) {
            std::fprintf(stderr, "reading %s failed\n", source);
            return 1;
        }

        FastaFile fasta;
        auto start = Clock::now();
        fasta.parse(source);
        parsing.push_back(secondsSince(start));

        CountingTable table;
        start = Clock::now();
        WordCounter counter;
        for (std::int64_t i = 0; i < fasta.geneCount(); ++i)
            counter.count(fasta.sequence(i).text() ? fasta.sequence(i).text() : "", fasta.sequence(i).length());
        table.takeCounts(counter);
        counting.push_back(secondsSince(start));

        start = Clock::now();
        table.write(destination.c_str());
        writing.push_back(secondsSince(start));
    }
    std::remove(destination.c_str());

    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("export of %s, %d runs (median, seconds)\n", source, runs);
    std::printf("  streaming export, 1 thread    %.3f  (best %.3f)\n", median(whole), *std::min_element(whole.begin(), whole.end()));
    std::printf("  streaming export, 2 threads   %.3f  (best %.3f)\n", median(wholeTwo), *std::min_element(wholeTwo.begin(), wholeTwo.end()));
    std::printf("  counted in memory, 1 thread   %.3f  (best %.3f)\n", median(inMemory), *std::min_element(inMemory.begin(), inMemory.end()));
    std::printf("  counted in memory, 2 threads  %.3f  (best %.3f)\n", median(inMemoryTwo), *std::min_element(inMemoryTwo.begin(), inMemoryTwo.end()));
    std::printf("  first 32 records as tables    %.3f  (best %.3f)\n", median(records), *std::min_element(records.begin(), records.end()));
    std::printf("  reading alone, in the export's chunks:\n");
    std::printf("    read (+inflate)             %.3f  (%s; with zlib %.3f)\n", median(reading),
        isalAvailable() ? "ISA-L" : "zlib", median(readingZlib));
    std::printf("  the steps in memory, one by one:\n");
    std::printf("    read whole + parse          %.3f  (the plain whole-file reader, zlib's gzread)\n", median(parsing));
    std::printf("    count                       %.3f\n", median(counting));
    std::printf("    write                       %.3f\n", median(writing));
    std::printf("  peak memory of this process   %.1f MB (the in-memory steps; see the export's own below)\n",
        static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
