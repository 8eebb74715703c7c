#pragma once

#include "cli/Cli.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

/// What a command line run in-process gave: its exit status and its two output streams.
struct CliOutcome {
    int status;
    std::string out;
    std::string err;
};

inline CliOutcome run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    int status = runCli(args, out, err, false);
    return {status, out.str(), err.str()};
}

/// True for exactly one line "seqlark-cli: error: ...".
inline bool isOneErrorLine(const std::string& text)
{
    return text.rfind("seqlark-cli: error: ", 0) == 0 && std::count(text.begin(), text.end(), '\n') == 1
        && text.back() == '\n';
}
