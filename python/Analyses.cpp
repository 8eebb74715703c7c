// The module's analysis: the command line's run, from the inputs to the analysis, whose
// word classes and motifs Python reads and whose report it writes when asked.

#include "python/Analyses.h"

#include "analysis/MarkovModel.h"
#include "analysis/MotifFormats.h"
#include "analysis/Positions.h"
#include "python/ModuleSupport.h"
#include "python/Table.h"
#include "report/MotifFiles.h"
#include "report/WordsTable.h"
#include "run/Run.h"
#include "sequence/Dyads.h"
#include "sequence/StrandCounts.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

/// One word class, as a row of words.tsv holds it, the numbers unrounded.
struct WordRecord {
    std::size_t rank = 0;
    std::string word;
    std::string reverseComplement; ///< "." when words are read on their own strand
    int length = 0;
    std::int64_t observed = 0;
    double expected = 0.0;
    double ratio = 0.0;
    double log10P = 0.0;
    double log10E = 0.0;
    double log10Q = 0.0;
    std::optional<std::int64_t> sequences;
    std::optional<std::int64_t> of;
    std::optional<double> expectedSequences;
    bool lowComplexity = false;
    std::string kind;
    std::optional<int> spacing;

    double eValue() const { return std::pow(10.0, log10E); }
    double qValue() const { return std::pow(10.0, log10Q); }
    double sig() const { return -log10E + 0.0; }
};

/// One refined or assembled motif, as a row of motifs.tsv holds it, with its counts.
struct MotifRecord {
    std::string kind;
    std::string id;
    std::string name;
    std::string consensus;
    std::size_t width = 0;
    double sites = 0.0;
    double log10E = 0.0;
    double bestSig = 0.0;
    std::vector<std::string> members;
    std::vector<BaseWeights> counts;
    std::optional<std::string> knownId;
    std::optional<std::string> knownName;
    std::optional<double> correlation;
    std::optional<int> overlap;
    std::optional<int> offset;
    std::optional<std::string> strand;
    std::optional<double> knownLog10E;

    double eValue() const { return std::pow(10.0, log10E); }
};

std::vector<WordRecord> wordRecords(const SignificanceTable& table)
{
    std::vector<WordRecord> records;
    records.reserve(table.classes.size());
    const bool perSequence = table.familySize >= 0;
    for (const WordClass& c : table.classes) {
        WordRecord& record = records.emplace_back();
        record.rank = records.size();
        record.word = c.word;
        record.reverseComplement = table.strand == Strand::Given ? std::string(".") : c.reverse;
        record.length = c.length;
        record.observed = c.observed;
        record.expected = c.expected;
        record.ratio = c.ratio;
        record.log10P = c.log10P + 0.0;
        record.log10E = c.log10E;
        record.log10Q = c.log10Q;
        if (perSequence) {
            record.sequences = c.sequences;
            record.of = table.familySize;
            record.expectedSequences = c.expectedSequences;
        }
        record.lowComplexity = c.lowComplexity;
        record.kind = c.dyad() ? "dyad" : "word";
        if (c.dyad())
            record.spacing = c.spacing;
    }
    return records;
}

std::vector<MotifRecord> motifRecords(const AnalysisResult& result)
{
    std::vector<MotifRecord> records;
    for (const ListedMotif& listed : listedMotifs(result)) {
        const Motif& motif = listed.motif;
        MotifRecord& record = records.emplace_back();
        record.kind = listed.assembly ? "assembled" : "refined";
        record.id = listed.id;
        record.name = motif.name;
        record.consensus = listed.consensus;
        record.width = motif.width();
        record.sites = motif.sites;
        record.log10E = motif.log10E;
        record.bestSig = listed.bestSig;
        record.members = listed.members;
        record.counts = motif.counts;
        if (const MotifMatch* match = listed.match) {
            const Motif& known = result.known[match->index];
            record.knownId = known.id;
            record.knownName = known.name;
            record.correlation = match->correlation;
            record.overlap = match->overlap;
            record.offset = match->offset;
            record.strand = match->reverse ? "-" : "+";
            record.knownLog10E = match->log10E;
        }
    }
    return records;
}

