#include "common/bmc_host.h"

namespace {

std::string host;

bool kept_in_names(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

} // namespace

void set_bmc_host(const std::string& name) {
    host = name;
}

const std::string& bmc_host() {
    return host;
}

std::string bmc_name_part() {
    if (host.empty()) {
        return "";
    }
    std::string part = "-";
    for (const char c : host) {
        part += kept_in_names(c) ? c : '_';
    }
    return part;
}
