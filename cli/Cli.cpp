#include "cli/Cli.h"

#include "analysis/MarkovModel.h"
#include "base/Numbers.h"
#include "cli/CommandSupport.h"
#include "cli/Demo.h"
#include "cli/Help.h"
#include "export/Export.h"
#include "export/StreamCopies.h"
#include "run/Run.h"
#include "tables/DTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

namespace {

constexpr int maximumThreads = 256;

int usageError(std::ostream& err, const std::string& problem)
{
    err << program << ": " << escapeControlBytes(problem) << '\n' << usageText();
    return 2;
}

/// A command's operands and option values, as the command line gave them.
struct CommandLine {
    std::vector<std::string> operands;
    /// By long name; no value when the option ended the command line.
    std::map<std::string, std::optional<std::string>> values;

    /// Whether the option `longName` was given, its value then in `value` (empty when missing).
    bool has(const char* longName, std::string& value, bool& missing) const
    {
        const auto found = values.find(longName);
        if (found == values.end())
            return false;
        missing = !found->second;
        value = found->second.value_or("");
        return true;
    }
};

/// The file a FASTA input is read from: "-" is standard input.
std::string fastaSource(const std::string& file)
{
    return file == "-" ? "/dev/stdin" : file;
}

int runExport(const CommandLine& line, std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal)
{
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::string value;
    bool missing = false;
    if (line.has("--threads", value, missing)) {
        const ParsedInteger n = parseInteger(value);
        if (missing || !n.digits || n.end != value.size() || n.value < 1 || n.value > maximumThreads)
            return usageError(err, "--threads needs a number from 1 to " + std::to_string(maximumThreads));
        threads = static_cast<unsigned>(n.value);
    }
    const std::vector<std::string>& files = line.operands;
    if (files.size() != 2)
        return usageError(err, "export takes a SOURCE and a DEST");
    std::string source = fastaSource(files[0]);
    const std::string& destination = files[1];

    CommandFeedback feedback(err, verbosity, errIsTerminal, "exporting");
    if (destination == "-") {
        // Standard output: the table the export would write, written there as it stands.
        CountedFasta counted = countFasta(source.c_str(), feedback, threads);
        if (!counted.ok())
            return workError(err, counted.message);
        out << counted.table.serialize();
        out.flush();
        if (!out)
            return workError(err, "cannot write the table to standard output");
        return 0;
    }
    ExportResult result = exportFastaToDTable(source.c_str(), destination.c_str(), feedback, threads);
    if (!result.ok())
        return workError(err, result.message);
    return 0;
}

/// "MIN-MAX", or one length alone.
bool lengthsNamed(const std::string& text, int& shortest, int& longest)
{
    const std::size_t dash = text.find('-');
    const std::string first = text.substr(0, dash);
    const std::string second = dash == std::string::npos ? first : text.substr(dash + 1);
    const ParsedInteger low = parseInteger(first);
    const ParsedInteger high = parseInteger(second);
    if (!low.digits || low.end != first.size() || !high.digits || high.end != second.size() || first.empty()
        || !std::isdigit(static_cast<unsigned char>(first[0])) || second.empty()
        || !std::isdigit(static_cast<unsigned char>(second[0])))
        return false;
    if (low.value < shortestWordLength || high.value > longestWordLength || low.value > high.value)
        return false;
    shortest = static_cast<int>(low.value);
    longest = static_cast<int>(high.value);
    return true;
}

/// Whether the table file `file`, loaded and found to hold `facts`, holds nothing our export
/// never writes (negative numbers, more buckets than the file can fill, records after its
/// end). Says why not in one line; a file cut short, which loads as far as it goes, is a
/// warning.
bool tableAccepted(const std::string& file, const TableFileFacts& facts, std::ostream& err, Verbosity verbosity)
{
    const std::vector<std::string> refusals = facts.refusals();
    if (!refusals.empty()) {
        workError(err, "cannot use " + file + " as a DTable file: " + refusals.front());
        return false;
    }
    if (verbosity != Verbosity::Quiet)
        for (const std::string& warning : facts.warnings())
            err << program << ": warning: " << escapeControlBytes(file) << ": " << escapeControlBytes(warning) << '\n';
    return true;
}

/// Whether the table file `file`, read at `source`, starts as a table our export writes: its
/// header reads, with no number below 0 and no more buckets than the file can fill. Says why
/// not in one line; the warnings wait for the load.
bool tableStartsWell(const std::string& file, const std::string& source, std::ostream& err)
{
    TableFileFacts facts;
    if (const LoadOutcome probed = probeTableFile(source.c_str(), facts); !probed.ok()) {
        workError(err, "cannot use " + file + " as a DTable file: " + probed.message);
        return false;
    }
    return tableAccepted(file, facts, err, Verbosity::Quiet);
}

/// The option value `value` as a whole number of digits alone from `least` to `most`; none
/// for anything else, a missing value among them.
std::optional<std::int64_t> wholeNumberIn(const std::string& value, std::int64_t least, std::int64_t most)
{
    const ParsedInteger n = parseInteger(value);
    if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0])) || !n.digits || n.end != value.size()
        || n.value < least || n.value > most)
        return std::nullopt;
    return n.value;
}

