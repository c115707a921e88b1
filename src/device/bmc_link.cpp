#include "device/bmc_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/bmc_host.h"
#include "common/fail.h"
#include "common/terminal_line.h"
#include "files/private_file.h"
#include "process/command_runner.h"

namespace {

constexpr const char* utility = "ipmitool ";

// What every command line of an out-of-band run carries: -I, -H, -p and -U, then the password
// option after the suite.
std::string lan_options;
std::string password_option;
// The cipher suites to try, in order; the one that answered; the one a probe tries now.
std::vector<std::string> suites;
std::string serving;
std::string trying;

// An environment variable, empty taken as unset.
const char* setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

bool only_of(const std::string& text, const char* characters) {
    return text.find_first_not_of(characters) == std::string::npos;
}

constexpr const char* digits = "0123456789";

// The host goes into shell command lines as it stands: a name or an address, nothing else.
std::string checked_host(const char* host) {
    if (!only_of(host, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.:-")) {
        fail("TARNWICK_BMC \"%s\" is not a host name or address; nothing done.\n", host);
    }
    return host;
}

unsigned long checked_port() {
    const char* text = setting("TARNWICK_BMC_PORT");
    if (text == nullptr) {
        return 623;
    }
    const std::string port = text;
    const unsigned long number = port.size() <= 5 && only_of(port, digits) ? std::stoul(port) : 0;
    if (number < 1 || number > 65535) {
        fail("TARNWICK_BMC_PORT must be a number from 1 to 65535, not \"%s\"; nothing done.\n",
             text);
    }
    return number;
}

std::string checked_user() {
    const char* user = setting("TARNWICK_BMC_USER");
    if (user == nullptr) {
        fail("TARNWICK_BMC_USER is not set; nothing done.\n");
    }
    return user;
}

// Suite 0 sends no authentication at all and the others are weaker than 3 and 17.
std::vector<std::string> checked_suites() {
    const char* text = setting("TARNWICK_BMC_CIPHER");
    std::string rest = text != nullptr ? text : "17,3";
    std::vector<std::string> list;
    while (true) {
        const std::size_t comma = rest.find(',');
        std::string suite = rest.substr(0, comma);
        suite.erase(0, suite.find_first_not_of(' '));
        suite.erase(suite.find_last_not_of(' ') + 1);
        if (suite != "17" && suite != "3") {
            fail("TARNWICK_BMC_CIPHER: cipher suite %s is not allowed (only 17 and 3); nothing "
                 "done.\n",
                 suite.c_str());
        }
        if (std::find(list.begin(), list.end(), suite) == list.end()) {
            list.push_back(suite);
        }
        if (comma == std::string::npos) {
            return list;
        }
        rest.erase(0, comma + 1);
    }
}

// A password file must be the user's own and unreadable to anyone else, as ipmitool reads its
// first line as the password.
void check_password_file(const char* path) {
    struct stat status {};
    const char* refusal = nullptr;
    if (stat(path, &status) != 0) {
        refusal = "can not find it";
    } else if (!S_ISREG(status.st_mode)) {
        refusal = "it is not a regular file";
    } else if (status.st_uid != geteuid()) {
        refusal = "another user owns it";
    } else if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        refusal = "others can read it";
    }
    if (refusal != nullptr) {
        fail("Refusing \"%s\": %s; nothing done.\n", path, refusal);
    }
}

std::string checked_password_option() {
    if (setting("IPMI_PASSWORD") != nullptr || setting("IPMITOOL_PASSWORD") != nullptr) {
        // ipmitool takes either: an empty one must not stand in for the other.
        for (const char* name : {"IPMI_PASSWORD", "IPMITOOL_PASSWORD"}) {
            if (setting(name) == nullptr) {
                unsetenv(name);
            }
        }
        return "-E";
    }
    const char* file = setting("TARNWICK_BMC_PASSWORD_FILE");
    if (file == nullptr) {
        fail("No BMC password: set IPMI_PASSWORD or TARNWICK_BMC_PASSWORD_FILE; nothing done.\n");
    }
    check_password_file(file);
    return "-f " + shell_quote(file);
}

// "ipmitool ARGS" becomes "ipmitool LAN-OPTIONS ARGS"; other command lines (date, rm) stay.
std::string out_of_band_line(const std::string& line) {
    if (line.compare(0, std::strlen(utility), utility) != 0) {
        return line;
    }
    if (trying.empty()) {
        reach_bmc();
    }
    return format_text("ipmitool %s -C %s %s", lan_options.c_str(),
                       (trying.empty() ? serving : trying).c_str(), password_option.c_str()) +
           line.substr(std::strlen(utility) - 1);
}

std::string suite_list() {
    std::string list;
    for (const std::string& suite : suites) {
        list += (list.empty() ? "" : " or ") + suite;
    }
    return list;
}

} // namespace

void choose_bmc_link() {
    const char* host = setting("TARNWICK_BMC");
    if (host == nullptr) {
        return;
    }
    const std::string name = checked_host(host);
    const unsigned long port = checked_port();
    set_bmc_host(name, port);
    lan_options =
        format_text("-I lanplus -H %s -p %lu -U ", host, port) + shell_quote(checked_user());
    suites = checked_suites();
    password_option = checked_password_option();
    set_command_line_filter(out_of_band_line);
}

void reach_bmc() {
    if (lan_options.empty() || !serving.empty()) {
        return;
    }
    const private_file complaints;
    for (const std::string& suite : suites) {
        trying = suite;
        const int status = run_command(format_text("%sraw 0x06 0x01 >/dev/null 2>%s", utility,
                                                   complaints.shell_path().c_str()));
        trying.clear();
        if (status == 0) {
            serving = suite;
            return;
        }
    }
    const std::vector<uint8_t> said = complaints.contents();
    clear_terminal_line();
    if (!said.empty()) {
        std::fwrite(said.data(), 1, said.size(), stderr);
    }
    fail("Can not reach the BMC at %s with cipher suite %s.\n", bmc_host().c_str(),
         suite_list().c_str());
}

int bmc_cipher_suite() {
    return std::atoi(serving.c_str());
}
