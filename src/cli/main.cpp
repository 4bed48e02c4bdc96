// loopcraft-cli: design, analyse and simulate PLLs from the command line.
#include "cli/Cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    return loopcraft::cli::runCli(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