/// Takes --markov, --shuffle and --seed into `request`; 0, or the usage error's status. Both
/// backgrounds at once are the run's to refuse.
int takeBackground(const CommandLine& line, RunRequest& request, std::ostream& err)
{
    std::string value;
    bool missing = false;
    const auto number = [&value](std::int64_t least, std::int64_t most) { return wholeNumberIn(value, least, most); };
    if (line.has("--markov", value, missing)) {
        const std::optional<std::int64_t> order = number(0, MarkovModel::maximumOrder);
        if (!order)
            return usageError(err, "--markov takes an order from 0 to " + std::to_string(MarkovModel::maximumOrder));
        request.markovOrder = static_cast<int>(*order);
    }
    if (line.has("--shuffle", value, missing)) {
        const std::optional<std::int64_t> shuffles = number(1, maximumShuffles);
        if (!shuffles)
            return usageError(err, "--shuffle takes a number of shuffles from 1 to " + std::to_string(maximumShuffles));
        request.shuffles = static_cast<int>(*shuffles);
    }
    if (line.has("--seed", value, missing)) {
        const std::optional<std::int64_t> seed = number(0, std::numeric_limits<std::int64_t>::max());
        if (!seed)
            return usageError(err, "--seed takes a whole number from 0");
        if (!request.shuffles)
            return usageError(err, "--seed sets the seed of the shuffles --shuffle makes; add --shuffle");
        request.seed = static_cast<std::uint64_t>(*seed);
    }
    return 0;
}

/// Takes analyze's operands into `request`: BIG, SMALL and the GENE files, or with a
/// background the family alone (or, for a model, the genome it is fitted on and the family);
/// 0, or the usage error's status.
int takeOperands(const std::vector<std::string>& files, RunRequest& request, std::ostream& err)
{
    if (request.shuffles || request.markovOrder) {
        // The family's records serve as gene files.
        if (files.size() != 1 && (request.shuffles || files.size() != 2))
            return usageError(err, request.shuffles ? "with --shuffle, analyze takes SMALL alone, a FASTA file"
                                                    : "with --markov, analyze takes [BIG] SMALL, SMALL a FASTA file");
        request.small = files.back();
        if (files.size() == 2)
            request.big = files[0];
        return 0;
    }
    if (files.size() < 2)
        return usageError(err, "analyze takes BIG, SMALL and GENE files");
    if (files.size() > 2 + maximumGeneFiles)
        return usageError(err, "analyze takes at most " + std::to_string(maximumGeneFiles) + " gene files");
    request.big = files[0];
    request.small = files[1];
    request.genes.assign(files.begin() + 2, files.end());
    return 0;
}

