#include "cli/Cli.h"

#include "cli/TerminalProgress.h"
#include "sequence/Diagnostics.h"
#include "sequence/Permutation.h"

#include <memory>

namespace {

constexpr const char* program = "seqlark-cli";

constexpr const char* usageText =
    "Usage: seqlark-cli [-q] export SOURCE DEST\n"
    "       seqlark-cli --help | --version\n";

constexpr const char* helpText =
    "Seqlark finds short DNA words over-represented in the upstream regions of a gene family.\n"
    "\n"
    "Commands:\n"
    "  export SOURCE DEST  count every word of length 6, 7 and 8 of the FASTA file SOURCE\n"
    "                      (plain or gzip-compressed; - reads standard input) on both\n"
    "                      strands and write the counts as the DTable file DEST\n"
    "\n"
    "Options:\n"
    "  -q, --quiet         no diagnostic lines on standard error\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 the work failed, 2 bad usage.\n";

int usageError(std::ostream& err, const std::string& problem)
{
    err << program << ": " << problem << '\n' << usageText;
    return 2;
}

int workError(std::ostream& err, const std::string& message)
{
    err << program << ": error: " << message << '\n';
    return 1;
}

/// Points the diagnostic stream somewhere for the life of a command, then back.
class DiagnosticsTo {
public:
    explicit DiagnosticsTo(std::ostream* stream)
        : previous(diagnosticStream())
    {
        setDiagnosticStream(stream);
    }
    ~DiagnosticsTo() { setDiagnosticStream(previous); }
    DiagnosticsTo(const DiagnosticsTo&) = delete;
    DiagnosticsTo& operator=(const DiagnosticsTo&) = delete;

private:
    std::ostream* previous;
};

int runExport(const std::vector<std::string>& operands, std::ostream& err, bool quiet, bool errIsTerminal)
{
    if (operands.size() != 2)
        return usageError(err, "export takes a SOURCE and a DEST");
    std::string source = operands[0] == "-" ? "/dev/stdin" : operands[0];
    const std::string& destination = operands[1];

    std::unique_ptr<TerminalProgress> bar;
    if (errIsTerminal)
        bar = std::make_unique<TerminalProgress>(err, "exporting");
    std::ostream* diagnosticStream = quiet ? nullptr : bar ? &bar->stream() : &err;
    DiagnosticsTo redirect(diagnosticStream);
    ExportProgress progress;
    if (bar)
        progress = [&bar](double fraction) { bar->update(fraction); };
    ExportResult result = exportFastaToDTable(source.c_str(), destination.c_str(), progress);
    if (bar)
        bar->finish();
    if (!result.ok())
        return workError(err, result.message);
    return 0;
}

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    bool quiet = false;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            out << usageText << '\n' << helpText;
            return 0;
        } else if (arg == "--version") {
            out << program << ' ' << SEQLARK_VERSION << '\n';
            return 0;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else {
            return usageError(err, "unknown option '" + arg + "'");
        }
    }
    if (words.empty())
        return usageError(err, "no command given");
    const std::string command = words.front();
    std::vector<std::string> operands(words.begin() + 1, words.end());
    if (command == "export")
        return runExport(operands, err, quiet, errIsTerminal);
    return usageError(err, "unknown command '" + command + "'");
}
