// The module's tables: the export's counting and the DTable loader, with the counts of each
// word length as a numpy array indexed by the word's 2-bit code.

#include "python/Table.h"

#include "base/Dna.h"
#include "export/Export.h"
#include "export/FastaRecords.h"
#include "export/StreamCopies.h"
#include "python/ModuleSupport.h"
#include "run/RunInputs.h"
#include "sequence/Masking.h"

#include <pybind11/stl.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

Table::Table(std::string name, std::shared_ptr<DTable> table, std::pair<int, int> lengths)
    : name_(std::move(name))
    , table(std::move(table))
    , lengths(lengths)
{
    for (int k = lengths.first; k <= lengths.second; ++k)
        arrays.emplace_back(py::array_t<std::int64_t>(std::size_t(1) << (2 * k)));
    for (py::array_t<std::int64_t>& array : arrays)
        std::fill(array.mutable_data(), array.mutable_data() + array.size(), 0);
    // Each word of A, C, G and T goes to its code: its letters' digits in base 4, first
    // letter first. A table from a file may list a word twice; its counts add up.
    std::vector<std::int64_t*> data;
    for (py::array_t<std::int64_t>& array : arrays)
        data.push_back(array.mutable_data());
    this->table->visitEntries([&](const WordEntry& entry) {
        const std::string_view word = entry.word.view();
        const int k = static_cast<int>(word.size());
        if (k < lengths.first || k > lengths.second)
            return;
        if (const std::int64_t code = dnaWordCode(word); code >= 0)
            data[static_cast<std::size_t>(k - lengths.first)][code] += entry.count;
    });
}

py::dict Table::allCounts() const
{
    py::dict all;
    for (int k = lengths.first; k <= lengths.second; ++k)
        all[py::int_(k)] = arrays[static_cast<std::size_t>(k - lengths.first)];
    return all;
}

std::vector<std::string> Table::words(int k) const
{
    indexOf(k);
    const std::int64_t n = std::int64_t(1) << (2 * k);
    std::vector<std::string> all;
    all.reserve(static_cast<std::size_t>(n));
    for (std::int64_t code = 0; code < n; ++code)
        all.push_back(dnaWordOf(code, k));
    return all;
}

void Table::save(const py::object& file) const
{
    const std::string path = pathOf(file);
    Outcome<WriteStatus> written;
    {
        py::gil_scoped_release unlocked;
        written = table->write(path.c_str());
    }
    if (!written.ok()) {
        PyErr_SetObject(PyExc_OSError, py::make_tuple(EIO, "cannot write " + path + ": " + written.message, path).ptr());
        throw py::error_already_set();
    }
}

std::string Table::repr() const
{
    return "<seqlark.Table: " + std::to_string(bases()) + " bases, " + std::to_string(wordsCounted())
        + " words counted, " + std::to_string(distinctWords()) + " distinct; arrays for lengths "
        + std::to_string(lengths.first) + " to " + std::to_string(lengths.second) + ">";
}

std::size_t Table::indexOf(int k) const
{
    if (k < lengths.first || k > lengths.second)
        throw py::value_error("this table holds arrays for word lengths " + std::to_string(lengths.first) + " to "
            + std::to_string(lengths.second) + ", not " + std::to_string(k));
    return static_cast<std::size_t>(k - lengths.first);
}

