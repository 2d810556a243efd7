// Starts DCMTK's command-line tools without a shell.
#pragma once

#include <string>
#include <vector>

namespace testdata {

// Runs the program (searched on PATH) with the arguments, in the folder
// `workingDirectory` when it is not empty; true when it exits with 0.
bool RunTool(const std::vector<std::string>& arguments, const std::string& workingDirectory = "");

}  // namespace testdata
