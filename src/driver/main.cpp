// The quorvel program: the run driver with the real console, on the
// platform it was built for (plain, or a BOINC application). A table that
// cannot be allocated ends the run with one line on standard output and
// status 1, like every other error that stops a run.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "driver/platform.hpp"
#include "driver/run_driver.hpp"

namespace {

int run(int argc, char** argv, const quorvel::platform_hooks& platform) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quorvel::run_driver(args, std::cin, std::cout, platform);
  } catch (const std::bad_alloc&) {
    std::cout << std::endl << "Error: not enough memory for the tables." << std::endl;
  } catch (const std::exception& e) {
    std::cout << std::endl << "Error: " << e.what() << std::endl;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const quorvel::platform_hooks platform = quorvel::start_platform();
  return quorvel::finish_platform(run(argc, argv, platform));
}
