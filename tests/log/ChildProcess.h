// Second processes for the shared-block tests: the test executable starts itself with a role
// named in its environment; the role runs before the test framework starts and ends the process.
#pragma once

#include <string>

namespace log_tests {

// Runs this executable in role `role` with one argument; `outPath` names a file the role may
// write its findings to. Returns the child's exit code (0 when the role did its work).
unsigned long RunChild(const std::string& role, const std::string& argument,
                       const std::string& outPath = std::string());

}  // namespace log_tests
