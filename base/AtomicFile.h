#pragma once

#include "base/Outcome.h"

#include <string>
#include <string_view>

/// What became of a write.
enum class WriteStatus { Written, CannotCreate, CannotWrite };

/// What writing to a path that is a symbolic link does.
enum class LinkPolicy {
    /// The link is followed, through a chain of links and to a target not there yet: the file
    /// it leads to is written and the link stays. What a user names as an output.
    Follow,
    /// The link itself is replaced by the file and whatever it led to stays untouched, and so
    /// is a device node, FIFO or socket under the name, never written into: what a program
    /// writes into a folder of its own, such as a report's pages.
    Replace,
};

/// Writes `bytes` to `path`. A regular file (or a name not there yet) is written to a
/// temporary file in the same folder and renamed over it once complete and synced, so a
/// failed or interrupted write never leaves a half-written file where a good one stood; a
/// file replaced keeps its permission bits, without the set-user-id and set-group-id bits,
/// and one its owner protected from writing is not replaced. A path that leads to a
/// character or block device, a FIFO or a socket (/dev/stdout, /dev/null, /proc/self/fd/N)
/// is written into as a stream, never renamed over, unless `links` is Replace. A path that
/// names one of this process's descriptors (/dev/stdout, /dev/stderr, /dev/fd/N,
/// /proc/self/fd/N, /proc/PID/fd/N, or a link leading to one) is written through that
/// descriptor, whatever it leads to, at its offset: a file the shell opened keeps what was
/// written before. On failure the message gives the cause.
Outcome<WriteStatus> writeFileAtomically(const std::string& path, std::string_view bytes,
    LinkPolicy links = LinkPolicy::Follow);

/// Removes every temporary file a write is filling at this moment. Safe to call from a
/// signal handler, so that an interrupted write leaves nothing behind.
void removeTemporaryFiles();

/// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the temporary files of the writes under
/// way before the program ends as the signal would end it. For a program's main().
void removeTemporaryFilesOnSignals();
