// The FASTA reader, both ways: the streaming export and the plain whole-file reader with the
// one-word-at-a-time counter must read any bytes without fault and agree on the table.

#include "FuzzSupport.h"

#include "base/Diagnostics.h"
#include "oracle/FastaFile.h"
#include "oracle/WordCount.h"
#include "export/CountingTable.h"
#include "export/Export.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
std::string folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = scratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFile input(data, size);
    const std::string table = folder + "/fasta.dtable";
    ::unlink(table.c_str());
    RunFeedback quiet;
    ExportResult exported = exportFastaToDTable(input.path(), table.c_str(), quiet, 1 + size % 3);

    FastaFile fasta;
    fasta.parse(input.path());
    // Plain text is read alike both ways, so the export takes exactly the texts that hold
    // a header line and no zero byte. (A gzip stream's trailing bytes are judged apart.)
    const bool gzip = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
    const bool usable = fasta.readStatus() == ReadStatus::Read && !fasta.heldZeroByte() && fasta.geneCount() > 0;
    if (!gzip && exported.ok() != usable)
        std::abort();
    if (!exported.ok())
        return 0;
    if (fasta.heldZeroByte())
        std::abort(); // the export refuses text with a zero byte
    CountingTable counted;
    countGenes(counted, fasta);
    std::string written;
    if (FILE* file = std::fopen(table.c_str(), "rb")) {
        char buffer[65536];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file))
            written.append(buffer, n);
        std::fclose(file);
    }
    if (written != counted.serialize())
        std::abort();
    return 0;
}
