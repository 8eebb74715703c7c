// The Python module seqlark: the export's counting, the DTable loader and the analysis, with
// counts as numpy arrays and word classes as records or a pandas DataFrame.

#include "python/Analyses.h"
#include "python/ModuleSupport.h"
#include "python/Table.h"

PYBIND11_MODULE(seqlark, module)
{
    // Each docstring starts with its own signature, which reads better than the generated one.
    py::options options;
    options.disable_function_signatures();
    module.doc() = "Seqlark: count the DNA words of a FASTA file into numpy arrays, read DTable files, and find the\n"
                   "words over-represented in a family of sequences, as seqlark-cli does.";
    addErrorType(module);
    defineTables(module);
    defineAnalyses(module);
}
