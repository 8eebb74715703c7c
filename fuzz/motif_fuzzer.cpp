// Motif files: any bytes given as a MEME or JASPAR file must give motifs or a one-line
// error; the motifs read must be usable, and written out again as a MEME or a JASPAR file
// they must read back as as many motifs of the same widths.

#include "analysis/MotifFile.h"
#include "report/MotifFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MotifFileContents read = parseMotifFile(text, "input");
    if (!read.ok()) {
        if (read.error.find('\n') != std::string::npos || read.error.find('\r') != std::string::npos)
            std::abort();
        return 0;
    }
    if (read.motifs.empty())
        std::abort();
    for (const Motif& motif : read.motifs) {
        if (motif.width() == 0)
            std::abort();
        for (const BaseWeights& row : motif.counts)
            for (double weight : row)
                if (!std::isfinite(weight) || weight < 0.0)
                    std::abort();
    }
    (void)closestMotif(read.motifs.front(), read.motifs);

    AnalysisResult result;
    result.refined = read.motifs;
    for (const std::string& written : {memeFile(result), jasparFile(result)}) {
        const MotifFileContents again = parseMotifFile(written, "written");
        if (!again.ok() || again.motifs.size() != read.motifs.size())
            std::abort();
        for (std::size_t i = 0; i < read.motifs.size(); ++i)
            if (again.motifs[i].width() != read.motifs[i].width())
                std::abort();
    }
    return 0;
}
