#pragma once

#include <pybind11/pybind11.h>

/// Adds analyze, with its result Analysis and the records WordClass and Motif, to `module`.
void defineAnalyses(pybind11::module_& module);
