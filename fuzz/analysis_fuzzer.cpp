// The analysis from loaded tables: the input holds a big table, a small table and gene
// tables, split at lines of "=====". Any of them may be malformed; the run must end without
// fault, and a report it claims to have written must be there.

#include "FuzzSupport.h"

#include "report/AnalysisRun.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = scratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::unique_ptr<MemoryFile>> files;
    for (std::size_t start = 0; files.size() < 34;) {
        std::size_t end = text.find("=====", start);
        std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        files.push_back(std::make_unique<MemoryFile>(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()));
        if (end == std::string::npos)
            break;
        start = end + 5;
    }
    while (files.size() < 3)
        files.push_back(std::make_unique<MemoryFile>(nullptr, 0));
    std::vector<const char*> genes;
    for (std::size_t i = 2; i < files.size(); ++i)
        genes.push_back(files[i]->path());
    const std::string index = folder + "/output.html";
    ::unlink(index.c_str());
    RunFeedback quiet;
    const char* result = runAnalysis(files[0]->path(), files[1]->path(), 6, 8, 0, genes.data(),
        static_cast<int>(genes.size()), quiet, folder.c_str());
    struct stat info;
    if (result && ::stat(index.c_str(), &info) != 0)
        std::abort();
    return 0;
}
