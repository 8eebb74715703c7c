#pragma once

#include "analysis/Analysis.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// What stands for the genome in a run: the big file when neither is set, else a Markov
/// model of this order or this many dinucleotide shuffles of the family, from `seed`.
struct BackgroundChoice {
    std::optional<int> markovOrder;
    std::optional<int> shuffles;
    std::uint64_t seed = 1;
};

/// Everything the desktop shell keeps for the life of the process: the chosen input files,
/// the listing of them shown in the main window, and the analysis settings handed to every
/// run. Nothing here is saved between runs of the program.
class ShellSettings {
public:
    /// The statistic chosen in the Frequency Calibration dialog; till one is, each run takes
    /// its own default (Sequences for a FASTA family, Binomial for a table).
    std::optional<Statistic> statistic;
    /// The word lengths as typed in the Target Length dialog, whatever they are.
    int targetLengthMin = 6;
    int targetLengthMax = 8;
    /// The MEME or JASPAR file of known motifs to compare the motifs with; empty for none.
    std::string knownMotifsPath;
    /// What stands for the genome, as chosen in the Background dialog.
    BackgroundChoice background;

    /// Makes `path` the big DTable file and lists it.
    void chooseBigDTable(const std::string& path);
    /// Makes `path` the small DTable file and lists it.
    void chooseSmallDTable(const std::string& path);
    /// Adds `path` as the next gene file and lists it; false, changing nothing, when
    /// maximumGeneFiles are already chosen. The same file may be added more than once.
    bool addGeneFile(const std::string& path);
    /// Forgets every chosen file and empties the listing; the two settings stay.
    void closeAll();

    /// The warning that names each missing input, in the order big DTable, small DTable,
    /// gene file; empty when all are there. No gene file is missing when `smallServesAsGenes`
    /// (a FASTA small file, whose records then serve), and no big file when the background
    /// is a model or shuffles of the family.
    std::string missingInputsText(bool smallServesAsGenes = false) const;

    const std::string& bigDTablePath() const { return bigPath; }
    const std::string& smallDTablePath() const { return smallPath; }
    const std::vector<std::string>& geneFilePaths() const { return genePaths; }
    /// One line per chosen file in the order chosen, each ending with CR LF.
    const std::string& fileListing() const { return listing; }

private:
    void list(const std::string& path);

    std::string bigPath;
    std::string smallPath;
    std::vector<std::string> genePaths;
    std::string listing;
};
