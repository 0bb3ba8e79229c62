#pragma once
// Rows of a tab-separated vector file under tests/data, its heading line left out.

#include <fstream>
#include <string>
#include <vector>

namespace zivron::test {

inline std::vector<std::vector<std::string>> ReadTsv(const std::string& relative) {
    std::ifstream in(std::string(ZIVRON_TEST_DATA) + "/" + relative);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> fields(1);
        for (char c : line) {
            if (c == '\t') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

}  // namespace zivron::test
