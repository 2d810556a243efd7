// Runs an independent command-line reader and collects what it prints.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
  int exitCode = -1;   // -1 when the program could not be started or did not exit normally
  std::string output;  // standard output followed by standard error
};

ProgramResult RunProgram(const std::vector<std::string>& arguments);
