// Placeholder entry point until the driver is built; replaced by the driver.
#include <cstdio>

int main() {
  std::printf("quorvel v0.42\n");
  return 0;
}
