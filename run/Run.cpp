// One run from input files to report, the same for every front end: inputs told apart and
// checked before anything is written, FASTA inputs counted in memory, the analysis, the
// checks of what loading found, and the report.

#include "run/Run.h"

#include "analysis/MotifFormats.h"
#include "base/Dna.h"
#include "export/Export.h"
#include "export/FastaRecords.h"
#include "export/InputKind.h"
#include "export/StreamCopies.h"
#include "report/ReportFiles.h"
#include "report/ReportWriter.h"
#include "report/SummaryPage.h"
#include "run/Backgrounds.h"
#include "run/RunChoices.h"
#include "run/RunInputs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <vector>

namespace {

RunOutcome failed(RunStatus status, std::string message)
{
    RunOutcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

/// Why a reading failed, as a run's outcome: stopped when the front end asked, refused otherwise.
RunOutcome readingFailed(const ExportResult& read)
{
    return failed(read.status == ExportStatus::Stopped ? RunStatus::Stopped : RunStatus::InputRefused, read.message);
}

/// Shows nothing of a reading, which stops once the front end asks the run to stop.
class Quietly : public RunFeedback {
public:
    explicit Quietly(RunFeedback& front)
        : front(front)
    {
    }
    bool stopAsked() override { return front.stopAsked(); }

private:
    RunFeedback& front;
};

/// The FASTA file the genome's spaced pairs are counted in.
const std::string& dyadSourceOf(const RunRequest& request)
{
    return request.dyadBackground.empty() ? request.big.path : request.dyadBackground;
}

/// Passes everything on to the front end's feedback but the end of the progress, which
/// comes once the report is written.
class UntilReported : public RunFeedback {
public:
    explicit UntilReported(RunFeedback& front)
        : RunFeedback(front.diagnostics())
        , front(front)
    {
    }
    void started() override { front.started(); }
    void progressed(std::int64_t done, std::int64_t total) override { front.progressed(done, total); }
    void warn(std::string_view caption, std::string_view text) override { front.warn(caption, text); }
    void note(std::string_view text) override { front.note(text); }
    bool stopAsked() override { return front.stopAsked(); }

private:
    RunFeedback& front;
};

/// Tells, in one warning, which inputs are tables that a masking cannot reach.
void warnOfTablesUnmasked(const RunRequest& request, const std::vector<const RunInput*>& inputs,
    const std::vector<InputKind>& kinds, RunFeedback& feedback)
{
    if (request.masking == Masking::None)
        return;
    std::string tables;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i]->table || kinds[i] != InputKind::Fasta)
            tables += (tables.empty() ? "" : ", ") + inputs[i]->path;
    if (!tables.empty())
        feedback.warn("masking", std::string("a DTable file is counted already, so --mask ") + maskingName(request.masking)
                + " cannot apply to " + tables);
}

/// A request checked and its inputs told apart, before anything is counted: what its
/// inputs are, the copies of those given as streams, and the analysis' input made ready but
/// for its tables.
struct CheckedRequest {
    explicit CheckedRequest(const RunRequest& asked)
        : request(asked)
    {
    }
    CheckedRequest(const CheckedRequest&) = delete;
    CheckedRequest& operator=(const CheckedRequest&) = delete;

    /// As asked; a BIG made of the family (shuffles, a model) takes its place once the
    /// family is read, and a model fitted on BIG replaces BIG.
    RunRequest request;
    /// BIG is made of the family's sequences: it is not read, and its kind is what it will be.
    bool bigMade = false;
    std::vector<const RunInput*> inputs; ///< big, small, then the genes
    StreamCopies streams;
    std::vector<InputKind> kinds; ///< of each input
    bool fastaFamily = false;
    AnalysisInput input;
};

/// The FASTA inputs counted so far, by path, with the letters masked in each: a file given
/// twice is counted once.
using CountedInputs = std::map<std::string, std::pair<std::shared_ptr<const DTable>, std::int64_t>>;

