// loopcraft-cli: design, analyse and simulate PLLs from the command line.
#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return loopcraft::cli::runCli(argc, argv, std::cout, std::cerr);
}
