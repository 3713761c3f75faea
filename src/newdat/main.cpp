// quorvel-newdat: writes a fresh candidate file (see newdat_cli.hpp).
#include <iostream>
#include <string>
#include <vector>

#include "newdat/newdat_cli.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quorvel::run_newdat(args, std::cout);
}