/// The analysis' inputs: each table file as it is, each FASTA file counted in memory as its
/// export would count it, masked as asked. `maskedBases` gets the letters masked in each.
/// `awaitFamily` is called before the first FASTA input of the family's path is looked up,
/// the family being read meanwhile; false when it was refused.
bool countInputs(CheckedRequest& checked, CountedInputs& counted, std::vector<std::int64_t>& maskedBases,
    RunOutcome& outcome, const std::function<bool()>& awaitFamily, RunFeedback& feedback)
{
    const RunRequest& request = checked.request;
    const std::vector<const RunInput*>& inputs = checked.inputs;
    const StreamCopies& streams = checked.streams;
    AnalysisInput& input = checked.input;
    const unsigned threads = request.threads ? request.threads : std::max(1u, std::thread::hardware_concurrency());
    std::vector<TableSource> sources;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const RunInput& given = *inputs[i];
        maskedBases.push_back(0);
        if (given.table || checked.kinds[i] != InputKind::Fasta) {
            sources.emplace_back(given.path, given.table);
            sources.back().file = streams.source(given.path);
            continue;
        }
        if (given.path == request.small.path && !awaitFamily())
            return false;
        auto& [table, masked] = counted[given.path];
        if (!table) {
            Quietly quietly(feedback);
            const std::string source = streams.source(given.path);
            MaskedCount fasta = request.masking == Masking::None
                ? MaskedCount {countFasta(source.c_str(), quietly, threads)}
                : countFastaMasked(source.c_str(), request.masking, quietly);
            if (!fasta.ok()) {
                fasta.message = streams.told(fasta.message);
                outcome = readingFailed(fasta);
                return false;
            }
            table = std::make_shared<const CountingTable>(std::move(fasta.table));
            masked = fasta.maskedBases;
        }
        sources.emplace_back(given.path, table);
        maskedBases.back() = masked;
    }
    input.big = std::move(sources[0]);
    input.small = std::move(sources[1]);
    std::vector<TableSource> genes(std::make_move_iterator(sources.begin() + 2), std::make_move_iterator(sources.end()));
    if (!genes.empty())
        input.genes = std::move(genes);
    return true;
}

/// The gene tables a FASTA family's first records give: all it may have when no gene file is
/// given, none otherwise.
std::size_t familyGeneRecords(const RunRequest& request)
{
    return request.genes.empty() ? maximumGeneFiles : 0;
}

/// The FASTA family read once, masked as asked: its table (for the counting below), its
/// sequences, and with no gene file given its first records as gene tables, named after the
/// family's file and the record. Refused when no distinct sequence keeps a word of A, C, G
/// and T; says how many records repeated another's sequence.
bool takeFamily(FamilyRead read, const RunRequest& request, CountedInputs& counted, AnalysisInput& input,
    RunOutcome& outcome, RunFeedback& feedback)
{
    const std::string& family = request.small.path;
    const std::size_t genes = familyGeneRecords(request);
    if (!read.ok()) {
        outcome = readingFailed(read);
        return false;
    }
    const auto& windows = read.profile.windowCounts(FamilyProfile::shortest);
    if (windows.empty() || windows.rbegin()->first == 0) {
        outcome = failed(RunStatus::InputRefused, "the family " + family + " holds no word of A, C, G and T"
                + (request.masking == Masking::None ? std::string() : " once masked"));
        return false;
    }
    if (genes > 0 && read.genes > static_cast<std::int64_t>(genes))
        feedback.note("the first " + std::to_string(genes) + " of the " + std::to_string(read.genes) + " records of "
            + family + " serve as gene files");
    if (read.profile.duplicates() > 0)
        feedback.note(std::to_string(read.profile.duplicates()) + " of the " + std::to_string(read.profile.records())
            + " records of " + family + " repeat an earlier record's sequence; each sequence counts once");
    for (std::size_t r = 0; r < read.records.size(); ++r)
        input.genes.emplace_back(family + " record " + std::to_string(r + 1) + " (" + read.names[r] + ")",
            std::make_shared<const CountingTable>(std::move(read.records[r])));
    counted[family] = {std::make_shared<const CountingTable>(std::move(read.table)), read.maskedBases};
    input.family = std::make_shared<const FamilyProfile>(std::move(read.profile));
    if (read.forward)
        input.smallForward = std::make_shared<const StrandCounts>(std::move(*read.forward));
    return true;
}

