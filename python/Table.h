#pragma once

#include "tables/DTable.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

/// A table of word counts, as the export counts it or as a DTable file holds it, with the
/// counts of the words of A, C, G and T of each length asked for as numpy arrays, and the
/// name of the file it came from.
class Table {
public:
    Table(std::string name, std::shared_ptr<DTable> table, std::pair<int, int> lengths);

    std::int64_t bucketCount() const { return table->bucketCount(); }
    std::int64_t bases() const { return table->sequenceLength(); }
    std::int64_t wordsCounted() const { return table->totalCount(); }
    std::int64_t distinctWords() const { return table->distinctCount(); }
    const std::string& name() const { return name_; }
    /// The table itself, as an analysis takes it.
    std::shared_ptr<const DTable> shared() const { return table; }

    py::array_t<std::int64_t> counts(int k) const { return arrays.at(indexOf(k)); }
    py::dict allCounts() const;
    std::vector<std::string> words(int k) const;
    void save(const py::object& file) const;
    std::string repr() const;

private:
    std::size_t indexOf(int k) const;

    std::string name_;
    std::shared_ptr<DTable> table;
    std::pair<int, int> lengths;
    std::vector<py::array_t<std::int64_t>> arrays;
};

/// Adds Table, count and load_table to `module`.
void defineTables(py::module_& module);
