#pragma once
// The tool's commands. Each takes the words after its name and returns the exit status;
// failures are thrown as std::runtime_error and reported by main.

#include <string>
#include <vector>

namespace duovis::cli {

int renderCommand(const std::vector<std::string>& words);
int paramsCommand(const std::vector<std::string>& words);
int demoCommand(const std::vector<std::string>& words);
int aboutCommand(const std::vector<std::string>& words);
int overlayCommand(const std::vector<std::string>& words);
int projectCommand(const std::vector<std::string>& words);
int farmCommand(const std::vector<std::string>& words);

}  // namespace duovis::cli