/// Makes what stands for BIG when a background is asked for: of the family `checked.input`
/// holds when BIG is made of it, else of BIG itself, which it then replaces.
bool makeBackground(CheckedRequest& checked, RunOutcome& outcome, RunFeedback& feedback)
{
    RunRequest& request = checked.request;
    Background made;
    if (request.shuffles) {
        made = shuffledBackground(*checked.input.family, request.small.path, *request.shuffles, request.seed, checked.streams);
    } else if (checked.bigMade) {
        made = modelBackground(*checked.input.family, request.small.path, *request.markovOrder);
    } else {
        Quietly quietly(feedback);
        made = modelBackground(checked.streams.source(request.big.path), request.big.path, checked.kinds[0],
            request.masking, *request.markovOrder, quietly);
        made.message = checked.streams.told(made.message);
    }
    if (!made.ok()) {
        outcome = readingFailed(made);
        return false;
    }
    checked.kinds[0] = made.big.table ? InputKind::DTable : InputKind::Fasta;
    request.big = std::move(made.big);
    checked.input.backgroundNote = std::move(made.note);
    return true;
}

/// Every input made ready for the analysis: a FASTA family read (in a thread of its own while
/// the other inputs are counted) and taken before anything of its path is, the other FASTA
/// files counted, the tables left to load. A refused family is what the run says first.
bool gatherInputs(
    CheckedRequest& checked, std::vector<std::int64_t>& maskedBases, RunOutcome& outcome, RunFeedback& feedback)
{
    const RunRequest& request = checked.request;
    const StreamCopies& streams = checked.streams;
    AnalysisInput& input = checked.input;
    CountedInputs counted;
    const auto readTheFamily = [&request, &streams, &feedback] {
        Quietly quietly(feedback);
        FamilyRead read = readFamily(streams.source(request.small.path).c_str(), request.masking,
            familyGeneRecords(request), quietly, request.strand);
        read.message = streams.told(read.message);
        return read;
    };
    // A BIG made of the family waits for it; otherwise the family is read while the other
    // inputs are counted.
    std::future<FamilyRead> reading;
    bool familyTaken = !checked.fastaFamily;
    if (checked.bigMade) {
        familyTaken = true;
        if (!takeFamily(readTheFamily(), request, counted, input, outcome, feedback))
            return false;
    } else if (checked.fastaFamily) {
        reading = std::async(std::launch::async, readTheFamily);
    }
    if ((request.markovOrder || request.shuffles) && !makeBackground(checked, outcome, feedback))
        return false;
    std::future<StrandRead> genomeStrands;
    if (request.strand == Strand::Given)
        genomeStrands = std::async(std::launch::async, [&request, &streams, &feedback] {
            Quietly quietly(feedback);
            StrandRead read = readStrandCounts(streams.source(request.big.path).c_str(), request.masking, quietly);
            read.message = streams.told(read.message);
            return read;
        });
    // The genome's spaced pairs, read in a thread of their own as a table cannot keep them.
    std::future<DyadRead> genomeDyads;
    if (request.dyads)
        genomeDyads = std::async(std::launch::async, [&request, &streams, &feedback] {
            Quietly quietly(feedback);
            DyadRead read = readDyadCounts(streams.source(dyadSourceOf(request)).c_str(), request.masking,
                *request.dyads, quietly);
            read.message = streams.told(read.message);
            return read;
        });
    RunOutcome familyRefusal;
    const auto awaitFamily = [&] {
        if (!familyTaken) {
            familyTaken = true;
            if (!takeFamily(reading.get(), request, counted, input, familyRefusal, feedback))
                return false;
        }
        return familyRefusal.ok();
    };
    const bool inputsCounted = countInputs(checked, counted, maskedBases, outcome, awaitFamily, feedback);
    if (!awaitFamily()) {
        outcome = std::move(familyRefusal);
        return false;
    }
    // Words on their own strand: the genome's read once more, as its table cannot keep them.
    if (inputsCounted && request.strand == Strand::Given) {
        StrandRead genome = genomeStrands.get();
        if (!genome.ok()) {
            outcome = readingFailed(genome);
            return false;
        }
        input.bigForward = std::make_shared<const StrandCounts>(std::move(genome.counts));
    }
    if (inputsCounted && request.dyads) {
        DyadRead genome = genomeDyads.get();
        if (!genome.ok()) {
            outcome = readingFailed(genome);
            return false;
        }
        input.bigDyads = std::make_shared<const DyadCounts>(std::move(genome.counts));
        input.familyDyads = std::make_shared<const DyadProfile>(*input.family, *request.dyads);
        input.dyadSource = dyadSourceOf(request);
    }
    return inputsCounted;
}

