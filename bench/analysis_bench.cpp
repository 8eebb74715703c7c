// Times the analysis of a gene family against a genome: the scoring steps on tables in
// memory, then a whole run from the files on disk to the last page written, step by step.
// Usage: seqlark-bench-analysis FASTA [WORKDIR]
// From FASTA it makes the big table (every sequence), the small table (the last 100 bases of
// every sequence) and 32 gene tables (every 32nd sequence, each slice starting one further).

#include "analysis/Analysis.h"
#include "analysis/ScoreEngine.h"
#include "base/AtomicFile.h"
#include "export/Export.h"
#include "oracle/FastaFile.h"
#include "report/ReportWriter.h"
#include "report/ReportFiles.h"
#include "report/WordsTable.h"

#include "Timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void writeFasta(const std::string& path, const FastaFile& fasta, std::size_t first, std::size_t stride,
    std::size_t tail)
{
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = first; i < static_cast<std::size_t>(fasta.geneCount()); i += stride) {
        std::string_view sequence = fasta.sequence(static_cast<std::int64_t>(i)).view();
        if (tail && sequence.size() > tail)
            sequence = sequence.substr(sequence.size() - tail);
        out << '>' << fasta.name(static_cast<std::int64_t>(i)).view() << '\n' << sequence << '\n';
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FASTA [WORKDIR]\n", argv[0]);
        return 2;
    }
    std::filesystem::path work = argc > 2 ? argv[2] : "/tmp/seqlark-bench-scoring";
    std::filesystem::create_directories(work);
    RunFeedback quiet;

    FastaFile fasta;
    fasta.parse(argv[1]);
    std::string big = (work / "big.dtable").string();
    std::string small = (work / "small.dtable").string();
    if (!std::filesystem::exists(big)) {
        exportFastaToDTable(argv[1], big.c_str(), quiet);
        writeFasta((work / "small.fa").string(), fasta, 0, 1, 100);
        exportFastaToDTable((work / "small.fa").string().c_str(), small.c_str(), quiet);
        for (int g = 0; g < 32; ++g) {
            std::string slice = (work / ("gene" + std::to_string(g) + ".fa")).string();
            writeFasta(slice, fasta, static_cast<std::size_t>(g), 32, 0);
            exportFastaToDTable(slice.c_str(), (work / ("gene" + std::to_string(g) + ".dtable")).string().c_str(), quiet);
        }
    }

    DTable bigTable, smallTable;
    bigTable.load(big.c_str());
    smallTable.load(small.c_str());
    // The gene lists as the analysis has them: only the words of the lengths it refines.
    std::vector<std::size_t> refinedLengths;
    {
        ScoreEngine ranking;
        ranking.tabulate(bigTable, smallTable);
        ranking.sortCandidates();
        refinedLengths = ranking.refinedLengths();
    }
    std::vector<std::vector<WordEntry>> genes;
    std::size_t geneRecords = 0;
    for (int g = 0; g < 32; ++g) {
        DTable gene;
        const std::string path = (work / ("gene" + std::to_string(g) + ".dtable")).string();
        gene.load(path.c_str());
        geneRecords += gene.recordCount();
        gene.load(path.c_str(), refinedLengths);
        genes.push_back(gene.entries());
    }
    std::printf("big: %lld bases, %lld words; small: %lld bases, %lld words; 32 gene tables of about %zu words,"
                " about %zu of the refined lengths\n",
        static_cast<long long>(bigTable.sequenceLength()), static_cast<long long>(bigTable.distinctCount()),
        static_cast<long long>(smallTable.sequenceLength()), static_cast<long long>(smallTable.distinctCount()),
        geneRecords / 32, genes[0].size());

    std::vector<double> tabulating, refining;
    for (int run = 0; run < 5; ++run) {
        ScoreEngine engine;
        auto start = Clock::now();
        engine.tabulate(bigTable, smallTable);
        engine.sortCandidates();
        tabulating.push_back(secondsSince(start));
        // The engine takes its own copy of the gene lists; the copy is made before the clock starts.
        std::vector<std::vector<WordEntry>> copy = genes;
        start = Clock::now();
        engine.refineCandidates(std::move(copy));
        refining.push_back(secondsSince(start));
        if (run == 0) {
            std::printf("best ten:");
            for (std::size_t i = 0; i < 10 && i < engine.candidateList().size(); ++i)
                std::printf(" %s", engine.candidateList()[i].word.text());
            std::printf("\n");
        }
    }
    std::sort(tabulating.begin(), tabulating.end());
    std::sort(refining.begin(), refining.end());
    std::printf("tabulate + sortCandidates: %.4f s (median of 5, best %.4f)\n", tabulating[2], tabulating[0]);
    std::printf("refineCandidates, 32 gene lists: %.4f s (median of 5, best %.4f)\n", refining[2], refining[0]);

    // The significance of every class of 6 to 8 letters, alone and with the words table made.
    const std::vector<WordEntry> bigRecords = bigTable.entries();
    const std::vector<WordEntry> smallRecords = smallTable.entries();
    for (Statistic statistic : {Statistic::Binomial, Statistic::Poisson}) {
        std::vector<double> scoring, tabling, assembling;
        std::size_t classes = 0;
        for (int run = 0; run < 5; ++run) {
            auto start = Clock::now();
            AnalysisResult significant;
            significant.significance = significanceOf(bigRecords, smallRecords, statistic, 6, 8);
            scoring.push_back(secondsSince(start));
            start = Clock::now();
            const std::string words = wordsTable(significant);
            tabling.push_back(secondsSince(start));
            start = Clock::now();
            const std::vector<AssembledMotif> motifs = assembleMotifs(significant.significance);
            assembling.push_back(secondsSince(start));
            classes = significant.significance.classes.size();
        }
        std::sort(scoring.begin(), scoring.end());
        std::sort(tabling.begin(), tabling.end());
        std::sort(assembling.begin(), assembling.end());
        std::printf("significanceOf, %s, %zu classes of 6 to 8 letters: %.4f s (median of 5); words.tsv text %.4f s;"
                    " assembleMotifs %.4f s\n",
            describeStatistic(statistic).name, classes, scoring[2], tabling[2], assembling[2]);
    }

    // A whole run from the files, and the same steps one by one.
    std::vector<std::string> genePaths;
    for (int g = 0; g < 32; ++g)
        genePaths.push_back((work / ("gene" + std::to_string(g) + ".dtable")).string());
    std::string reportFolder = (work / "report").string();
    std::filesystem::create_directories(reportFolder);
    std::vector<double> whole, analyzing, others, othersMade;
    std::size_t summaryBytes = 0;
    for (int run = 0; run < 5; ++run) {
        auto start = Clock::now();
        AnalysisResult result = analyze({big, small, {genePaths.begin(), genePaths.end()}}, quiet);
        analyzing.push_back(secondsSince(start));
        writeReport(result, reportFolder, quiet, [] { return std::vector<ReportFile> {}; });
        whole.push_back(secondsSince(start));
        // The files beside the pages: words.tsv, the motif files and the summary page.
        start = Clock::now();
        const std::vector<ReportFile> files = reportFiles(result, {runDate(), ""});
        othersMade.push_back(secondsSince(start));
        for (const auto& [name, bytes] : files) {
            const Outcome<WriteStatus> written
                = writeFileAtomically((std::filesystem::path(reportFolder) / name).string(), bytes, LinkPolicy::Replace);
            if (!written.ok())
                std::fprintf(stderr, "cannot write %s: %s\n", name.c_str(), written.message.c_str());
        }
        others.push_back(secondsSince(start));
        summaryBytes = files.back().second.size();
    }
    for (auto* times : {&whole, &analyzing, &others, &othersMade})
        std::sort(times->begin(), times->end());
    std::printf("analyze, files to result: %.4f s (median of 5, best %.4f)\n", analyzing[2], analyzing[0]);
    std::printf("analyze and writeReport, files to pages: %.4f s (median of 5, best %.4f)\n", whole[2], whole[0]);
    std::printf("words.tsv, motif files and summary.html: %.4f s made, %.4f s made and written (median of 5);"
                " summary.html %zu bytes\n",
        othersMade[2], others[2], summaryBytes);

    // The steps of analyze() one after the other on one thread; analyze() itself loads the
    // big and small tables side by side and the gene tables over all cores.
    auto step = [](const char* name, auto&& body) {
        auto start = Clock::now();
        body();
        std::printf("  %-40s %.4f s\n", name, secondsSince(start));
    };
    DTable stepBig, stepSmall;
    ScoreEngine engine;
    std::vector<std::vector<WordEntry>> geneLists;
    step("load big table", [&] { stepBig.load(big.c_str()); });
    step("load small table", [&] { stepSmall.load(small.c_str()); });
    step("tabulate + sort", [&] {
        engine.tabulate(stepBig, stepSmall);
        engine.sortCandidates();
    });
    step("free big and small tables", [&] {
        stepBig = DTable();
        stepSmall = DTable();
    });
    step("load 32 gene tables, refined lengths", [&] {
        const std::vector<std::size_t> lengths = engine.refinedLengths();
        for (const std::string& path : genePaths) {
            DTable gene;
            gene.load(path.c_str(), lengths);
            geneLists.push_back(gene.takeEntries());
        }
    });
    step("refine", [&] { engine.refineCandidates(std::move(geneLists)); });
    AnalysisResult stepResult;
    stepResult.candidates = engine.takeCandidates();
    stepResult.background = engine.takeBackground();
    stepResult.matrices = engine.takeMatrices();
    step("write report", [&] { writeReport(stepResult, reportFolder, quiet, [] { return std::vector<ReportFile> {}; }); });
    step("free the result", [&] { stepResult = AnalysisResult(); });
    step("load 32 gene tables whole, for scale", [&] {
        for (const std::string& path : genePaths) {
            DTable gene;
            gene.load(path.c_str());
        }
    });
    return 0;
}
