#pragma once

// What the parts of the Python module share: its exceptions, its arguments, and the feedback
// through which a count or an analysis, working on a thread of its own, reaches Python.

#include "base/RunFeedback.h"

#include <pybind11/pybind11.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

/// Raises seqlark.Error with `message`: input the program refuses.
[[noreturn]] void refuse(const std::string& message);
/// Raises OSError for the file at `path` with `message`, its errno found anew (so that a
/// missing file gives FileNotFoundError, a folder IsADirectoryError).
[[noreturn]] void cannotRead(const std::string& path, const std::string& message);
/// Makes seqlark.Error, the exception refuse raises, an attribute of `module`.
void addErrorType(py::module_& module);

/// A path argument: a str or an os.PathLike.
std::string pathOf(const py::handle& path);
/// The word lengths a `lengths` argument names: (MIN, MAX), both from 6 to 8, MIN not above
/// MAX; ValueError otherwise.
std::pair<int, int> lengthsNamed(const py::object& lengths);
/// The threads a `threads` argument asks for: None for one per core, or 1 to 256.
unsigned threadsNamed(const py::object& threads);

/// What a count or an analysis tells Python while `watch` runs it on a thread of its own:
/// its progress, passed on in order to the callback on the calling thread; a stop once the
/// callback raised or a signal's handler did (Ctrl-C's KeyboardInterrupt); its warnings and
/// notes, kept for the caller.
class PythonFeedback : public RunFeedback {
public:
    explicit PythonFeedback(py::object callback)
        : callback(std::move(callback))
    {
    }

    void progressed(std::int64_t done, std::int64_t total) override;
    bool stopAsked() override;
    void warn(std::string_view caption, std::string_view text) override;
    void note(std::string_view text) override;

    /// Runs `work` on a thread of its own while the calling thread, the interpreter's lock
    /// released but while it passes the progress on, waits for it, running Python's signal
    /// handlers every tenth of a second. Raises, once the work has ended, what the callback
    /// or a handler raised, else what the work threw. Called with the lock held.
    void watch(const std::function<void()>& work);

    /// The warnings the run gave (caption, a colon, the text), and its notes.
    std::vector<std::string> warnings;
    std::vector<std::string> notes;

private:
    /// Passes on the progress reported since the last call and runs the signal handlers,
    /// keeping what they raise; takes the interpreter's lock.
    void passOn();

    py::object callback;
    std::mutex state; ///< guards what follows, which the working thread sets
    std::condition_variable changed;
    std::vector<std::pair<std::int64_t, std::int64_t>> steps;
    bool ended = false;
    bool stopping = false;
    std::unique_ptr<py::error_already_set> raised; ///< set on the calling thread alone
};