/// Whether the width of bins asked for leaves bins enough over the family's longest sequence;
/// says why not in `outcome`.
bool binsFit(const CheckedRequest& checked, RunOutcome& outcome)
{
    const AnalysisInput& input = checked.input;
    const int bins = input.family ? binsSpanned(*input.family, input.binWidth) : fewestPositionBins;
    if (!checked.request.binWidth || bins >= fewestPositionBins)
        return true;
    outcome = failed(RunStatus::BadRequest, "--bin " + std::to_string(input.binWidth) + " leaves " + std::to_string(bins)
            + " bins over the family's longest sequence of " + std::to_string(input.family->longestSequence())
            + " bases; at least " + std::to_string(fewestPositionBins) + " must fit");
    return false;
}

/// Refuses a table that loading found to hold what no export writes, and passes on the
/// warnings of the others (a table cut short), in the order of the inputs.
bool tablesAccepted(const AnalysisResult& result, RunOutcome& outcome, RunFeedback& feedback)
{
    std::vector<const TableSummary*> tables {&result.big, &result.small};
    for (const TableSummary& gene : result.genes)
        tables.push_back(&gene);
    for (const TableSummary* table : tables) {
        std::string refusal = tableRefusal(table->path, table->facts);
        if (refusal.empty() && table->negative())
            refusal = "cannot use " + table->path + " as a DTable file: it holds a negative count";
        if (!refusal.empty()) {
            outcome.status = RunStatus::InputRefused;
            outcome.message = std::move(refusal);
            return false;
        }
        for (const std::string& warning : table->facts.warnings())
            feedback.warn(table->path, warning);
    }
    return true;
}

/// Whether the family's table holds a word of A, C, G and T, which a report can rank.
bool holdsDnaWord(const AnalysisResult& result)
{
    return std::any_of(result.candidates.begin(), result.candidates.end(),
        [](const WordEntry& entry) { return entry.count > 0 && isDnaWord(entry.word.view()); });
}

/// Whether the analysis can make a report: its tables accepted (the warnings of the others
/// passed on), and, when the family holds words, one of A, C, G and T among them to rank.
/// Says why not in `outcome`.
bool reportable(const RunRequest& request, const AnalysisResult& result, RunOutcome& outcome, RunFeedback& feedback)
{
    if (!tablesAccepted(result, outcome, feedback))
        return false;
    if (!result.ok()) {
        outcome.status = result.status == AnalysisStatus::Stopped ? RunStatus::Stopped : RunStatus::InputRefused;
        outcome.message = result.message;
        return false;
    }
    // An empty family is warned of and written no report, as ever; one of other words alone
    // is refused.
    if (!result.candidates.empty() && !holdsDnaWord(result)) {
        outcome.status = RunStatus::InputRefused;
        outcome.message = "the family " + request.small.path
            + " holds no word of A, C, G and T (only N or other letters): nothing to report";
        return false;
    }
    return true;
}