/// What a run was asked, by the names analyze takes.
py::dict parametersOf(const RunRequest& request, const AnalysisResult& result)
{
    py::dict parameters;
    // What stood for BIG: its file, or the model or shuffles made in its place.
    parameters["big"] = result.big.path;
    parameters["small"] = request.small.path;
    std::vector<std::string> genes;
    for (const TableSummary& gene : result.genes)
        genes.push_back(gene.path);
    parameters["genes"] = genes;
    parameters["statistic"] = describeStatistic(result.significance.statistic).name;
    parameters["lengths"] = py::make_tuple(request.shortest, request.longest);
    parameters["mask"] = maskingName(request.masking);
    parameters["strand"] = strandName(request.strand);
    const bool positioned = result.family != nullptr;
    parameters["anchor"] = positioned ? py::object(py::str(anchorName(request.anchor.value_or(Anchor::End)))) : py::none();
    parameters["bin"] = positioned ? py::object(py::int_(request.binWidth.value_or(defaultBinWidth))) : py::none();
    parameters["dyads"] = request.dyads.has_value();
    parameters["spacing"] = request.dyads ? py::object(py::make_tuple(request.dyads->shortest, request.dyads->longest))
                                          : py::none();
    parameters["dyad_background"] = request.dyadBackground.empty() ? py::object(py::none()) : py::str(request.dyadBackground);
    parameters["known"] = request.knownMotifs.empty() ? py::object(py::none()) : py::str(request.knownMotifs);
    const auto optional = [](const std::optional<int>& value) { return value ? py::object(py::int_(*value)) : py::none(); };
    parameters["markov"] = optional(request.markovOrder);
    parameters["shuffle"] = optional(request.shuffles);
    parameters["seed"] = request.shuffles ? py::object(py::int_(request.seed)) : py::none();
    parameters["background"] = result.backgroundNote.empty() ? py::object(py::none()) : py::str(result.backgroundNote);
    parameters["classes_tested"] = result.significance.classesTested;
    parameters["family_sequences"]
        = result.significance.familySize >= 0 ? py::object(py::int_(result.significance.familySize)) : py::none();
    parameters["version"] = SEQLARK_VERSION;
    return parameters;
}

/// An analysis made: what it found, and the report it writes when asked.
class Analysis {
public:
    Analysis(RunRequest request, RunOutcome outcome, std::vector<std::string> notes)
        : request(std::move(request))
        , outcome(std::move(outcome))
        , notes(std::move(notes))
    {
    }

    /// The records, made once: a list Python indexes without copying it again.
    py::object words()
    {
        if (!recordList) {
            records = wordRecords(outcome.result.significance);
            recordList = py::cast(records);
        }
        return recordList;
    }

    py::object wordsFrame()
    {
        const py::module_ pandas = py::module_::import("pandas");
        words();
        const std::vector<WordRecord>& rows = records;
        const bool perSequence = outcome.result.significance.familySize >= 0;
        py::dict columns;
        // Numbers go into numpy arrays, words into lists of str.
        const auto numbers = [&](const char* name, auto field) {
            using Value = decltype(field(rows.front()));
            py::array_t<Value> values(static_cast<py::ssize_t>(rows.size()));
            Value* out = values.mutable_data();
            for (const WordRecord& row : rows)
                *out++ = field(row);
            columns[name] = values;
        };
        const auto texts = [&](const char* name, auto field) {
            py::list values(rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i)
                values[i] = py::str(field(rows[i]));
            columns[name] = values;
        };
        numbers("rank", [](const WordRecord& r) { return static_cast<std::int64_t>(r.rank); });
        texts("word", [](const WordRecord& r) { return r.word; });
        texts("reverse_complement", [](const WordRecord& r) { return r.reverseComplement; });
        numbers("length", [](const WordRecord& r) { return std::int64_t {r.length}; });
        numbers("observed", [](const WordRecord& r) { return r.observed; });
        numbers("expected", [](const WordRecord& r) { return r.expected; });
        numbers("ratio", [](const WordRecord& r) { return r.ratio; });
        numbers("log10_p", [](const WordRecord& r) { return r.log10P; });
        numbers("e_value", [](const WordRecord& r) { return r.eValue(); });
        numbers("sig", [](const WordRecord& r) { return r.sig(); });
        numbers("q_value", [](const WordRecord& r) { return r.qValue(); });
        if (perSequence) {
            numbers("sequences", [](const WordRecord& r) { return *r.sequences; });
            numbers("of", [](const WordRecord& r) { return *r.of; });
            numbers("expected_sequences", [](const WordRecord& r) { return *r.expectedSequences; });
        }
        numbers("low_complexity", [](const WordRecord& r) { return r.lowComplexity; });
        texts("kind", [](const WordRecord& r) { return r.kind; });
        // A word has no spacing: a nullable column of whole numbers, missing for words.
        numbers("spacing", [](const WordRecord& r) { return std::int64_t {r.spacing.value_or(0)}; });
        numbers("no_spacing", [](const WordRecord& r) { return !r.spacing.has_value(); });
        columns["spacing"] = pandas.attr("arrays").attr("IntegerArray")(columns["spacing"], columns.attr("pop")("no_spacing"));
        return pandas.attr("DataFrame")(columns, py::arg("columns") = wordsTableColumns(perSequence));
    }

