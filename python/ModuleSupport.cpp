#include "python/ModuleSupport.h"

#include "export/Export.h"

#include <pybind11/stl.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// The exception for input the program refuses; set when the module is made.
py::object refusedInput;

} // namespace

void refuse(const std::string& message)
{
    PyErr_SetString(refusedInput.ptr(), message.c_str());
    throw py::error_already_set();
}

void cannotRead(const std::string& path, const std::string& message)
{
    struct stat info;
    int code = EIO;
    if (::stat(path.c_str(), &info) != 0)
        code = errno;
    else if (S_ISDIR(info.st_mode))
        code = EISDIR;
    else if (::access(path.c_str(), R_OK) != 0)
        code = errno;
    PyErr_SetObject(PyExc_OSError, py::make_tuple(code, message, path).ptr());
    throw py::error_already_set();
}

void addErrorType(py::module_& module)
{
    refusedInput = py::reinterpret_borrow<py::object>(
        PyErr_NewExceptionWithDoc("seqlark.Error", "Input the program refuses, with the command line's one-line message.",
            PyExc_Exception, nullptr));
    module.attr("Error") = refusedInput;
}

std::string pathOf(const py::handle& path)
{
    return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

std::pair<int, int> lengthsNamed(const py::object& lengths)
{
    std::pair<int, int> range;
    try {
        range = lengths.cast<std::pair<int, int>>();
    } catch (const py::cast_error&) {
        throw py::value_error("lengths takes (MIN, MAX), word lengths from 6 to 8");
    }
    if (range.first < CountingTable::minimumWordLength || range.second > CountingTable::maximumWordLength
        || range.first > range.second)
        throw py::value_error("lengths takes (MIN, MAX), word lengths from 6 to 8 with MIN not above MAX");
    return range;
}

unsigned threadsNamed(const py::object& threads)
{
    if (threads.is_none())
        return std::max(1u, std::thread::hardware_concurrency());
    long asked = 0;
    try {
        asked = threads.cast<long>();
    } catch (const py::cast_error&) {
        asked = 0;
    }
    if (asked < 1 || asked > 256)
        throw py::value_error("threads takes a number from 1 to 256");
    return static_cast<unsigned>(asked);
}

void PythonFeedback::progressed(std::int64_t done, std::int64_t total)
{
    {
        const std::lock_guard<std::mutex> lock(state);
        if (callback.is_none() || stopping)
            return;
        steps.emplace_back(done, total);
    }
    changed.notify_all();
}

bool PythonFeedback::stopAsked()
{
    const std::lock_guard<std::mutex> lock(state);
    return stopping;
}

void PythonFeedback::warn(std::string_view caption, std::string_view text)
{
    const std::lock_guard<std::mutex> lock(state);
    warnings.push_back(std::string(caption) + ": " + std::string(text));
}

void PythonFeedback::note(std::string_view text)
{
    const std::lock_guard<std::mutex> lock(state);
    notes.emplace_back(text);
}

void PythonFeedback::passOn()
{
    std::vector<std::pair<std::int64_t, std::int64_t>> due;
    {
        const std::lock_guard<std::mutex> lock(state);
        due.swap(steps);
    }
    py::gil_scoped_acquire locked;
    if (raised)
        return;
    try {
        for (const auto& [done, total] : due)
            callback(done, total);
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
    } catch (py::error_already_set& error) {
        raised = std::make_unique<py::error_already_set>(std::move(error));
        const std::lock_guard<std::mutex> lock(state);
        stopping = true;
        steps.clear();
    }
}

void PythonFeedback::watch(const std::function<void()>& work)
{
    if (PyErr_CheckSignals() != 0)
        throw py::error_already_set();
    std::exception_ptr thrown;
    {
        py::gil_scoped_release unlocked;
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                thrown = std::current_exception();
            }
            {
                const std::lock_guard<std::mutex> lock(state);
                ended = true;
            }
            changed.notify_all();
        });
        for (bool over = false; !over;) {
            {
                std::unique_lock<std::mutex> lock(state);
                changed.wait_for(lock, std::chrono::milliseconds(100), [this] { return ended || !steps.empty(); });
                over = ended;
            }
            passOn();
        }
        worker.join();
    }
    if (raised)
        throw std::move(*raised);
    if (thrown)
        std::rethrow_exception(thrown);
}
