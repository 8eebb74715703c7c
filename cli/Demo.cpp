#include "cli/Demo.h"

#include "cli/CommandSupport.h"
#include "analysis/AnalysisRun.h"
#include "analysis/Progress.h"
#include "analysis/Warning.h"
#include "sequence/Diagnostics.h"
#include "sequence/Permutation.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace {

constexpr int genomeSequences = 2000;
constexpr int sequenceLength = 1000;
constexpr int familySize = 40;
constexpr int familyStride = genomeSequences / familySize;
constexpr int copiesPerMember = 3;
constexpr int geneFiles = 8;

/// Upstream-like sequence: AT-rich (30% each of A and T), with soft-masked stretches in
/// lower case, as assembled genomes have.
std::string upstreamSequence(std::mt19937& random)
{
    std::string sequence;
    sequence.reserve(sequenceLength);
    bool masked = false;
    while (sequence.size() < static_cast<std::size_t>(sequenceLength)) {
        if (random() % 1000 < 4)
            masked = !masked;
        std::uint32_t pick = random() % 10;
        char base = pick < 3 ? 'A' : pick < 6 ? 'T' : pick < 8 ? 'C' : 'G';
        sequence += masked ? static_cast<char>(base + 32) : base;
    }
    sequence.resize(sequenceLength);
    return sequence;
}

std::string reverseComplementOf(const std::string& word)
{
    std::string result(word.rbegin(), word.rend());
    for (char& c : result)
        c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
    return result;
}

void writeFasta(const std::filesystem::path& path, const std::vector<std::string>& names,
    const std::vector<std::string>& sequences)
{
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < names.size(); ++i) {
        out << '>' << names[i] << " from -" << sequenceLength << " to -1, size " << sequenceLength << '\n';
        for (std::size_t p = 0; p < sequences[i].size(); p += 60)
            out << sequences[i].substr(p, 60) << '\n';
    }
}

/// Rank (1-based) of `word` or its reverse complement in the report's index page; 0 if absent.
int rankInReport(const std::filesystem::path& index, const std::string& word, std::string& found)
{
    std::ifstream in(index, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string page = text.str();
    const std::string reverse = reverseComplementOf(word);
    int rank = 0;
    for (std::size_t row = page.find("<tr>"); row != std::string::npos; row = page.find("<tr>", row + 1)) {
        ++rank;
        for (const std::string& candidate : {word, reverse}) {
            std::size_t end = page.find("</tr>", row);
            std::size_t hit = page.find(">" + candidate + "</a>", row);
            if (hit != std::string::npos && hit < end) {
                found = candidate;
                return rank;
            }
        }
    }
    return 0;
}

} // namespace

int runDemo(const std::string& folderName, std::ostream& out, std::ostream& err)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::absolute(folderName, error).lexically_normal();
    fs::create_directories(folder, error);
    if (error) {
        return workError(err, "cannot make the folder " + folder.string() + ": " + error.message());
    }
    // The demo's own files are made quietly; only its summary is shown.
    DiagnosticsTo silence(nullptr);
    WarningLines warnings(err);
    RunFeedback feedback(nullptr, &warnings);

    std::mt19937 random(20261207);
    std::vector<std::string> names, sequences;
    for (int i = 0; i < genomeSequences; ++i) {
        names.push_back("demo_gene_" + std::to_string(i + 1) + "_upstream");
        sequences.push_back(upstreamSequence(random));
    }
    // The family: every 50th sequence, each carrying the motif three times on either strand.
    const std::string motif = demoMotif;
    std::vector<std::string> familyNames, familySequences;
    for (int i = 0; i < genomeSequences; i += familyStride) {
        std::string& sequence = sequences[static_cast<std::size_t>(i)];
        for (int copy = 0; copy < copiesPerMember; ++copy) {
            std::size_t at = random() % (sequence.size() - motif.size());
            sequence.replace(at, motif.size(), random() % 2 ? motif : reverseComplementOf(motif));
        }
        familyNames.push_back(names[static_cast<std::size_t>(i)]);
        familySequences.push_back(sequence);
    }

    struct Export {
        fs::path fasta, table;
    };
    std::vector<Export> exports;
    writeFasta(folder / "genome.fa", names, sequences);
    exports.push_back({folder / "genome.fa", folder / "genome.dtable"});
    writeFasta(folder / "family.fa", familyNames, familySequences);
    exports.push_back({folder / "family.fa", folder / "family.dtable"});
    for (int g = 0; g < geneFiles; ++g) {
        std::string stem = "gene" + std::to_string(g + 1);
        writeFasta(folder / (stem + ".fa"), {familyNames[static_cast<std::size_t>(g)]},
            {familySequences[static_cast<std::size_t>(g)]});
        exports.push_back({folder / (stem + ".fa"), folder / (stem + ".dtable")});
    }
    int status = 0;
    for (const Export& e : exports) {
        ExportResult result = exportFastaToDTable(e.fasta.c_str(), e.table.c_str());
        if (!result.ok()) {
            status = workError(err, result.message);
            break;
        }
    }

    const char* index = nullptr;
    if (status == 0) {
        std::vector<std::string> genePaths;
        for (std::size_t g = 2; g < exports.size(); ++g)
            genePaths.push_back(exports[g].table.string());
        std::vector<const char*> genes;
        for (const std::string& path : genePaths)
            genes.push_back(path.c_str());
        index = runAnalysis(exports[0].table.c_str(), exports[1].table.c_str(), 6, 8, 0, genes.data(),
            static_cast<int>(genes.size()), folder.c_str());
        if (!index)
            status = workError(err, "no report was written");
    }
    if (status != 0)
        return status;

    out << "Seqlark demo: " << genomeSequences << " upstream sequences of " << sequenceLength
        << " bases make the genome; " << familySize << " of them, the family, carry the motif " << motif
        << " planted " << copiesPerMember << " times each.\n";
    out << "Exported them to DTable files in " << folder.string() << " and analyzed the family against the genome"
        << " with " << geneFiles << " gene files.\n";
    const fs::path report = folder / index;
    out << "Report: " << report.string() << '\n';
    std::string found;
    int rank = rankInReport(report, motif, found);
    if (rank > 0) {
        out << "The planted motif was found: " << found << (found == motif ? "" : " (its reverse complement)")
            << " is ranked " << rank << " of the top ten.\n";
    } else {
        out << "The planted motif " << motif << " is not among the top ten words.\n";
    }
    return 0;
}
