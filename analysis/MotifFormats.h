#pragma once

#include "analysis/Motif.h"
#include "base/Outcome.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The motif file formats, read and written: MEME (minimal format, version 4, DNA) and JASPAR
// count matrices both ways, TRANSFAC matrices written only.

/// What became of reading a motif file.
enum class MotifFileStatus {
    Read,       ///< the file held motifs, all of them well formed
    Unreadable, ///< the file could not be opened or read through, or is too big
    Malformed,  ///< the text is no motif file, holds no motif, or a motif is wrong
};

/// The motifs of a motif file, or why there are none. The message is "<name> line <n>:
/// <what>" for a malformed text, "<path>: <cause>" for an unreadable file.
struct MotifFileContents : Outcome<MotifFileStatus> {
    std::vector<Motif> motifs; ///< empty unless ok()
};

/// Reads the motifs of `text`, a MEME motif file (minimal format, version 4, DNA) or a
/// JASPAR file of count matrices, told apart by their first line; `name` names the file in
/// the message. A file without any motif is malformed, and so is a motif wider than 1000
/// positions.
MotifFileContents parseMotifFile(std::string_view text, const std::string& name);
/// Reads the motif file at `path` (plain or gzip) the same way; a file whose text passes
/// 256 MiB is refused as unreadable.
MotifFileContents readMotifFile(const std::string& path);

/// `motifs` in the MEME suite's minimal motif format, version 4: DNA alphabet, both strands (or
/// the given one alone, without `bothStrands`),
/// `background` (made frequencies; uniform when a weight is negative or not finite) as the
/// background, each motif's rows as probabilities (a row summing to 0 uniform) with its
/// sites and E-value.
std::string memeText(const std::vector<Motif>& motifs, const BaseWeights& background, bool bothStrands = true);
/// `motifs` as JASPAR count matrices (a row summing to 0 becomes sites / 4 each).
std::string jasparText(const std::vector<Motif>& motifs);
/// `motifs` as TRANSFAC matrices of counts (a row summing to 0 becomes sites / 4 each); the
/// DE line of the i-th motif says `descriptions[i]` (none when missing or empty), then the
/// motif's name, and is left out when both are empty.
std::string transfacText(const std::vector<Motif>& motifs, const std::vector<std::string>& descriptions = {});

/// `text` as the motif files write a name or id: every blank and control byte made '_',
/// since the files separate their fields with blanks and tabs.
std::string motifField(std::string_view text);
/// The id the motif files give the `number`th motif they list (from 1): its own as a field,
/// or, lacking one, "motif-<number>", since every format needs an id to tell where a motif
/// starts.
std::string motifIdOf(const Motif& motif, std::size_t number);
/// A count as the count matrices write it: a whole number as one, any other with at most
/// three decimals, one beyond the digits a double holds in its shortest form.
std::string motifCountText(double value);
