// Shared pieces of the tests through the built tool.
#pragma once

#include "bench.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace tool_test {

// A golden file's exact bytes.
inline std::string golden(const std::string& name) {
    std::ifstream in(std::string(TARNWICK_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing golden file " << name;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The usage text, 27 lines.
inline const std::string& usage() {
    static const std::string text = golden("usage.txt");
    return text;
}

// The arguments as one line, for failure traces.
inline std::string describe(const std::vector<std::string>& args) {
    std::string text = "tarnwick";
    for (const auto& a : args) {
        text += " \"" + a + "\"";
    }
    return text;
}

} // namespace tool_test
