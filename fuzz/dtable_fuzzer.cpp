// The DTable loader: any bytes load without fault; a loaded table answers lookups for each
// of its words, and writing it and loading it again keeps its words in order.

#include "FuzzSupport.h"

#include "base/Diagnostics.h"
#include "tables/DTable.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFile input(data, size);
    DTable table;
    if (table.load(input.path()).status != LoadStatus::Loaded)
        return 0;
    std::vector<WordEntry> records = table.entries();
    for (const WordEntry& record : records)
        if (record.word.length() == 0 || table.bucketOf(record.word) < 0 || table.bucketOf(record.word) >= table.bucketCount())
            std::abort();
    std::string bytes = table.serialize();
    MemoryFile again(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    DTable reloaded;
    if (reloaded.load(again.path()).status != LoadStatus::Loaded)
        std::abort();
    std::vector<WordEntry> second = reloaded.entries();
    if (second.size() != records.size())
        std::abort();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!(second[i].word == records[i].word) || second[i].count != records[i].count)
            std::abort();
    return 0;
}
