// The FASTA reader, both ways: the streaming export and the in-memory reader with the
// counter must read any bytes without fault and agree on the table.

#include "FuzzSupport.h"

#include "base/Diagnostics.h"
#include "oracle/FastaFile.h"
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
    if (!exported.ok())
        return 0;
    if (fasta.heldZeroByte())
        std::abort(); // the export refuses text with a zero byte
    Permutation counted;
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
