#pragma once

#include <ostream>
#include <string>
#include <vector>

/// Runs the command line `args` (without the program name) with its standard output `out`
/// and standard error `err`; returns the exit status: 0 success, 1 failure of the work,
/// 2 bad usage. A progress bar is drawn on `err` when `errIsTerminal`.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal);
