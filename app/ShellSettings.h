#pragma once

#include "analysis/Analysis.h"

#include <string>
#include <vector>

/// Everything the desktop shell keeps for the life of the process: the chosen input files,
/// the listing of them shown in the main window, and the two analysis settings handed to
/// every run. Nothing here is saved between runs of the program.
class ShellSettings {
public:
    /// Statistic chosen in the Frequency Calibration dialog.
    enum Calibration { BinomialDistribution = 0, PoissonDistribution = 1, ExpectedActual = 2 };

    int calibration = BinomialDistribution;
    int targetLengthMin = 6;
    int targetLengthMax = 8;

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
    /// gene file; empty when all three are there.
    std::string missingInputsText() const;

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
