#include "analysis/Analysis.h"

#include "analysis/KnownMatch.h"
#include "analysis/Progress.h"
#include "analysis/ScoreEngine.h"
#include "base/Dna.h"
#include "base/Parallel.h"

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <tuple>

namespace {

constexpr const char* emptyInputText = "Upstream Genome or Gene Family is empty!";

/// Steps the run takes itself, besides those of tabulating and refining.
constexpr std::int64_t ownSteps = 5;

/// A table loaded apart from the run's diagnostics, which it keeps until the run writes
/// them at their place: what its construction wrote, then what its loading wrote.
struct LoadedTable {
    explicit LoadedTable(TableSource source)
        : path(std::move(source.path))
        , file(source.file.empty() ? path : std::move(source.file))
        , given(std::move(source.table))
        , log(std::make_unique<std::ostringstream>())
        , table(Diagnostics(*log))
    {
        construction = log->str();
        log->str("");
    }
    /// Loads the table (or takes the one given) and sums it up: header numbers, records kept,
    /// records of negative count.
    void load()
    {
        if (given) {
            summary.status = LoadStatus::Loaded;
        } else {
            summary.status = (keptLengths ? table.load(file.c_str(), *keptLengths, summary.facts)
                                          : table.load(file.c_str(), summary.facts))
                                 .status;
        }
        const DTable& loaded = read();
        summary.path = path;
        summary.bucketCount = loaded.bucketCount();
        summary.sequenceLength = loaded.sequenceLength();
        summary.totalCount = loaded.totalCount();
        summary.distinctCount = loaded.distinctCount();
        summary.negativeCounts = loaded.negativeCountRecords();
        if (!takeRecords) {
            summary.records = loaded.recordCount();
        } else if (given) {
            // A table given is only read: the records of the lengths kept are copied out.
            for (WordEntry& entry : given->entries())
                if (!keptLengths || std::count(keptLengths->begin(), keptLengths->end(), entry.word.length()))
                    records.push_back(std::move(entry));
            summary.records = records.size();
        } else {
            summary.records = table.recordCount();
            records = table.takeEntries();
        }
    }
    /// The table the run reads: the one given, or the one loaded.
    const DTable& read() const { return given ? *given : table; }
    /// Lets go of the table once the run is done with it.
    void release()
    {
        given.reset();
        table = DTable();
    }

    std::string path;
    /// The file read for `path`.
    std::string file;
    /// A table in memory that stands for the file at `path`.
    std::shared_ptr<const DTable> given;
    std::unique_ptr<std::ostringstream> log;
    DTable table;
    std::string construction;
    TableSummary summary;
    /// When set, only the records of these word lengths are loaded.
    std::optional<std::vector<std::size_t>> keptLengths;
    /// Whether loading also moves the records out of the table into `records`.
    bool takeRecords = false;
    std::vector<WordEntry> records;
};

/// Loads every table, sharing them out over the processor's cores.
void loadAll(std::vector<LoadedTable*> tables)
{
    forEachInParallel(tables.size(), [&](std::size_t i) { tables[i]->load(); });
}

/// The letter frequencies of the genome's table, from its six-letter words of A, C, G and T:
/// every letter of every window counted once per window holding it, which weighs the
/// letters as the sequence does but near the ends of its records.
BaseWeights letterFrequencies(const std::vector<WordEntry>& background)
{
    BaseWeights letters {};
    for (const WordEntry& entry : background) {
        if (entry.word.length() != 6 || entry.count <= 0)
            continue;
        BaseWeights inWord {};
        bool plain = true;
        for (char letter : entry.word.view()) {
            const unsigned code = baseCodes[static_cast<unsigned char>(letter)];
            if (code == otherBase) {
                plain = false;
                break;
            }
            // The code table orders A, C, G, T as the weights do.
            inWord[code] += 1.0;
        }
        if (plain)
            for (std::size_t b = 0; b < 4; ++b)
                letters[b] += inWord[b] * static_cast<double>(entry.count);
    }
    return frequenciesOf(letters);
}

/// The refined matrices as motifs, each with the E-value of its word's class, taken from
/// the significance table or, for a length the table leaves out, from one made for it.
std::vector<Motif> refinedMotifs(const AnalysisResult& result, Statistic statistic, std::size_t geneFiles)
{
    // The classes of the refined words, each named by the one of its two words that sorts
    // first, as the table names it.
    const std::size_t refined = std::min(result.matrices.size(), result.candidates.size());
    std::vector<std::string> wanted;
    for (std::size_t i = 0; i < refined; ++i) {
        const std::string word(result.candidates[i].word.view());
        wanted.push_back(std::min(word, reverseComplement(word)));
    }
    std::vector<double> log10E(refined, 0.0);
    auto note = [&](const SignificanceTable& table) {
        for (const WordClass& wordClass : table.classes)
            for (std::size_t i = 0; i < refined; ++i)
                if (wordClass.word.size() == wanted[i].size() && wordClass.word == wanted[i])
                    log10E[i] = wordClass.log10E;
    };
    note(result.significance);
    std::vector<int> covered;
    for (const LengthSummary& summary : result.significance.lengths)
        covered.push_back(summary.length);
    for (std::size_t i = 0; i < refined; ++i) {
        const int length = static_cast<int>(wanted[i].size());
        if (std::find(covered.begin(), covered.end(), length) == covered.end() && isDnaWord(wanted[i])
            && length >= shortestWordLength && length <= longestWordLength) {
            note(significanceOf(result.background, result.candidates, statistic, length, length, result.family.get(),
                result.bigForward.get(), result.smallForward.get()));
            covered.push_back(length);
        }
    }
    std::vector<Motif> motifs;
    for (std::size_t i = 0; i < refined; ++i) {
        const std::string word(result.candidates[i].word.view());
        const ProbabilityMatrix& matrix = result.matrices[i];
        Motif motif;
        motif.id = "refined-" + std::to_string(i + 1);
        motif.name = word;
        motif.sites = static_cast<double>(geneFiles);
        for (int k = 0; k < matrix.rowCount(); ++k)
            motif.counts.push_back({matrix.probability(k, 'A') * motif.sites, matrix.probability(k, 'C') * motif.sites,
                matrix.probability(k, 'G') * motif.sites, matrix.probability(k, 'T') * motif.sites});
        motif.log10E = log10E[i];
        motifs.push_back(std::move(motif));
    }
    return motifs;
}

} // namespace

