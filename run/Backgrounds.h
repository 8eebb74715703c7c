#pragma once

#include "analysis/MarkovModel.h"
#include "export/Export.h"
#include "export/InputKind.h"
#include "export/StreamCopies.h"
#include "run/Run.h"
#include "sequence/FamilyProfile.h"
#include "sequence/Masking.h"

#include <cstdint>
#include <functional>
#include <string>

/// What stands for the genome's BIG: an input to count or a table, and what the reports say
/// of it; or why it could not be made.
struct Background : ExportResult {
    RunInput big;
    std::string note;
};

/// BIG made of `shuffles` dinucleotide shuffles of each distinct sequence of `family` (read
/// from the file named `familyName`), held in `streams` as a FASTA file.
Background shuffledBackground(const FamilyProfile& family, const std::string& familyName, int shuffles,
    std::uint64_t seed, StreamCopies& streams);
/// The counts a Markov model of `order` fitted on the distinct sequences of `family` expects.
Background modelBackground(const FamilyProfile& family, const std::string& familyName, int order);
/// The counts a Markov model of `order` fitted on the genome's file `source` (named `name`, of
/// kind `kind`, FASTA masked as `masking` says) expects. Fails as the export reads FASTA,
/// or as a table that cannot be loaded; the feedback may stop it.
Background modelBackground(const std::string& source, const std::string& name, InputKind kind, Masking masking,
    int order, RunFeedback& feedback);

/// Writes, through `write`, the FASTA text of `shuffles` dinucleotide shuffles of each
/// distinct sequence of `family` (records named s<sequence>.<shuffle>, from 1, in that
/// order), the shuffle j of sequence i drawn from shuffleSeed(seed, i, j): the same text on
/// any machine and for any number of threads making it. False when `write` refused a piece.
bool writeShuffledFasta(
    const FamilyProfile& family, int shuffles, std::uint64_t seed, const std::function<bool(std::string_view)>& write);
/// The bytes writeShuffledFasta writes.
std::uint64_t shuffledFastaBytes(const FamilyProfile& family, int shuffles);
