#pragma once

#include "export/InputKind.h"
#include "export/StreamCopies.h"
#include "run/Run.h"
#include "tables/DTable.h"

#include <string>
#include <vector>

/// Why the file `background` cannot give the genome's spaced pairs; empty when it can, or
/// when none is given. Anything but a table is read as the export reads FASTA, which says
/// what it cannot read.
std::string dyadBackgroundRefusal(const std::string& background, const StreamCopies& streams);

/// Why the table file at `path` cannot serve, by what its header and the facts loading it
/// found tell; empty when it can. A table cut short is no reason: it loads as far as it goes.
std::string tableRefusal(const std::string& path, const TableFileFacts& facts);

/// Reads each of `inputs` given as a stream (standard input, a pipe, a FIFO), and the
/// genome's pairs' FASTA `dyadBackground`, into `streams`; why one cannot be, or nothing.
std::string copyStreams(
    const std::vector<const RunInput*>& inputs, const std::string& dyadBackground, StreamCopies& streams);

/// Adds the kind of each of `inputs` to `kinds`, in order; inputs given in memory are
/// tables. Why one is neither kind, or a table file whose header shows what no export
/// writes, or nothing.
std::string tellKinds(const std::vector<const RunInput*>& inputs, const StreamCopies& streams, std::vector<InputKind>& kinds);