int runAnalyze(const CommandLine& line, std::ostream& out, std::ostream& err, Verbosity verbosity, bool errIsTerminal)
{
    RunRequest request;
    request.folder = ".";
    std::string value;
    bool missing = false;
    if (line.has("--out", request.folder, missing) && (missing || request.folder.empty()))
        return usageError(err, "--out needs a folder");
    Statistic statistic;
    if (line.has("--statistic", value, missing)) {
        if (!statisticNamed(value, statistic))
            return usageError(err, "--statistic takes sequences, binomial, poisson or ratio");
        request.statistic = statistic;
    }
    if (line.has("--mask", value, missing) && !maskingNamed(value, request.masking))
        return usageError(err, "--mask takes none, lower or dust");
    if (line.has("--known", request.knownMotifs, missing) && (missing || request.knownMotifs.empty()))
        return usageError(err, "--known needs a MEME or JASPAR motif file");
    if (line.has("--lengths", value, missing) && !lengthsNamed(value, request.shortest, request.longest))
        return usageError(err, "--lengths takes MIN-MAX, word lengths from " + std::to_string(shortestWordLength) + " to "
                + std::to_string(longestWordLength) + " with MIN not above MAX");
    if (line.has("--strand", value, missing) && !strandNamed(value, request.strand))
        return usageError(err, "--strand takes both or given");
    if (line.has("--anchor", value, missing)) {
        Anchor anchor = Anchor::End;
        if (!anchorNamed(value, anchor))
            return usageError(err, "--anchor takes end or start");
        request.anchor = anchor;
    }
    if (line.has("--bin", value, missing)) {
        const std::optional<std::int64_t> width = wholeNumberIn(value, 1, maximumBinWidth);
        if (!width)
            return usageError(err, "--bin takes a width in bases, a whole number from 1 to "
                    + std::to_string(maximumBinWidth));
        request.binWidth = static_cast<int>(*width);
    }
    DyadSpacings spacings;
    if (line.has("--spacing", value, missing) && !dyadSpacingsNamed(value, spacings))
        return usageError(err, "--spacing takes MIN-MAX, spacers of 0 to " + std::to_string(widestDyadSpacing)
                + " letters with MIN not above MAX");
    if (line.has("--dyads", value, missing))
        request.dyads = spacings;
    else if (line.has("--spacing", value, missing))
        return usageError(err, "--spacing sets the spacers of the spaced pairs --dyads counts; add --dyads");
    if (line.has("--dyad-background", request.dyadBackground, missing) && (missing || request.dyadBackground.empty()))
        return usageError(err, "--dyad-background needs a FASTA file");
    if (const int status = takeBackground(line, request, err); status != 0)
        return status;
    if (const int status = takeOperands(line.operands, request, err); status != 0)
        return status;

    RunOutcome outcome;
    {
        CommandFeedback feedback(err, verbosity, errIsTerminal, "analyzing");
        outcome = run(request, feedback);
    }
    if (outcome.status == RunStatus::NeedsGeneFiles)
        return usageError(err, "analyze takes GENE files unless SMALL is a FASTA file, whose records then serve");
    if (outcome.status == RunStatus::BadRequest)
        return usageError(err, outcome.message);
    if (!outcome.ok())
        return workError(err, outcome.message);
    for (const std::string& page : {outcome.indexPage, outcome.summaryPage}) {
        std::error_code error;
        out << std::filesystem::absolute(page, error).lexically_normal().string() << '\n';
    }
    return 0;
}

