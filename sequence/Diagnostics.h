#pragma once

#include <ostream>

// The one stream that every lower layer writes its one-line diagnostics to.
// It is the process's standard output until a front end points it elsewhere.

/// The diagnostic stream; a stream that discards everything when silenced.
std::ostream& diagnostics();

/// Sends diagnostics to `stream`, or discards them when it is null.
void setDiagnosticStream(std::ostream* stream);

/// Where diagnostics go now; null while they are discarded.
std::ostream* diagnosticStream();

/// Writes a printf-style line (or line piece) to the diagnostic stream.
void diagnosticf(const char* format, ...) __attribute__((format(printf, 1, 2)));
