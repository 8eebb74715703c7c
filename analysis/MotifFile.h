#pragma once

#include "analysis/Motif.h"

#include <string>
#include <string_view>
#include <vector>

/// The motifs of a motif file, or why there are none.
struct MotifFileContents {
    std::vector<Motif> motifs;
    std::string error; ///< "<name> line <n>: <what>", or "<path>: <cause>" when unreadable
    bool ok() const { return error.empty(); }
};

/// Reads the motifs of `text`, a MEME motif file (minimal format, version 4, DNA) or a
/// JASPAR file of count matrices, told apart by their first line; `name` names the file in
/// the error. A file without any motif is an error, and so is a motif wider than 1000
/// positions.
MotifFileContents parseMotifFile(std::string_view text, const std::string& name);
/// Reads the motif file at `path` (plain or gzip) the same way; a file whose text passes
/// 256 MiB is refused.
MotifFileContents readMotifFile(const std::string& path);
