// The quorvel program: the run driver with the real console and a real
// five-minute wait between looks into the range queue. A table that cannot
// be allocated ends the run with one line on standard output and status 1,
// like every other error that stops a run.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "driver/run_driver.hpp"

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quorvel::run_driver(args, std::cin, std::cout,
                               [](unsigned seconds) { ::sleep(seconds); });
  } catch (const std::bad_alloc&) {
    std::cout << std::endl << "Error: not enough memory for the tables." << std::endl;
  } catch (const std::exception& e) {
    std::cout << std::endl << "Error: " << e.what() << std::endl;
  }
  return 1;
}
