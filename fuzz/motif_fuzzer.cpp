// Motif files: any bytes given as a MEME or JASPAR file must give motifs or a one-line
// message saying the file is malformed; the motifs read must be usable, and written out
// again as a MEME or a JASPAR file they must read back as as many motifs of the same widths.

#include "analysis/MotifFormats.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MotifFileContents read = parseMotifFile(text, "input");
    if (!read.ok()) {
        if (read.status != MotifFileStatus::Malformed || read.message.find('\n') != std::string::npos
            || read.message.find('\r') != std::string::npos || !read.motifs.empty())
            std::abort();
        return 0;
    }
    if (read.motifs.empty() || !read.message.empty())
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

    for (const std::string& written : {memeText(read.motifs, {0.25, 0.25, 0.25, 0.25}), jasparText(read.motifs)}) {
        const MotifFileContents again = parseMotifFile(written, "written");
        if (!again.ok() || again.motifs.size() != read.motifs.size())
            std::abort();
        for (std::size_t i = 0; i < read.motifs.size(); ++i)
            if (again.motifs[i].width() != read.motifs[i].width())
                std::abort();
    }
    return 0;
}
