#pragma once

#include "base/Outcome.h"

#include <string>

/// What an input file holds, as far as its first bytes tell.
enum class InputKind {
    DTable,  ///< its first four lines are whole numbers (the header), then a record or the end
    Fasta,   ///< any other text, plain or gzip, for the FASTA reader; or a stream, which is not looked at (see inputKindOf)
    Unknown, ///< unreadable, empty, or neither of the two
};

/// Whether an input's kind was told.
enum class KindStatus {
    Told,
    Unusable, ///< unreadable, empty, or neither of the two: the kind is Unknown
};

/// What an input holds, or why that cannot be told.
struct InputKindResult : Outcome<KindStatus> {
    InputKind kind = InputKind::Unknown;
};

/// Tells a DTable file from a FASTA file by the first bytes of its content: a DTable file
/// starts, after blanks, with four lines of whole decimal numbers (an optional sign, then
/// digits alone) followed by a record's "*****" line or by its end; any other text, plain or
/// gzip-compressed (gzip content is inflated through InputStream, as the export reads it), is
/// FASTA, as the export reads it: comment lines, or a first line of digits, before the first
/// header line included, the FASTA reader saying what it cannot read. Only the first few KB of
/// a regular file are read, more only when a long gzip header, a long run of blanks or a
/// long first line comes first.
///
/// A pipe, a FIFO, a device or a socket could only be told by consuming what it holds (and
/// opening a FIFO without a writer would wait for one), so such a path, and "-" (standard
/// input, as the export's command line takes it), is neither opened nor read: it comes back
/// as Fasta, the only kind read as a stream, for the caller to read once. The file named
/// "-" is never looked at.
///
/// Unknown comes with the message "cannot read 'PATH': why" when the path is missing, a
/// folder, unreadable or its gzip data are corrupt; "'PATH' is empty"; "'PATH' holds a
/// gzip-compressed DTable file; DTable files are read uncompressed"; or "'PATH' is neither a
/// DTable nor a FASTA file" for blanks alone, a zero byte (no text), or a table's start behind
/// a byte order mark.
InputKindResult inputKindOf(const char* path);
