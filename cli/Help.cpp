#include "cli/Help.h"

#include <algorithm>

namespace {

constexpr std::size_t width = 80;
constexpr std::size_t optionColumn = 22;

const std::vector<CommandHelp> commands = {
    {"export", "SOURCE DEST", "count the words of a FASTA file into a DTable file",
        "Counts every word of length 6, 7 and 8 of the FASTA file SOURCE (plain or gzip-compressed; - reads "
        "standard input) on both strands and writes the counts as the DTable file DEST (- writes standard "
        "output). DEST is replaced, whole, only once SOURCE has been read and counted; when SOURCE cannot be "
        "read, DEST stays as it was.",
        {{"--threads", "-t", "N",
            "count with N threads (default: one per core; at most 8 work, and one per 4 MB of a plain file); "
            "the table is the same, byte for byte, for any N"}},
        "seqlark-cli export genome.fa.gz genome.dtable"},
    {"analyze", "BIG SMALL [GENE ...]", "rank a gene family's words against the genome and write the report",
        "Scores every 6-letter DNA word of the gene family's SMALL against the genome's BIG, builds probability "
        "matrices of the ten best against the 1 to 32 GENE files, and writes the HTML report output.html with "
        "its pages, summary.html (the run at a glance, with sequence logos), words.tsv (every word class with "
        "its observed and expected count, P-value, E-value and q-value), the significant classes assembled into "
        "motifs, where in the family's sequences their sites lie (positions.tsv), and every motif in motifs.meme, "
        "motifs.jaspar, motifs.transfac and motifs.tsv. Each input is a "
        "DTable file or a FASTA file (plain or gzip), or - (standard input) or a pipe giving one, read once; "
        "without GENE files the first 32 records of a FASTA SMALL "
        "serve as gene files. With --markov or --shuffle a FASTA SMALL alone will do, a model of it or its "
        "shuffles standing for the genome. Prints the paths of output.html and summary.html.",
        {{"--out", "-o", "DIR", "write the report into DIR (default: the current folder)"},
            {"--statistic", nullptr, "S",
                "rank words.tsv by S: sequences (the default for a FASTA SMALL: in how many of its sequences a class "
                "occurs), binomial (the default for a DTable SMALL), poisson or ratio (occurrences)"},
            {"--mask", nullptr, "M",
                "mask letters of the FASTA inputs as N: none (default), lower (soft-masked lower case) or dust "
                "(low-complexity stretches)"},
            {"--lengths", nullptr, "MIN-MAX", "the word lengths of words.tsv, from 6 to 8 (default 6-8)"},
            {"--known", nullptr, "FILE", "name each motif's closest motif of FILE, a MEME or JASPAR motif file"},
            {"--anchor", nullptr, "A",
                "place the sites of a FASTA SMALL from its sequences' end (default; the last base is -1) or start "
                "(the first base is 1), for positions.tsv and the summary's profiles"},
            {"--bin", nullptr, "N", "count sites in bins of N bases (default 10; at least 5 bins must fit)"},
            {"--strand", nullptr, "S",
                "both (default: a word and its reverse complement are one class) or given (a word on its sequence's "
                "own strand alone, for oriented promoters; BIG and SMALL as FASTA)"},
            {"--dyads", nullptr, nullptr,
                "also score spaced pairs: two 3-letter words with a spacer of unspecified letters between them, as "
                "TGTnnnnnnACA, for factors binding as dimers (SMALL as FASTA; BIG as FASTA or --dyad-background)"},
            {"--spacing", nullptr, "MIN-MAX",
                "the spacers of --dyads, from 0 to 50 letters (default 0-20; a pair with no spacer is a 6-letter word, "
                "left to the words when they have that length)"},
            {"--dyad-background", nullptr, "FASTA",
                "count the genome's spaced pairs in FASTA, for a DTable BIG, which holds none"},
            {"--markov", nullptr, "M",
                "let a Markov model of order M (0 to 5, at most k - 2 for words of k letters) stand for the genome: "
                "fitted on the family's sequences when SMALL is given alone, else on BIG; SMALL as FASTA"},
            {"--shuffle", nullptr, "N",
                "let N dinucleotide shuffles of each of the family's sequences (1 to 1000; 100 serves) stand for the "
                "genome, their pairs of neighbours kept; SMALL alone, as FASTA"},
            {"--seed", nullptr, "S", "the seed of --shuffle's shuffles (default 1): the same seed makes the same shuffles"}},
        "seqlark-cli analyze --out report genome.dtable family.fa"},
    {"merge", "OUT IN [IN ...]", "add up the DTable files of parts of one data set",
        "Adds up DTable files exported from parts of one data set, in the order given, into OUT (- writes "
        "standard output): the table the export of the parts' FASTA text, one part after the other, gives.",
        {}, "seqlark-cli merge genome.dtable part1.dtable part2.dtable part3.dtable"},
    {"demo", "[DIR]", "analyze an example data set with a planted motif",
        "Makes a small example data set with a planted motif, exports it, analyzes it, writes the report into "
        "DIR (default: ./seqlark-demo) and says whether the motif was found.",
        {}, "seqlark-cli demo"},
};

const std::vector<OptionHelp> global = {
    {"--quiet", "-q", nullptr, "errors only: no warnings and no progress bar"},
    {"--verbose", "-v", nullptr, "also the reader's, the tables' and the analysis' diagnostic lines"},
    {"--help", "-h", nullptr, "show the help (of COMMAND, after one) and exit"},
    {"--version", nullptr, nullptr, "show the version and exit"},
};

/// `text` in lines of at most `width` characters, the first starting at `firstColumn` (where
/// the caller has put it) and the others `indent` spaces in.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t firstColumn = 0)
{
    std::string out;
    std::size_t column = firstColumn;
    bool first = true;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, end - at);
        at = end + 1;
        if (!first && column + 1 + word.size() > width) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out;
}

