// Second processes for tests: the test executable starts itself with a role named in its
// environment; the role runs before the test framework starts and ends the process with its
// result as the exit code.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace testing_support {

using ChildRoleFunction = int (*)();

// Called from a static initialiser of a suite: when this process was started in one of
// `roles`, runs it and exits with its result; otherwise returns at once.
int DispatchChildRole(std::initializer_list<std::pair<const char*, ChildRoleFunction>> roles);

// Inside a role: its argument (plain ASCII: the environment passes through UTF-16).
std::string ChildArgument();

// Starts this executable in `role`: its process handle (nullptr if not started).
HANDLE StartChild(const std::string& role, const std::string& argument = std::string());
// Runs it and waits: the role's exit code.
unsigned long RunChild(const std::string& role, const std::string& argument = std::string());

}  // namespace testing_support