/// Makes the report folder `folder` and those above it that are missing, which go into
/// `made`, deepest first.
std::error_code makeFolder(const std::string& folder, std::vector<std::filesystem::path>& made)
{
    std::error_code error;
    for (std::filesystem::path level = folder; !level.empty() && !std::filesystem::exists(level, error);
         level = level.parent_path())
        made.push_back(level);
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    return error;
}

/// Removes the folders a run made for a report it then refused to write, each only while empty.
void takeBack(const std::vector<std::filesystem::path>& made)
{
    for (const std::filesystem::path& level : made) {
        std::error_code ignored;
        std::filesystem::remove(level, ignored);
    }
}

std::string inFolder(const std::string& folder, const char* name)
{
    return folder.empty() ? std::string(name) : (std::filesystem::path(folder) / name).string();
}

/// Checks `checked.request` before anything is counted: what it asks for, what its inputs
/// are (each stream read into its copy), whether they allow what it asks, and the known
/// motifs; makes the analysis' input ready but for its tables. False, with why in
/// `outcome`, when no run can be made of it.
bool checkRequest(CheckedRequest& checked, RunOutcome& outcome)
{
    const RunRequest& request = checked.request;
    if (std::string problem = requestProblem(request); !problem.empty()) {
        outcome = failed(RunStatus::BadRequest, std::move(problem));
        return false;
    }
    checked.inputs = {&request.big, &request.small};
    for (const RunInput& gene : request.genes)
        checked.inputs.push_back(&gene);
    checked.bigMade = request.shuffles || (request.markovOrder && request.big.path.empty() && !request.big.table);
    if (checked.bigMade)
        checked.kinds.push_back(request.shuffles ? InputKind::Fasta : InputKind::DTable);
    // What a pipe gives is read once, before anything looks at it.
    const std::vector<const RunInput*> given(checked.inputs.begin() + (checked.bigMade ? 1 : 0), checked.inputs.end());
    std::string inputRefusal = copyStreams(given, request.dyadBackground, checked.streams);
    if (inputRefusal.empty())
        inputRefusal = tellKinds(given, checked.streams, checked.kinds);
    if (!inputRefusal.empty()) {
        outcome = failed(RunStatus::InputRefused, std::move(inputRefusal));
        return false;
    }
    const bool fastaFamily = !request.small.table && checked.kinds[1] == InputKind::Fasta;
    checked.fastaFamily = fastaFamily;
    if (request.genes.empty() && !fastaFamily && !request.markovOrder && !request.shuffles)
        outcome = failed(RunStatus::NeedsGeneFiles, "gene files are needed unless the family is a FASTA file, whose records then serve");
    else if (std::string problem = choiceProblem(request, checked.kinds, fastaFamily); !problem.empty())
        outcome = failed(RunStatus::BadRequest, std::move(problem));
    else if (std::string refusal = dyadBackgroundRefusal(request.dyadBackground, checked.streams); !refusal.empty())
        outcome = failed(RunStatus::InputRefused, std::move(refusal));
    if (!outcome.ok())
        return false;
    AnalysisInput& input = checked.input;
    input.statistic = request.statistic.value_or(fastaFamily ? Statistic::Sequences : Statistic::Binomial);
    input.shortest = request.shortest;
    input.longest = request.longest;
    input.refuseUnsoundTables = true;
    input.anchor = request.anchor.value_or(Anchor::End);
    input.binWidth = request.binWidth.value_or(defaultBinWidth);
    if (!request.knownMotifs.empty()) {
        MotifFileContents known = readMotifFile(request.knownMotifs);
        if (!known.ok()) {
            outcome = failed(RunStatus::InputRefused, "cannot use the known motifs of " + known.message);
            return false;
        }
        input.known = std::move(known.motifs);
    }
    return true;
}

