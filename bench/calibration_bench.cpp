// Whether the E-values are honest: families drawn at random from a set of upstream regions
// and analysed against the whole set's table hold no motif, so about one class in all should
// reach E <= 1 by chance, and none E <= 1e-3. Prints, for the sequences statistic and the
// window statistics (binomial and Poisson), how many classes reach each per family and on average.
// With "dyads" last, spaced pairs (spacers 0 to 20, the genome's counted in FASTA) are scored
// and tested too, and the pairs among the classes at E <= 1 are counted apart. With "markovM"
// or "shuffleN" last, the genome's table gives way to a Markov model of order M fitted on each
// family, or to N dinucleotide shuffles of each family sequence; with "null" after it, the
// families are drawn from that background itself rather than from FASTA: sequences of the
// same lengths made by the Markov model of order M fitted on all of FASTA, or one
// dinucleotide shuffle of each record picked. There the E-values are honest when about one
// class reaches E <= 1.
// Usage: seqlark-bench-calibration FASTA [FAMILIES [SEED [WORKDIR [dyads|markovM|shuffleN[null]]]]]

#include "analysis/MarkovModel.h"
#include "export/FastaRecords.h"
#include "sequence/Shuffle.h"
#include "run/Run.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Record {
    std::string name;
    std::string sequence;
};

/// Classes of the run's significance table at E <= 1 and at E <= 1e-3, and the spaced pairs
/// among those at E <= 1.
struct Significant {
    int atOne = 0, atMilli = 0, pairsAtOne = 0;
};
Significant significantClasses(const RunOutcome& outcome)
{
    Significant found;
    for (const WordClass& c : outcome.result.significance.classes) {
        found.atOne += c.log10E <= 0.0;
        found.atMilli += c.log10E <= -3.0;
        found.pairsAtOne += c.log10E <= 0.0 && c.dyad();
    }
    return found;
}

/// `length` letters drawn from `model`, each after the letters its order looks back on.
std::string modelSequence(const MarkovModel& model, std::size_t length, ShuffleRandom& draws)
{
    std::string sequence;
    std::uint64_t code = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int context = static_cast<int>(std::min<std::size_t>(i, static_cast<std::size_t>(model.order())));
        const std::uint64_t before = code & ((std::uint64_t(1) << (2 * context)) - 1);
        const double whole = context == 0 ? 1.0 : model.probability(before, context);
        double u = static_cast<double>(draws.next() >> 11) * 0x1.0p-53 * whole;
        int letter = 0;
        for (; letter < 3; ++letter) {
            u -= model.probability((before << 2) | static_cast<std::uint64_t>(letter), context + 1);
            if (u < 0.0)
                break;
        }
        sequence += "ACGT"[letter];
        code = (code << 2) | static_cast<std::uint64_t>(letter);
    }
    return sequence;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FASTA [FAMILIES [SEED [WORKDIR [dyads|markovM|shuffleN]]]]\n", argv[0]);
        return 2;
    }
    const int families = argc > 2 ? std::atoi(argv[2]) : 20;
    std::mt19937 random(argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 20261207u);
    const std::filesystem::path work = argc > 4 ? argv[4] : "/tmp/seqlark-bench-calibration";
    std::filesystem::create_directories(work);
    const std::string mode = argc > 5 ? argv[5] : "";
    const bool dyads = mode == "dyads";
    std::optional<int> markov, shuffles;
    if (mode.rfind("markov", 0) == 0)
        markov = std::atoi(mode.c_str() + 6);
    if (mode.rfind("shuffle", 0) == 0)
        shuffles = std::atoi(mode.c_str() + 7);
    const bool null = mode.size() > 4 && mode.compare(mode.size() - 4, 4, "null") == 0;

    std::vector<Record> records;
    RunFeedback quiet;
    readFastaRecords(
        argv[1], [&](const FastaRecord& r) { records.push_back({std::string(r.name), std::string(r.sequence)}); }, quiet);
    const std::string genome = (work / "genome.dtable").string();
    if (!std::filesystem::exists(genome))
        exportFastaToDTable(argv[1], genome.c_str(), quiet, 2);
    std::optional<MarkovModel> model;
    std::int64_t masked = 0;
    if (null && markov) {
        model.emplace(*markov);
        for (const Record& record : records)
            model->addSequence(maskedSequence(record.sequence, Masking::None, masked));
    }
    ShuffleRandom draws(20261208);

    constexpr Statistic statistics[] = {Statistic::Sequences, Statistic::Binomial, Statistic::Poisson};
    constexpr const char* names[] = {"sequences", "binomial", "Poisson"};
    double sums[3][3] = {};
    int worst[3] = {};
    std::printf("family  size  sequences: E<=1 E<=1e-3  binomial: E<=1 E<=1e-3  Poisson: E<=1 E<=1e-3\n");
    for (int f = 0; f < families; ++f) {
        // Sizes from 25 to 800, spread evenly on a logarithmic scale.
        const int size = static_cast<int>(25.0 * std::pow(32.0, static_cast<double>(f) / std::max(1, families - 1)) + 0.5);
        std::vector<std::size_t> picked(records.size());
        for (std::size_t i = 0; i < picked.size(); ++i)
            picked[i] = i;
        std::shuffle(picked.begin(), picked.end(), random);
        const std::string family = (work / ("family" + std::to_string(f) + ".fa")).string();
        {
            std::ofstream out(family);
            for (int i = 0; i < size; ++i) {
                const Record& record = records[picked[static_cast<std::size_t>(i)]];
                std::string sequence = maskedSequence(record.sequence, Masking::None, masked);
                if (null && model)
                    sequence = modelSequence(*model, sequence.size(), draws);
                else if (null)
                    sequence = dinucleotideShuffle(sequence, draws);
                out << '>' << record.name << '\n' << sequence << '\n';
            }
        }
        std::printf("%6d  %4d", f + 1, size);
        for (int s = 0; s < 3; ++s) {
            RunRequest request;
            if (!markov && !shuffles)
                request.big = genome;
            request.markovOrder = markov;
            request.shuffles = shuffles;
            request.small = family;
            request.statistic = statistics[s];
            request.folder = (work / "report").string();
            if (dyads) {
                request.dyads = DyadSpacings {};
                request.dyadBackground = argv[1];
            }
            const RunOutcome outcome = run(request, quiet);
            if (!outcome.ok()) {
                std::fprintf(stderr, "\nrun failed: %s\n", outcome.message.c_str());
                return 1;
            }
            const Significant found = significantClasses(outcome);
            sums[s][0] += found.atOne;
            sums[s][1] += found.atMilli;
            sums[s][2] += found.pairsAtOne;
            worst[s] = std::max(worst[s], found.atMilli);
            std::printf("  %*s%4d %7d", s == 0 ? 11 : s == 1 ? 10 : 9, "", found.atOne, found.atMilli);
        }
        std::printf("\n");
    }
    for (int s = 0; s < 3; ++s)
        std::printf("%s: on average %.2f classes at E <= 1 (%.2f of them pairs) and %.2f at E <= 1e-3 per family; at "
                    "most %d at E <= 1e-3\n",
            names[s], sums[s][0] / families, sums[s][2] / families, sums[s][1] / families, worst[s]);
    return 0;
}