std::size_t AnalysisResult::rankOf(std::string_view word) const
{
    const std::string reverse = reverseComplement(word);
    const std::size_t listed = std::min(candidates.size(), matrices.size());
    for (std::size_t i = 0; i < listed; ++i) {
        const std::string_view candidate = candidates[i].word.view();
        if (candidate == word || candidate == reverse)
            return i + 1;
    }
    return 0;
}

namespace {

/// The table indices of its first `count` classes of sig >= 0, in rank order.
std::vector<std::size_t> firstSignificant(const SignificanceTable& table, std::size_t count)
{
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < table.classes.size() && indices.size() < count; ++i)
        if (table.classes[i].sig() >= 0.0)
            indices.push_back(i);
    return indices;
}

/// Why `input` cannot make a run, as a result that says so; a complete one when it can.
AnalysisResult refusal(const AnalysisInput& input)
{
    AnalysisResult result;
    auto refuse = [&result](AnalysisStatus status, const char* message) {
        result.status = status;
        result.message = message;
        return result;
    };
    if (input.genes.empty())
        return refuse(AnalysisStatus::MissingInput, "no gene file was given, so nothing was read");
    if (input.genes.size() > static_cast<std::size_t>(maximumGeneFiles))
        return refuse(AnalysisStatus::TooManyGeneFiles, "more gene files were given than one run takes, so nothing was read");
    if (input.shortest < shortestWordLength || input.longest > longestWordLength || input.shortest > input.longest)
        return refuse(AnalysisStatus::BadLengths, "the word lengths lay outside 6 to 8 letters, so nothing was read");
    return result;
}

/// Loads the gene tables side by side, keeping the words of `lengths` alone, and writes
/// their diagnostics in their order; each one's summary goes to `result`. Their records,
/// one list per gene table.
std::vector<std::vector<WordEntry>> loadGenes(std::vector<TableSource>& sources, const std::vector<std::size_t>& lengths,
    const Diagnostics& console, AnalysisResult& result)
{
    std::vector<std::unique_ptr<LoadedTable>> genes;
    std::vector<LoadedTable*> loading;
    for (TableSource& source : sources) {
        genes.push_back(std::make_unique<LoadedTable>(std::move(source)));
        genes.back()->keptLengths = lengths;
        genes.back()->takeRecords = true;
        loading.push_back(genes.back().get());
        console << genes.back()->construction;
    }
    loadAll(loading);
    std::vector<std::vector<WordEntry>> geneLists;
    geneLists.reserve(genes.size());
    for (auto& gene : genes) {
        console << gene->log->str();
        result.genes.push_back(gene->summary);
        geneLists.push_back(std::move(gene->records));
        gene.reset();
    }
    return geneLists;
}

/// Names the closest of the `known` motifs of `result` to each of its refined and assembled
/// motifs.
void matchKnownMotifs(AnalysisResult& result)
{
    if (result.known.empty())
        return;
    const MotifSet known(result.known);
    std::vector<const Motif*> motifs;
    for (const Motif& motif : result.refined) {
        result.refinedKnown.push_back(known.closest(motif));
        motifs.push_back(&motif);
    }
    for (const AssembledMotif& motif : result.assembled) {
        result.assembledKnown.push_back(known.closest(motif.motif));
        motifs.push_back(&motif.motif);
    }
    std::vector<MotifMatch*> matches;
    for (MotifMatch& match : result.refinedKnown)
        matches.push_back(&match);
    for (MotifMatch& match : result.assembledKnown)
        matches.push_back(&match);
    measureKnownMatches(motifs, matches, result.known.size(), MotifSet(shuffledMotifs(result.known)));
}

