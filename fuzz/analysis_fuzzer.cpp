// A whole run, as every front end starts it: the input holds a big, a small and gene input
// files, split at lines of "=====", each a table or FASTA text (told apart as the run tells
// them). Any of them may be malformed; the run must end without fault, and a report it
// claims to have written must be there.

#include "FuzzSupport.h"

#include "run/Run.h"

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
    // Two parts alone leave the family's records to serve as gene files.
    while (files.size() < 2)
        files.push_back(std::make_unique<MemoryFile>(nullptr, 0));
    RunRequest request;
    request.big = files[0]->path();
    request.small = files[1]->path();
    for (std::size_t i = 2; i < files.size(); ++i)
        request.genes.emplace_back(files[i]->path());
    request.folder = folder;
    request.threads = 1;
    const std::string index = folder + "/output.html";
    ::unlink(index.c_str());
    RunFeedback quiet;
    const RunOutcome outcome = run(request, quiet);
    struct stat info;
    if (outcome.ok() && (::stat(index.c_str(), &info) != 0 || outcome.written.empty() || outcome.written.back() != index))
        std::abort();
    return 0;
}
