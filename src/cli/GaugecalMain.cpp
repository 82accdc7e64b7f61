#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  return gaugecal::cli::Main(argc, argv, std::cout, std::cerr);
}
