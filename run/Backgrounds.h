#pragma once

#include "analysis/MarkovModel.h"
#include "export/Export.h"
#include "export/InputKind.h"
#include "sequence/FamilyProfile.h"
#include "sequence/Masking.h"

#include <cstdint>
#include <optional>
#include <string>

/// The FASTA text of `shuffles` dinucleotide shuffles of each distinct sequence of `family`
/// (records named s<sequence>.<shuffle>, from 1, in that order), the shuffle j of sequence i
/// drawn from shuffleSeed(seed, i, j): the same text on any machine and for any number of
/// threads making it.
std::string shuffledFasta(const FamilyProfile& family, int shuffles, std::uint64_t seed);

/// A Markov model of `order` fitted on the distinct sequences of `family`.
MarkovModel familyModel(const FamilyProfile& family, int order);

/// A model fitted on a genome's file, or why it could not be.
struct FittedModel : ExportResult {
    std::optional<MarkovModel> model;
};

/// A Markov model of `order` fitted on the file `source`: on the windows of every record of
/// a FASTA file, masked as `masking` says, or on the 6-letter words of a table file
/// (`kind`). Fails as the export reads FASTA, or as a table that cannot be loaded; the
/// feedback may stop it.
FittedModel fileModel(const std::string& source, InputKind kind, Masking masking, int order, RunFeedback& feedback);
