#include "cli/Demo.h"

#include "base/Dna.h"
#include "base/RealFormat.h"
#include "cli/CommandSupport.h"
#include "export/Export.h"
#include "run/Run.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
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

/// The demo's FASTA files and the table files they export to.
struct Export {
    std::filesystem::path fasta, table;
};

/// Writes the demo's FASTA files into `folder`: the genome, the family (every 50th sequence,
/// each carrying the motif three times on either strand) and the first members alone as
/// gene files; in that order, with the tables they export to.
std::vector<Export> writeDemoFasta(const std::filesystem::path& folder)
{
    std::mt19937 random(20261207);
    std::vector<std::string> names, sequences;
    for (int i = 0; i < genomeSequences; ++i) {
        names.push_back("demo_gene_" + std::to_string(i + 1) + "_upstream");
        sequences.push_back(upstreamSequence(random));
    }
    const std::string motif = demoMotif;
    std::vector<std::string> familyNames, familySequences;
    for (int i = 0; i < genomeSequences; i += familyStride) {
        std::string& sequence = sequences[static_cast<std::size_t>(i)];
        for (int copy = 0; copy < copiesPerMember; ++copy) {
            std::size_t at = random() % (sequence.size() - motif.size());
            sequence.replace(at, motif.size(), random() % 2 ? motif : reverseComplement(motif));
        }
        familyNames.push_back(names[static_cast<std::size_t>(i)]);
        familySequences.push_back(sequence);
    }

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
    return exports;
}

/// Tells on `out` where the planted motif came out: its rank among the listed words, its
/// place by significance and the assembled motif it joined.
void tellWhereTheMotifCameOut(const AnalysisResult& result, std::ostream& out)
{
    const std::string motif = demoMotif;
    if (std::size_t rank = result.rankOf(motif)) {
        const std::string found = result.candidates[rank - 1].word.text();
        out << "The planted motif was found: " << found << (found == motif ? "" : " (its reverse complement)")
            << " is ranked " << rank << " of the top ten.\n";
    } else {
        out << "The planted motif " << motif << " is not among the top ten words.\n";
    }
    const std::string reverse = reverseComplement(motif);
    const std::vector<WordClass>& classes = result.significance.classes;
    const auto planted = std::find_if(classes.begin(), classes.end(),
        [&](const WordClass& c) { return c.word == motif || c.word == reverse; });
    if (planted == classes.end())
        return;
    const auto place = static_cast<std::size_t>(planted - classes.begin());
    out << "By significance it is class " << place + 1 << " of " << classes.size() << " (E-value "
        << formatFromLog10(planted->log10E) << ")";
    for (const AssembledMotif& assembled : result.assembled) {
        if (std::any_of(assembled.members.begin(), assembled.members.end(),
                [place](const MotifMember& member) { return member.classIndex == place; })) {
            out << ", in the assembled motif " << assembled.consensus << " (" << assembled.motif.id << ")";
            break;
        }
    }
    out << ".\n";
}

} // namespace

int runDemo(const std::string& folderName, std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::absolute(folderName, error).lexically_normal();
    fs::create_directories(folder, error);
    if (error)
        return workError(err, "cannot make the folder " + folder.string() + ": " + error.message());
    // The demo's own files are made quietly; only its summary, warnings, the progress of the
    // analysis and, when verbose, the analysis' diagnostic lines are shown.
    CommandFeedback feedback(err, verbosity, errIsTerminal, "analyzing");
    const std::vector<Export> exports = writeDemoFasta(folder);
    for (const Export& e : exports) {
        RunFeedback quietly;
        ExportResult exported = exportFastaToDTable(e.fasta.c_str(), e.table.c_str(), quietly);
        if (!exported.ok())
            return workError(err, exported.message);
    }

    RunRequest request;
    request.big = exports[0].table.string();
    request.small = exports[1].table.string();
    for (std::size_t g = 2; g < exports.size(); ++g)
        request.genes.push_back(exports[g].table.string());
    request.folder = folder.string();
    RunOutcome outcome = run(request, feedback);
    if (!outcome.ok())
        return workError(err, outcome.message);

    out << "Seqlark demo: " << genomeSequences << " upstream sequences of " << sequenceLength
        << " bases make the genome; " << familySize << " of them, the family, carry the motif " << demoMotif
        << " planted " << copiesPerMember << " times each.\n";
    out << "Exported them to DTable files in " << folder.string() << " and analyzed the family against the genome"
        << " with " << geneFiles << " gene files.\n";
    out << "Report: " << outcome.indexPage << '\n';
    out << "Summary with sequence logos and motif files: " << outcome.summaryPage << '\n';
    tellWhereTheMotifCameOut(outcome.result, out);
    return 0;
}