    std::vector<MotifRecord> motifs() const { return motifRecords(outcome.result); }
    py::dict parameters() const { return parametersOf(request, outcome.result); }
    const std::vector<std::string>& runNotes() const { return notes; }

    std::vector<std::string> write(const py::object& folder)
    {
        const std::string path = pathOf(folder);
        WrittenReport written;
        PythonFeedback feedback {py::none()};
        {
            py::gil_scoped_release unlocked;
            written = writeRunReport(outcome.result, path, request.knownMotifs, feedback);
        }
        if (!written.ok()) {
            std::string why = written.message;
            for (const std::string& warning : feedback.warnings)
                why += "; " + warning;
            PyErr_SetObject(PyExc_OSError, py::make_tuple(EIO, why, path).ptr());
            throw py::error_already_set();
        }
        return written.written;
    }

    std::string repr() const
    {
        const SignificanceTable& table = outcome.result.significance;
        return "<seqlark.Analysis: " + std::to_string(table.classes.size()) + " word classes of "
            + std::to_string(table.classesTested) + " tested, " + describeStatistic(table.statistic).name
            + "; best " + (table.classes.empty() ? std::string("none") : table.classes.front().word) + ">";
    }

private:
    RunRequest request;
    RunOutcome outcome;
    std::vector<std::string> notes;
    std::vector<WordRecord> records;
    py::object recordList; ///< null until the records are asked for
};

/// A path argument (a str or an os.PathLike; "-" for standard input) that must be there to
/// read; OSError when it is not.
std::string readablePath(const py::handle& given)
{
    const std::string path = pathOf(given);
    if (path != "-" && ::access(path.c_str(), R_OK) != 0)
        cannotRead(path, "cannot read " + path + ": " + std::strerror(errno));
    return path;
}

/// An input of analyze: a Table, or a readable path.
RunInput inputOf(const py::handle& given)
{
    if (py::isinstance<Table>(given)) {
        const Table& table = given.cast<const Table&>();
        return RunInput(table.name(), table.shared());
    }
    return RunInput(readablePath(given));
}

/// A file argument that may be None: empty for None, else a readable path.
std::string optionalFile(const py::object& given)
{
    return given.is_none() ? std::string() : readablePath(given);
}

/// Sets the choices of `request` that analyze takes by name; ValueError for one it cannot take.
void takeChoices(RunRequest& request, const py::object& statistic, const std::string& mask, const std::string& strand,
    const py::object& anchor, const py::object& bin, bool dyads, const py::object& spacing)
{
    if (!statistic.is_none()) {
        Statistic named;
        if (!py::isinstance<py::str>(statistic) || !statisticNamed(statistic.cast<std::string>(), named))
            throw py::value_error("statistic takes sequences, binomial, poisson or ratio");
        request.statistic = named;
    }
    if (!maskingNamed(mask, request.masking))
        throw py::value_error("mask takes none, lower or dust");
    if (!strandNamed(strand, request.strand))
        throw py::value_error("strand takes both or given");
    if (!anchor.is_none()) {
        Anchor named = Anchor::End;
        if (!py::isinstance<py::str>(anchor) || !anchorNamed(anchor.cast<std::string>(), named))
            throw py::value_error("anchor takes end or start");
        request.anchor = named;
    }
    if (!bin.is_none()) {
        if (!py::isinstance<py::int_>(bin) || bin.cast<long long>() < 1 || bin.cast<long long>() > maximumBinWidth)
            throw py::value_error("bin takes a width in bases, a whole number from 1 to " + std::to_string(maximumBinWidth));
        request.binWidth = bin.cast<int>();
    }
    DyadSpacings spacings;
    if (!spacing.is_none()) {
        if (!dyads)
            throw py::value_error("spacing sets the spacers of the spaced pairs dyads=True counts; add dyads=True");
        std::pair<int, int> range {-1, -1};
        try {
            range = spacing.cast<std::pair<int, int>>();
        } catch (const py::cast_error&) {
        }
        if (range.first < 0 || !dyadSpacingsNamed(std::to_string(range.first) + "-" + std::to_string(range.second), spacings))
            throw py::value_error("spacing takes (MIN, MAX), spacers of 0 to " + std::to_string(widestDyadSpacing)
                + " letters with MIN not above MAX");
    }
    if (dyads)
        request.dyads = spacings;
}

