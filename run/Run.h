#pragma once

#include "analysis/Analysis.h"
#include "base/Outcome.h"
#include "base/RunFeedback.h"
#include "sequence/Masking.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The most shuffles of each family sequence a run makes, and the seed of a run given none.
inline constexpr int maximumShuffles = 1000;
inline constexpr int defaultShuffles = 100;
inline constexpr std::uint64_t defaultShuffleSeed = 1;

/// One input of a run: a file, a DTable file or a FASTA file (plain or gzip) told apart by
/// its content, or a table already in memory, which `path` then only names.
struct RunInput {
    RunInput() = default;
    RunInput(std::string file)
        : path(std::move(file))
    {
    }
    RunInput(const char* file)
        : path(file)
    {
    }
    RunInput(std::string name, std::shared_ptr<const DTable> inMemory)
        : path(std::move(name))
        , table(std::move(inMemory))
    {
    }

    std::string path; ///< "-" reads standard input (as FASTA)
    std::shared_ptr<const DTable> table;
};

/// Everything a run is asked to do: its inputs and every choice the command line offers.
struct RunRequest {
    RunInput big;   ///< the genome's upstream regions
    RunInput small; ///< the gene family's upstream regions
    /// 0 to maximumGeneFiles gene files; none takes the first maximumGeneFiles records of a
    /// FASTA `small`, each as a gene file of its own.
    std::vector<RunInput> genes;
    /// What ranks words.tsv; unset, Sequences for a FASTA family and Binomial for a table.
    /// Sequences needs a FASTA family.
    std::optional<Statistic> statistic;
    /// The word lengths words.tsv covers (6 to 8).
    int shortest = shortestWordLength;
    int longest = longestWordLength;
    /// What of the FASTA inputs is masked (made N) before counting; tables are used as they are.
    Masking masking = Masking::None;
    /// Where the sites in a FASTA family are placed from, and the width of their bins;
    /// unset, the end and defaultBinWidth. Either set needs a FASTA family, and a width set
    /// must leave fewestPositionBins bins over the family's longest sequence.
    std::optional<Anchor> anchor;
    std::optional<int> binWidth;
    /// Given: each word is read on its sequence's own strand alone, a class being one word;
    /// needs BIG and SMALL as FASTA files.
    Strand strand = Strand::Both;
    /// Set: spaced pairs of these spacings are scored beside the words; needs a FASTA family,
    /// and BIG as FASTA or `dyadBackground`.
    std::optional<DyadSpacings> dyads;
    /// A FASTA file whose pairs stand for the genome's in place of BIG's (a table BIG holds
    /// none); empty for BIG itself.
    std::string dyadBackground;
    /// Set: a Markov model of this order (0 to MarkovModel::maximumOrder) stands for the
    /// genome, fitted on BIG when BIG is given (its path not empty), else on the family; every
    /// statistic takes the counts the model expects. Needs a FASTA family.
    std::optional<int> markovOrder;
    /// Set: BIG is made of this many (1 to maximumShuffles) dinucleotide shuffles of each of
    /// the family's distinct sequences, masked as asked; BIG must not be given. Needs a FASTA
    /// family.
    std::optional<int> shuffles;
    /// The seed of the shuffles: the same seed makes the same shuffles.
    std::uint64_t seed = defaultShuffleSeed;
    /// A MEME or JASPAR file of known motifs to name each motif's closest; empty for none.
    std::string knownMotifs;
    /// Where the report goes, made when missing; empty for the current folder.
    std::string folder;
    /// Threads counting a FASTA input; 0 for one per core.
    unsigned threads = 0;
};

/// What became of a run.
enum class RunStatus {
    Reported,       ///< the report is written
    BadRequest,     ///< the request asks for what no run does (lengths, gene file count, a statistic, masking or bins the inputs do not allow): nothing written
    NeedsGeneFiles, ///< no gene file, and `small` is no FASTA file whose records could serve
    InputRefused,   ///< an input cannot be used (unreadable, neither kind, holding what no export writes)
    FolderUnusable, ///< the report folder cannot be made
    NotReported,    ///< the report could not be written; the feedback has been told why
    Stopped,        ///< the front end asked the run to stop: nothing written
};

/// What writing a report did: its status and one line saying why it failed, and its files.
struct WrittenReport : Outcome<RunStatus> {
    /// Every file of the report written, in the order written: output.html last.
    std::vector<std::string> written;
    /// The report's index page and summary page, as the folder and name give them.
    std::string indexPage;
    std::string summaryPage;
};

/// What a run did: its status and one line saying why it failed, the analysis it made (from
/// NotReported on, and for an input refused after loading), and the report's files.
struct RunOutcome : WrittenReport {
    AnalysisResult result;
};

/// Runs one analysis from its input files to its report: tells each input's kind, refuses
/// a table holding what no export writes and a known-motif file that cannot be read (before
/// anything is written), counts each FASTA input in memory as the export would count it
/// (masked as asked), reads a FASTA family sequence by sequence (each distinct sequence
/// once; a family left with no word of A, C, G and T is refused), takes its records as gene
/// files when none is given, analyzes, and writes the report into the request's folder
/// (index page last). Everything the run shows (its
/// progress, the diagnostic lines, warnings, notes) goes through `feedback`, whose progress
/// ends once the report is written. The one door for every front end.
RunOutcome run(const RunRequest& request, RunFeedback& feedback);

/// The run's first half, for a front end that looks at the analysis before writing it, or
/// never does: everything `run` does but make the folder and write the report, which
/// `writeRunReport` then does. Its outcome has the status Reported once the analysis is
/// made, and writes nothing. A run stops, as Stopped, soon after the feedback asks it to.
RunOutcome analyzeRun(const RunRequest& request, RunFeedback& feedback);
/// Writes the report of `result`, an analysis `analyzeRun` made, into `folder` (made when
/// missing; empty for the current folder), naming `knownMotifs` as the file of known motifs
/// compared with. The feedback's progress ends once the pages are written, before it is told
/// why a report could not be.
WrittenReport writeRunReport(
    const AnalysisResult& result, const std::string& folder, const std::string& knownMotifs, RunFeedback& feedback);
