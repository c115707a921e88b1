#include "common/bmc_host.h"

namespace {

std::string host;
unsigned long port = 0;

bool kept_in_names(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

} // namespace

void set_bmc_host(const std::string& name, unsigned long rmcp_port) {
    host = name;
    port = rmcp_port;
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

std::string bmc_lock_name_part() {
    std::string part = bmc_name_part();
    if (!part.empty() && port != 623) {
        part += "+" + std::to_string(port);
    }
    return part;
}