/// A whole number argument from `least` to `most`, or ValueError with `message`.
int wholeNumber(const py::object& given, long long least, long long most, const std::string& message)
{
    if (!py::isinstance<py::int_>(given) || py::isinstance<py::bool_>(given) || given.cast<long long>() < least
        || given.cast<long long>() > most)
        throw py::value_error(message);
    return static_cast<int>(given.cast<long long>());
}

/// Sets the background that stands for the genome: a Markov model of order `markov`, or
/// `shuffle` shuffles from `seed`; each None for the genome's own BIG.
void takeBackground(RunRequest& request, const py::object& markov, const py::object& shuffle, const py::object& seed)
{
    if (!markov.is_none())
        request.markovOrder = wholeNumber(markov, 0, MarkovModel::maximumOrder,
            "markov takes an order from 0 to " + std::to_string(MarkovModel::maximumOrder));
    if (!shuffle.is_none())
        request.shuffles = wholeNumber(shuffle, 1, maximumShuffles,
            "shuffle takes a number of shuffles from 1 to " + std::to_string(maximumShuffles));
    if (!seed.is_none()) {
        if (!request.shuffles)
            throw py::value_error("seed sets the seed of the shuffles shuffle= makes; add shuffle=N");
        request.seed = static_cast<std::uint64_t>(wholeNumber(seed, 0, INT_MAX, "seed takes a whole number from 0"));
    }
}

Analysis analyzeFiles(const py::object& big, const py::object& small, const py::object& genes,
    const py::object& statistic, const py::object& lengths, const std::string& mask, const std::string& strand,
    const py::object& anchor, const py::object& bin, bool dyads, const py::object& spacing,
    const py::object& dyadBackground, const py::object& known, const py::object& markov, const py::object& shuffle,
    const py::object& seed, const py::object& threads, const py::object& progress)
{
    RunRequest request;
    takeBackground(request, markov, shuffle, seed);
    if (!big.is_none() || (!request.markovOrder && !request.shuffles))
        request.big = inputOf(big);
    request.small = inputOf(small);
    if (!genes.is_none()) {
        if (py::isinstance<py::str>(genes) || py::isinstance<Table>(genes))
            throw py::value_error("genes takes a list of paths or tables");
        for (const py::handle gene : genes)
            request.genes.push_back(inputOf(gene));
    }
    std::tie(request.shortest, request.longest) = lengthsNamed(lengths);
    takeChoices(request, statistic, mask, strand, anchor, bin, dyads, spacing);
    request.dyadBackground = optionalFile(dyadBackground);
    request.knownMotifs = optionalFile(known);
    request.threads = threadsNamed(threads);

    PythonFeedback feedback(progress);
    RunOutcome outcome;
    feedback.watch([&] { outcome = analyzeRun(request, feedback); });
    for (const std::string& warning : feedback.warnings)
        if (PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1) != 0)
            throw py::error_already_set();
    if (outcome.status == RunStatus::BadRequest || outcome.status == RunStatus::NeedsGeneFiles)
        throw py::value_error(outcome.message);
    if (!outcome.ok())
        refuse(outcome.message);
    return Analysis(std::move(request), std::move(outcome), std::move(feedback.notes));
}

} // namespace