int runMerge(const CommandLine& line, std::ostream& out, std::ostream& err, Verbosity verbosity)
{
    const std::vector<std::string>& operands = line.operands;
    if (operands.size() < 2)
        return usageError(err, "merge takes an OUT file and at least one IN file");
    const std::string& output = operands[0];
    // The tables' own lines wait until every input is taken, so that a refused input gives
    // its one error line alone.
    std::ostringstream log;
    const Diagnostics diagnostics = verbosity == Verbosity::Verbose ? Diagnostics(log) : Diagnostics();
    DTable total(diagnostics);
    // A table from a pipe is read once, then read as a file.
    StreamCopies streams;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        const std::string& input = operands[i];
        if (std::string problem = streams.take(input); !problem.empty())
            return workError(err, "cannot use " + input + ": " + problem);
        const std::string source = streams.source(input);
        if (!tableStartsWell(input, source, err))
            return 1;
        DTable part(diagnostics);
        TableFileFacts facts;
        if (!part.load(source.c_str(), facts).ok())
            return workError(err, "cannot load " + input);
        if (!tableAccepted(input, facts, err, verbosity))
            return 1;
        if (i == 1) {
            total = std::move(part);
            continue;
        }
        const AddOutcome added = total.addTable(part);
        if (added.status == AddStatus::OtherBucketCount)
            return workError(err, input + " has " + std::to_string(part.bucketCount()) + " buckets, " + operands[1]
                    + " has " + std::to_string(total.bucketCount()) + "; only tables of one bucket count add up");
        if (!added.ok())
            return workError(err, "cannot add " + input + ": " + added.message);
    }
    OwnLines logLines(err);
    logLines << log.str();
    log.str("");
    if (output == "-") {
        out << total.serialize();
        out.flush();
        return out ? 0 : workError(err, "cannot write the table to standard output");
    }
    const Outcome<WriteStatus> written = total.write(output.c_str());
    logLines << log.str();
    logLines.close();
    return written.ok() ? 0 : workError(err, "cannot write " + output + ": " + written.message);
}

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    Verbosity verbosity = Verbosity::Normal;
    const CommandHelp* command = nullptr;
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (!command) {
                command = commandHelp(arg);
                if (!command)
                    return usageError(err, "unknown command '" + arg + "'");
            } else {
                line.operands.push_back(arg);
            }
        } else if (arg == "-h" || arg == "--help") {
            out << (command ? commandHelpText(*command) : generalHelp());
            return 0;
        } else if (arg == "--version") {
            out << program << ' ' << SEQLARK_VERSION << '\n';
            return 0;
        } else if (arg == "-q" || arg == "--quiet") {
            verbosity = Verbosity::Quiet;
        } else if (arg == "-v" || arg == "--verbose") {
            verbosity = Verbosity::Verbose;
        } else {
            // An option of the command: as --name VALUE, -n VALUE or --name=VALUE.
            const OptionHelp* option = nullptr;
            std::optional<std::string> value;
            if (command) {
                for (const OptionHelp& candidate : command->options) {
                    const std::string withValue = std::string(candidate.longName) + "=";
                    if (arg == candidate.longName || (candidate.shortName && arg == candidate.shortName)) {
                        option = &candidate;
                        if (!candidate.value)
                            value = "";
                        else if (i + 1 < args.size())
                            value = args[++i];
                    } else if (arg.rfind(withValue, 0) == 0) {
                        if (!candidate.value)
                            return usageError(err, std::string(candidate.longName) + " takes no value");
                        option = &candidate;
                        value = arg.substr(withValue.size());
                    }
                    if (option)
                        break;
                }
            }
            if (!option)
                return usageError(err, command ? "unknown option '" + arg + "' for " + command->name
                                               : "unknown option '" + arg + "'");
            line.values[option->longName] = value;
        }
    }
    if (!command)
        return usageError(err, "no command given");
    const std::string_view name = command->name;
    if (name == "export")
        return runExport(line, out, err, verbosity, errIsTerminal);
    if (name == "merge")
        return runMerge(line, out, err, verbosity);
    if (name == "analyze")
        return runAnalyze(line, out, err, verbosity, errIsTerminal);
    if (line.operands.size() > 1)
        return usageError(err, "demo takes at most one folder");
    return runDemo(line.operands.empty() ? "seqlark-demo" : line.operands[0], out, err, verbosity, errIsTerminal);
}