namespace {

Table count(const py::object& fasta, const py::object& lengths, const py::object& threads, const std::string& mask,
    const py::object& progress)
{
    const std::string path = pathOf(fasta);
    const std::pair<int, int> range = lengthsNamed(lengths);
    Masking masking = Masking::None;
    if (!maskingNamed(mask, masking))
        throw py::value_error("mask takes none, lower or dust");
    const unsigned threadCount = threadsNamed(threads);
    MaskedCount counted;
    std::string copyProblem;
    PythonFeedback feedback(progress);
    feedback.watch([&] {
        StreamCopies streams;
        copyProblem = streams.take(path);
        if (copyProblem.empty()) {
            const std::string source = streams.source(path);
            counted = masking == Masking::None ? MaskedCount {countFasta(source.c_str(), feedback, threadCount)}
                                               : countFastaMasked(source.c_str(), masking, feedback);
            counted.message = streams.told(counted.message);
        }
    });
    if (!copyProblem.empty())
        cannotRead(path, copyProblem);
    if (counted.status == ExportStatus::SourceUnreadable)
        cannotRead(path, counted.message);
    if (!counted.ok())
        refuse(counted.message);
    return Table(path, std::make_shared<CountingTable>(std::move(counted.table)), range);
}

Table loadTable(const py::object& file, const py::object& lengths)
{
    const std::string path = pathOf(file);
    const std::pair<int, int> range = lengthsNamed(lengths);
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        cannotRead(path, "cannot read " + quotedPath(path.c_str()) + ": " + std::strerror(errno));
    auto table = std::make_shared<DTable>();
    LoadOutcome loaded;
    TableFileFacts facts;
    std::string copyProblem;
    {
        py::gil_scoped_release unlocked;
        StreamCopies streams;
        copyProblem = streams.take(path);
        if (copyProblem.empty())
            loaded = table->load(streams.source(path).c_str(), facts);
    }
    if (!copyProblem.empty())
        cannotRead(path, copyProblem);
    if (loaded.status == LoadStatus::CannotOpen)
        cannotRead(path, "cannot read " + quotedPath(path.c_str()));
    if (!loaded.ok())
        refuse("cannot use " + path + " as a DTable file: " + loaded.message);
    if (std::string refusal = tableRefusal(path, facts); !refusal.empty())
        refuse(refusal);
    return Table(path, std::move(table), range);
}

} // namespace

void defineTables(py::module_& module)
{
    py::class_<Table>(module, "Table",
        "A table of word counts: the four header numbers of a DTable file and, for each word length asked\n"
        "for, a numpy array of the counts of the words of A, C, G and T, indexed by the word's 2-bit code\n"
        "(A=0, C=1, G=2, T=3, first letter most significant). Words holding N or other letters are kept\n"
        "for save() but are in no array.")
        .def_property_readonly("bucket_count", &Table::bucketCount, "The table's bucket count (10000 for every export).")
        .def_property_readonly("bases", &Table::bases, "The number of bases counted.")
        .def_property_readonly("words_counted", &Table::wordsCounted, "The number of words counted (every length).")
        .def_property_readonly("distinct_words", &Table::distinctWords, "The number of distinct words (every length).")
        .def_property_readonly("counts", &Table::allCounts, "A dict from word length to its numpy array of counts.")
        .def("counts_of", &Table::counts, py::arg("k"), "counts_of(k) -> numpy.ndarray\n\nThe numpy array of the counts of the words of length k.")
        .def("words", &Table::words, py::arg("k"),
            "words(k) -> list of str\n\nThe 4^k words of length k in the order of their codes, the order of counts_of(k).")
        .def("save", &Table::save, py::arg("path"),
            "save(path)\n\nWrites the table as a DTable file, byte for byte what seqlark-cli export writes.")
        .def("__repr__", &Table::repr);

    module.def("count", &count, py::arg("fasta"), py::arg("lengths") = py::make_tuple(6, 8),
        py::arg("threads") = py::none(), py::arg("mask") = "none", py::arg("progress") = py::none(),
        "count(fasta, lengths=(6, 8), threads=None, mask=\"none\", progress=None) -> Table\n\n"
        "Counts every word of 6, 7 and 8 letters of the FASTA file fasta (plain or gzip; a path, '-' for\n"
        "standard input) on both strands, as seqlark-cli export does, and gives the counts of the word\n"
        "lengths MIN to MAX as numpy arrays. threads: counting threads, 1 to 256 (default: one per core);\n"
        "the counts are the same for any number. mask: 'none', 'lower' (soft-masked lower case) or 'dust'\n"
        "(low-complexity stretches), whose letters become N. progress: called as progress(done, total)\n"
        "as the file is read (thousandths of a file whose size is known), on the calling thread.\n\n"
        "Ctrl-C (KeyboardInterrupt), or an exception the progress callback raises, stops the counting\n"
        "within one block of 4 MB and is raised again.\n\n"
        "Raises ValueError for a bad argument, OSError for a file that cannot be read, and seqlark.Error\n"
        "for a file that is no FASTA (empty, not text, no header line). The interpreter's lock is\n"
        "released while counting.");
    module.def("load_table", &loadTable, py::arg("path"), py::arg("lengths") = py::make_tuple(6, 8),
        "load_table(path, lengths=(6, 8)) -> Table\n\n"
        "Reads the DTable file at path with the command line's loader and refusals (negative or\n"
        "malformed numbers, header numbers the records contradict, records after the table's end),\n"
        "raising seqlark.Error with the command line's one-line message, or OSError when the file cannot\n"
        "be read.");
}