std::string optionNames(const OptionHelp& option)
{
    std::string names = option.shortName ? std::string(option.shortName) + ", " : "    ";
    names += option.longName;
    if (option.value)
        (names += ' ') += option.value;
    return names;
}

std::string optionLines(const std::vector<OptionHelp>& options)
{
    std::string out;
    for (const OptionHelp& option : options) {
        std::string line = "  " + optionNames(option);
        if (line.size() + 2 > optionColumn) {
            line += '\n';
            line.append(optionColumn, ' ');
        } else {
            line.append(optionColumn - line.size(), ' ');
        }
        out += line + wrapped(option.text, optionColumn, optionColumn) + '\n';
    }
    return out;
}

/// A command's usage, wrapped between its pieces (an option with its value, the operands),
/// the first line starting at `firstColumn`.
std::string synopsis(const CommandHelp& command, std::size_t firstColumn)
{
    const std::string start = "seqlark-cli [-q | -v] " + std::string(command.name);
    std::vector<std::string> pieces;
    for (const OptionHelp& option : command.options) {
        std::string piece(1, '[');
        piece.append(option.longName);
        if (option.value)
            piece.append(1, ' ').append(option.value);
        piece.append(1, ']');
        pieces.push_back(std::move(piece));
    }
    pieces.emplace_back(command.operands);
    const std::size_t indent = firstColumn + start.size() + 1;
    std::string out = start;
    std::size_t column = firstColumn + start.size();
    for (const std::string& piece : pieces) {
        if (column + 1 + piece.size() > width) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else {
            out += ' ';
            ++column;
        }
        out += piece;
        column += piece.size();
    }
    return out;
}

} // namespace

const std::vector<CommandHelp>& commandHelps()
{
    return commands;
}

const CommandHelp* commandHelp(std::string_view name)
{
    for (const CommandHelp& command : commands)
        if (name == command.name)
            return &command;
    return nullptr;
}

const std::vector<OptionHelp>& globalOptions()
{
    return global;
}

std::string usageText()
{
    const std::string first = "Usage: ";
    const std::string next(first.size(), ' ');
    std::string out;
    for (const CommandHelp& command : commands) {
        out += (out.empty() ? first : next);
        out += synopsis(command, next.size()) + '\n';
    }
    return out + next + "seqlark-cli [COMMAND] --help | --version\n";
}

std::string generalHelp()
{
    std::string out = usageText();
    out += "\nSeqlark finds short DNA words over-represented in the upstream regions of a gene family.\n\nCommands:\n";
    for (const CommandHelp& command : commands) {
        std::string line = "  " + std::string(command.name);
        line.append(optionColumn - line.size(), ' ');
        out += line + wrapped(command.summary, optionColumn, optionColumn) + '\n';
    }
    out += "\nOptions:\n" + optionLines(global);
    out += "\nRun 'seqlark-cli COMMAND --help' for a command's options and an example.\n";
    out += "Exit status: 0 success, 1 the work failed, 2 bad usage.\n";
    return out;
}

std::string commandHelpText(const CommandHelp& command)
{
    std::string out = "Usage: " + synopsis(command, 7) + "\n\n";
    out += wrapped(command.description, 0) + "\n\nOptions:\n";
    out += optionLines(command.options) + optionLines(global);
    out += "\nExample:\n  " + std::string(command.example) + '\n';
    return out;
}