void defineAnalyses(py::module_& module)
{
    py::class_<WordRecord>(module, "WordClass",
        "A word class of an analysis, a row of words.tsv with its numbers unrounded. Fields: rank, word,\n"
        "reverse_complement ('.' when words are read on their own strand), length, observed, expected,\n"
        "ratio, log10_p, e_value, log10_e, sig, q_value, log10_q, sequences, of and expected_sequences\n"
        "(None when the family is a table), low_complexity, kind ('word' or 'dyad'), spacing (None for a\n"
        "word). e_value and q_value are 10 to the power of their logarithms, so below about 1e-308 they\n"
        "read 0: use log10_e and log10_q there.")
        .def_readonly("rank", &WordRecord::rank)
        .def_readonly("word", &WordRecord::word)
        .def_readonly("reverse_complement", &WordRecord::reverseComplement)
        .def_readonly("length", &WordRecord::length)
        .def_readonly("observed", &WordRecord::observed)
        .def_readonly("expected", &WordRecord::expected)
        .def_readonly("ratio", &WordRecord::ratio)
        .def_readonly("log10_p", &WordRecord::log10P)
        .def_property_readonly("e_value", &WordRecord::eValue)
        .def_readonly("log10_e", &WordRecord::log10E)
        .def_property_readonly("sig", &WordRecord::sig)
        .def_property_readonly("q_value", &WordRecord::qValue)
        .def_readonly("log10_q", &WordRecord::log10Q)
        .def_readonly("sequences", &WordRecord::sequences)
        .def_readonly("of", &WordRecord::of)
        .def_readonly("expected_sequences", &WordRecord::expectedSequences)
        .def_readonly("low_complexity", &WordRecord::lowComplexity)
        .def_readonly("kind", &WordRecord::kind)
        .def_readonly("spacing", &WordRecord::spacing)
        .def("__repr__", [](const WordRecord& r) {
            return "<seqlark.WordClass " + std::to_string(r.rank) + ": " + r.word + ", observed "
                + std::to_string(r.observed) + ", sig " + py::str("{:.4f}").format(r.sig()).cast<std::string>() + ">";
        });

    py::class_<MotifRecord>(module, "Motif",
        "A refined or assembled motif of an analysis, a row of motifs.tsv with its counts. Fields: kind\n"
        "('refined' or 'assembled'), id, name, consensus, width, sites, e_value, log10_e, best_sig,\n"
        "members (the word classes it stands for), counts (a numpy array of width rows of A, C, G, T\n"
        "weights), and the closest known motif when known motifs were given: known_id, known_name,\n"
        "correlation, overlap, offset, strand ('+' or '-'), known_log10_e (None otherwise).")
        .def_readonly("kind", &MotifRecord::kind)
        .def_readonly("id", &MotifRecord::id)
        .def_readonly("name", &MotifRecord::name)
        .def_readonly("consensus", &MotifRecord::consensus)
        .def_readonly("width", &MotifRecord::width)
        .def_readonly("sites", &MotifRecord::sites)
        .def_property_readonly("e_value", &MotifRecord::eValue)
        .def_readonly("log10_e", &MotifRecord::log10E)
        .def_readonly("best_sig", &MotifRecord::bestSig)
        .def_readonly("members", &MotifRecord::members)
        .def_property_readonly("counts",
            [](const MotifRecord& r) {
                py::array_t<double> counts({r.counts.size(), std::size_t(4)});
                for (std::size_t row = 0; row < r.counts.size(); ++row)
                    for (std::size_t letter = 0; letter < 4; ++letter)
                        counts.mutable_at(row, letter) = r.counts[row][letter];
                return counts;
            })
        .def_readonly("known_id", &MotifRecord::knownId)
        .def_readonly("known_name", &MotifRecord::knownName)
        .def_readonly("correlation", &MotifRecord::correlation)
        .def_readonly("overlap", &MotifRecord::overlap)
        .def_readonly("offset", &MotifRecord::offset)
        .def_readonly("strand", &MotifRecord::strand)
        .def_readonly("known_log10_e", &MotifRecord::knownLog10E)
        .def("__repr__", [](const MotifRecord& r) { return "<seqlark.Motif " + r.id + ": " + r.consensus + ">"; });

    py::class_<Analysis>(module, "Analysis",
        "What seqlark.analyze found: its word classes, its motifs, what it was asked, and the report it\n"
        "writes when asked.")
        .def_property_readonly("words", &Analysis::words,
            "The word classes as WordClass records, most significant first: the rows of words.tsv.")
        .def("words_frame", &Analysis::wordsFrame,
            "words_frame() -> pandas.DataFrame\n\n"
            "The word classes as a pandas DataFrame with the columns of words.tsv, in its order, the numbers\n"
            "unrounded, low_complexity as bool and spacing as a nullable integer. Needs pandas.")
        .def_property_readonly("motifs", &Analysis::motifs,
            "The refined motifs, then the assembled ones, as Motif records: the rows of motifs.tsv.")
        .def_property_readonly("parameters", &Analysis::parameters,
            "What the analysis was asked and used, as a dict: the inputs, each choice by analyze's names,\n"
            "the classes tested, the family's distinct sequences and the program's version.")
        .def_property_readonly("notes", &Analysis::runNotes,
            "The notes of the run: which records served as gene files, records repeating another's sequence.")
        .def("write", &Analysis::write, py::arg("folder"),
            "write(folder) -> list of str\n\n"
            "Writes the report into folder, made when missing: exactly the files seqlark-cli analyze writes\n"
            "(output.html, summary.html, words.tsv, the motif files, ...). Returns the files written, the\n"
            "index page output.html last. Raises OSError when the report cannot be written.")
        .def("__repr__", &Analysis::repr);

    module.def("analyze", &analyzeFiles, py::arg("big"), py::arg("small"), py::arg("genes") = py::none(),
        py::arg("statistic") = py::none(), py::arg("lengths") = py::make_tuple(6, 8), py::arg("mask") = "none",
        py::arg("strand") = "both", py::arg("anchor") = py::none(), py::arg("bin") = py::none(),
        py::arg("dyads") = false, py::arg("spacing") = py::none(), py::arg("dyad_background") = py::none(),
        py::arg("known") = py::none(), py::arg("markov") = py::none(), py::arg("shuffle") = py::none(),
        py::arg("seed") = py::none(), py::arg("threads") = py::none(), py::arg("progress") = py::none(),
        "analyze(big, small, genes=None, statistic=None, lengths=(6, 8), mask=\"none\", strand=\"both\",\n"
        "        anchor=None, bin=None, dyads=False, spacing=None, dyad_background=None, known=None,\n"
        "        markov=None, shuffle=None, seed=None, threads=None, progress=None) -> Analysis\n\n"
        "Finds the words over-represented in the family small against the genome big, as seqlark-cli\n"
        "analyze does, and gives the analysis without writing anything; Analysis.write(folder) writes\n"
        "its report. big, small and each of genes: a DTable or FASTA file (plain or gzip; a path, '-'\n"
        "for standard input) or a Table. genes: up to 32 gene files; None takes the first 32 records of a\n"
        "FASTA small.\n\n"
        "statistic: 'sequences' (the family's sequences holding a class; the default for a FASTA small),\n"
        "'binomial' (the default for a table), 'poisson' or 'ratio'. lengths: (MIN, MAX) word lengths,\n"
        "6 to 8. mask: 'none', 'lower' or 'dust' (FASTA inputs). strand: 'both', or 'given' to read each\n"
        "word on its sequence's own strand (FASTA big and small). anchor: 'end' or 'start', where the\n"
        "sites are placed from; bin: their bins' width in bases. dyads: also score spaced pairs, of\n"
        "spacing (MIN, MAX) spacers; dyad_background: a FASTA file of the genome's sequences for them\n"
        "when big is a table. known: a MEME or JASPAR file of known motifs to compare the motifs with.\n"
        "markov: an order (0 to 5) of a Markov model whose expected counts stand for the genome's, fitted\n"
        "on big, or on the family when big is None. shuffle: a number (1 to 1000) of dinucleotide shuffles\n"
        "of each family sequence that stand for the genome, big None; seed: their seed (default 1).\n"
        "threads: counting threads for FASTA inputs (default: one per core). progress: called as\n"
        "progress(done, total) as the analysis goes, on the calling thread.\n\n"
        "Ctrl-C (KeyboardInterrupt), or an exception the progress callback raises, stops the analysis\n"
        "and is raised again; nothing is written. Warnings of the run are issued as UserWarning; its\n"
        "notes are in Analysis.notes.\n\n"
        "Raises ValueError for a bad argument or a choice the inputs do not allow, OSError for a file\n"
        "that cannot be read, and seqlark.Error for input the program refuses, each with the command\n"
        "line's one-line message. The interpreter's lock is released while the analysis runs.");
}
