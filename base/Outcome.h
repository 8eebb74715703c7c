#pragma once

#include <string>
#include <utility>

/// What became of an operation that can fail, as every layer returns it: a status, whose
/// first value means that the operation did what it was asked, and one line for the user
/// saying why not. An operation that also makes something returns a struct deriving from
/// this one, with what it made beside the status.
template <class Status>
struct Outcome {
    Status status {};
    std::string message; ///< empty when it worked

    /// A failure with `status` and `message`.
    static Outcome failed(Status status, std::string message) { return {status, std::move(message)}; }

    bool ok() const { return status == Status {}; }
};
