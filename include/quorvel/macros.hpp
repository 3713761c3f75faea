// The project's macros.
//
// QUORVEL_ASSERT(condition) states a contract that the code relies on but
// does not check in production: a kernel's operand bounds, a table index.
// Debug builds (QUORVEL_ASSERTIONS=1, set by CMake for the Debug
// configuration) evaluate the condition and, when it is false, print the
// condition, file, line and function on standard error and abort, so that a
// test or a debugger stops at the broken contract. Other builds do not
// evaluate the condition at all (it only sits in an unevaluated sizeof, which
// keeps its names "used"), so a check costs nothing in the hot loops.
// The condition must have no side effects.
#pragma once

#if QUORVEL_ASSERTIONS
#include <cstdio>
#include <cstdlib>

namespace quorvel::detail {

[[noreturn, gnu::cold, gnu::noinline]] inline void assertion_failed(const char* condition,
                                                                    const char* file, int line,
                                                                    const char* function) {
  std::fprintf(stderr, "%s:%d: %s: contract broken: %s\n", file, line, function, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace quorvel::detail

#define QUORVEL_ASSERT(condition)     \
  ((condition) ? static_cast<void>(0) \
               : ::quorvel::detail::assertion_failed(#condition, __FILE__, __LINE__, __func__))
#else
#define QUORVEL_ASSERT(condition) static_cast<void>(sizeof(!(condition)))
#endif