/// Counts and reads the inputs of `checked` and analyzes them: the outcome holds the
/// analysis, or why there is none that a report could show.
RunOutcome analyzeChecked(CheckedRequest& checked, RunFeedback& feedback)
{
    const RunRequest& request = checked.request;
    RunOutcome outcome;
    const auto first = static_cast<std::ptrdiff_t>(checked.bigMade ? 1 : 0);
    warnOfTablesUnmasked(request, {checked.inputs.begin() + first, checked.inputs.end()},
        {checked.kinds.begin() + first, checked.kinds.end()}, feedback);
    std::vector<std::int64_t> maskedBases;
    if (!gatherInputs(checked, maskedBases, outcome, feedback) || !binsFit(checked, outcome))
        return outcome;

    UntilReported untilReported(feedback);
    outcome.result = analyze(std::move(checked.input), untilReported);
    AnalysisResult& result = outcome.result;
    result.big.maskedBases = maskedBases[0];
    result.small.maskedBases = maskedBases[1];
    for (std::size_t g = 0; g < result.genes.size() && g + 2 < maskedBases.size(); ++g)
        result.genes[g].maskedBases = maskedBases[g + 2];
    if (!reportable(request, result, outcome, feedback))
        feedback.finished();
    return outcome;
}

} // namespace

RunOutcome analyzeRun(const RunRequest& request, RunFeedback& feedback)
{
    CheckedRequest checked(request);
    RunOutcome outcome;
    if (!checkRequest(checked, outcome))
        return outcome;
    outcome = analyzeChecked(checked, feedback);
    if (outcome.ok())
        feedback.finished();
    return outcome;
}

WrittenReport writeRunReport(
    const AnalysisResult& result, const std::string& folder, const std::string& knownMotifs, RunFeedback& feedback)
{
    WrittenReport outcome;
    std::vector<std::filesystem::path> made;
    if (std::error_code error = makeFolder(folder, made)) {
        outcome.status = RunStatus::FolderUnusable;
        outcome.message = "cannot make the report folder " + folder + ": " + error.message();
        return outcome;
    }
    // The other files are made while the pages are written.
    const SummaryDetails details {runDate(), knownMotifs};
    std::future<std::vector<ReportFile>> others
        = std::async(std::launch::async, [&result, &details] { return reportFiles(result, details); });
    ReportOutcome report = writeReport(result, folder, feedback, [&others] { return others.get(); });
    feedback.finished();
    outcome.written = std::move(report.written);
    if (!report.ok()) {
        warnNoReport(report, folder, feedback);
        outcome.status = RunStatus::NotReported;
        outcome.message = "no report was written";
        return outcome;
    }
    outcome.indexPage = inFolder(folder, reportIndexName);
    outcome.summaryPage = inFolder(folder, summaryPageName);
    return outcome;
}

RunOutcome run(const RunRequest& request, RunFeedback& feedback)
{
    CheckedRequest checked(request);
    RunOutcome outcome;
    if (!checkRequest(checked, outcome))
        return outcome;
    // The folder is made before anything is counted, so that one that cannot be is told at once.
    std::vector<std::filesystem::path> made;
    if (std::error_code error = makeFolder(request.folder, made))
        return failed(RunStatus::FolderUnusable, "cannot make the report folder " + request.folder + ": " + error.message());
    outcome = analyzeChecked(checked, feedback);
    if (!outcome.ok()) {
        takeBack(made);
        return outcome;
    }
    static_cast<WrittenReport&>(outcome) = writeRunReport(outcome.result, request.folder, request.knownMotifs, feedback);
    return outcome;
}
