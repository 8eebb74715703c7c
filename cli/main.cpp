#include "base/AtomicFile.h"
#include "cli/Cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    removeTemporaryFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = runCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    std::cout.flush();
    return status;
}
