#include <fstream>
#include <iterator>
#include <stdexcept>

#include "site/platform_codec.h"

namespace mulan::site::testing {

std::string ReadDataFile(const std::string& name) {
    std::ifstream file(std::string(MULAN_SOURCE_DIR) + "/tests/site/data/" + name, std::ios::binary);
    if (!file) throw std::runtime_error("missing test data " + name);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace mulan::site::testing
