#pragma once
// Runs a real program for a test and collects what it printed.

#include <map>
#include <string>
#include <vector>

namespace zivron::test {

struct ProcessResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args`, the environment of the test plus `env`, and `input` as its
// standard input.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {},
                         const std::string& input = "");

}  // namespace zivron::test