/// The significance of every class of the engine's lists, its significant classes assembled
/// into motifs, and where the best of them lie in the family's sequences.
std::tuple<SignificanceTable, std::vector<AssembledMotif>, std::optional<PositionReport>> findSignificance(
    const ScoreEngine& engine, const AnalysisInput& input)
{
    SignificanceTable table = significanceOf(engine.backgroundList(), engine.candidateList(), input.statistic,
        input.shortest, input.longest, input.family.get(), input.bigForward.get(), input.smallForward.get(),
        {input.bigDyads.get(), input.familyDyads.get()});
    std::vector<AssembledMotif> motifs = assembleMotifs(table);
    std::optional<PositionReport> positions;
    if (input.family && binsSpanned(*input.family, input.binWidth) >= fewestPositionBins)
        positions = positionsOf(*input.family, table, motifs, firstSignificant(table, positionedClasses), input.anchor,
            input.binWidth);
    return std::tuple {std::move(table), std::move(motifs), std::move(positions)};
}

/// Moves the engine's lists, what the input read of the sequences and its known motifs into
/// `result`.
void takeFindings(ScoreEngine& engine, AnalysisInput& input, AnalysisResult& result)
{
    result.candidates = engine.takeCandidates();
    result.background = engine.takeBackground();
    result.matrices = engine.takeMatrices();
    result.family = std::move(input.family);
    result.bigForward = std::move(input.bigForward);
    result.smallForward = std::move(input.smallForward);
    result.bigDyads = std::move(input.bigDyads);
    result.familyDyads = std::move(input.familyDyads);
    result.dyadSource = std::move(input.dyadSource);
    result.backgroundNote = std::move(input.backgroundNote);
    result.known = std::move(input.known);
}

} // namespace

AnalysisResult analyze(AnalysisInput input, RunFeedback& feedback)
{
    AnalysisResult result = refusal(input);
    if (!result.ok())
        return result;
    const Diagnostics& console = feedback.diagnostics();
    RunProgress progress(feedback);
    progress.openProgressWindow();

    // The two tables load side by side; their diagnostics are written at their place below.
    LoadedTable big(std::move(input.big));
    LoadedTable small(std::move(input.small));
    loadAll({&big, &small});
    result.big = big.summary;
    result.small = small.summary;
    auto unsound = [](const TableSummary& table) { return table.negative() || !table.facts.refusals().empty(); };
    if (input.refuseUnsoundTables && (unsound(result.big) || unsound(result.small))) {
        result.status = AnalysisStatus::UnsoundTable;
        result.message = "the genome's or the family's table holds what no counting gives";
        progress.closeProgressWindow();
        return result;
    }
    // Asked between the long steps: the result then goes no further.
    const auto stopped = [&] {
        if (!feedback.stopAsked())
            return false;
        result.status = AnalysisStatus::Stopped;
        result.message = "the analysis was stopped";
        progress.closeProgressWindow();
        return true;
    };
    if (stopped())
        return result;
    const std::size_t candidates = result.small.records;
    const std::size_t geneCount = input.genes.size();
    progress.setTotal(ownSteps + ScoreEngine::tabulateSteps(candidates) + ScoreEngine::refineSteps(candidates, geneCount));

    progress.resetProgress();
    progress.stepProgress();
    console << big.construction << small.construction;
    progress.stepProgress();
    console << big.log->str();
    progress.stepProgress();
    console << small.log->str();
    if (big.read().distinctCount() <= 0 || small.read().distinctCount() <= 0)
        feedback.warn(fileLoadCaption, emptyInputText);

    ScoreEngine engine(progress);
    progress.stepProgress();
    engine.tabulate(big.read(), small.read());
    engine.sortCandidates();
    progress.stepProgress();
    if (stopped())
        return result;
    big.release();
    small.release();

    // The significance table reads the engine's lists while the gene tables load and the
    // candidates are refined, which only read them too; the significant classes are
    // assembled into motifs there too.
    std::future<std::tuple<SignificanceTable, std::vector<AssembledMotif>, std::optional<PositionReport>>> significance
        = std::async(std::launch::async, [&engine, &input] { return findSignificance(engine, input); });
    // Refining looks only at gene words as long as the candidates it refines, so the gene
    // tables keep only words of those lengths (none at all when there is no candidate).
    engine.refineCandidates(loadGenes(input.genes, engine.refinedLengths(), console, result));

    std::tie(result.significance, result.assembled, result.positions) = significance.get();
    if (stopped())
        return result;
    takeFindings(engine, input, result);
    result.refined = refinedMotifs(result, input.statistic, geneCount);
    result.baseFrequencies = letterFrequencies(result.background);
    matchKnownMotifs(result);
    progress.closeProgressWindow();
    return result;
}
