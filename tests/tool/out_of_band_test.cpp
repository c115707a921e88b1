// Out of band through the BMC's LAN port, through the built tool: the LAN options on every
// utility command line, the cipher suite probe, and the settings refused before anything runs.
#include "tool_test.h"

#include <sys/stat.h>

#include <filesystem>
#include <regex>

namespace {

using bench::Bench;
using bench::RunResult;
using Env = std::vector<std::pair<std::string, std::string>>;

constexpr const char* password = "Pw-7f3a9";

// Out of band to a BMC that takes the password, given also in a file of the user's own ("FILE"
// in a row's settings); the row's own settings come after these ("" is as unset).
void reach_bmc1(Bench& b, const Env& env) {
    const std::string file = b.outside_dir() + "/pass word";
    b.run_shell("printf '%s\\n' '" + std::string(password) + "' >'" + file + "'");
    chmod(file.c_str(), 0600);
    b.set_device(0, bench::reference_image());
    b.write_file("fruconfig.ini", bench::example_config());
    b.set_env("TARNWICK_BMC", "bmc1.example");
    b.set_env("TARNWICK_BMC_USER", "admin");
    b.set_env("IPMI_PASSWORD", password);
    b.set_env("TARNWICK_FAKE_PASSWORD", password);
    for (const auto& [key, value] : env) {
        b.set_env(key, value == "FILE" ? file : value);
    }
}

// Private file names differ from run to run.
std::string same_names(const std::string& text) {
    return std::regex_replace(text, std::regex("tarnwick-(bench-)?[A-Za-z0-9]{6}"),
                              "tarnwick-XXXXXX");
}

// The backup files of device 0 whose names carry `part` of the BMC.
size_t backups(const Bench& b, const std::string& part) {
    const std::vector<std::string> names = b.files_left();
    const std::regex name("fru0" + part + "-[0-9]{8}T[0-9]{6}Z\\.bin");
    return std::count_if(names.begin(), names.end(),
                         [&](const std::string& n) { return std::regex_match(n, name); });
}

// A run out of band runs the in-band run's command lines with the LAN options after "ipmitool",
// after one Get Device ID per suite tried, and prints and stores the same; its lock and backup
// names carry the BMC. No command line holds the password.
TEST(OutOfBand, CommandLinesCarryTheLanOptions) {
    struct Case {
        Env env;
        std::vector<std::string> args;
        std::string lan;                 // after "ipmitool", up to -C
        std::vector<std::string> suites; // probed, the last one serving
        std::string password;            // the password option; FILE: the password file
        std::string name_part;           // of lock and backup names; "" for no lock
    };
    const std::string bmc1 = "-I lanplus -H bmc1.example -p 623 -U admin";
    const std::string ipv6 = "-I lanplus -H ::1 -p 623 -U admin";
    const Case cases[] = {
        {{}, {"0", "-stxt"}, bmc1, {"17"}, "-E", ""},
        // -f, and a user name the shell would split and run
        {{{"IPMI_PASSWORD", ""},
          {"TARNWICK_BMC_PASSWORD_FILE", "FILE"},
          {"TARNWICK_BMC_USER", "o'brien $(touch pwned)"},
          {"TARNWICK_BMC_PORT", "6230"},
          {"TARNWICK_BMC_CIPHER", "3"}},
         {"0", "/CSN", "SN-7"},
         "-I lanplus -H bmc1.example -p 6230 -U o'brien $(touch pwned)",
         {"3"},
         "-f FILE",
         "-bmc1.example"},
        // bulk mode on a BMC without suite 17; an empty IPMITOOL_PASSWORD, which the utility
        // would take before IPMI_PASSWORD, is not passed on
        {{{"TARNWICK_BULK", "1"},
          {"TARNWICK_BMC", "::1"},
          {"TARNWICK_FAKE_REFUSE_SUITE", "17"},
          {"IPMITOOL_PASSWORD", ""},
          {"TARNWICK_BMC_CIPHER", " 17 ,3,17"}},
         {"0", "/PAT", "RACK-7"},
         ipv6,
         {"17", "3"},
         "-E",
         "-__1"},
        {{{"TARNWICK_BULK", "1"}, {"TARNWICK_BMC", "::1"}, {"TARNWICK_FAKE_REFUSE_SUITE", "17"}},
         {"0", "-sjson"},
         ipv6,
         {"17", "3"},
         "-E",
         ""},
        {{{"TARNWICK_BULK", "1"}}, {"0", "-w"}, bmc1, {"17"}, "-E", "-bmc1.example"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tool_test::describe(c.args) + " " + c.lan);
        Bench in_band;
        in_band.set_device(0, bench::reference_image());
        in_band.write_file("fruconfig.ini", bench::example_config());
        in_band.set_env("TARNWICK_BULK", c.env.empty() ? "0" : c.env[0].second);
        const RunResult expected = in_band.run(c.args);
        Bench b;
        reach_bmc1(b, c.env);
        const RunResult r = b.run(c.args);

        const std::string password_option =
            c.password == "-E" ? "-E" : "-f " + b.outside_dir() + "/pass word";
        std::vector<std::string> lines;
        for (const std::string& suite : c.suites) {
            lines.push_back(same_names("ipmitool " + c.lan + " -C " + suite + " " +
                                       password_option + " raw 0x06 0x01"));
        }
        for (const std::string& line : expected.commands) {
            lines.push_back(same_names("ipmitool " + c.lan + " -C " + c.suites.back() + " " +
                                       password_option + line.substr(8)));
        }
        std::vector<std::string> commands;
        for (const std::string& line : r.commands) {
            commands.push_back(same_names(line));
            EXPECT_EQ(line.find(password), std::string::npos) << line;
        }
        EXPECT_EQ(commands, lines);
        std::string out = expected.out;
        if (c.args[1] == "-sjson") {
            out.insert(out.find('\n', out.find("fru_id")) + 1,
                       "  \"bmc\": {\n    \"host\": \"::1\",\n    \"cipher_suite\": 3\n  },\n");
        }
        const std::regex backup_name("fru0\\S*\\.bin");
        EXPECT_EQ(std::regex_replace(r.out, backup_name, "BACKUP"),
                  std::regex_replace(out, backup_name, "BACKUP"));
        EXPECT_EQ(r.err, expected.err);
        EXPECT_EQ(r.status, expected.status);
        EXPECT_EQ(b.device(0), in_band.device(0));
        EXPECT_EQ(b.files_left().size(), in_band.files_left().size()); // "pwned" among them?
        EXPECT_EQ(backups(b, c.name_part), backups(in_band, ""));
        std::vector<std::string> locks;
        for (const auto& entry : std::filesystem::directory_iterator(b.lock_dir())) {
            locks.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(locks, c.name_part.empty()
                             ? std::vector<std::string>{}
                             : std::vector<std::string>{"fru0" + c.name_part + ".lock"});
    }
}

// Settings that could not be used end the run before it runs anything.
TEST(OutOfBand, SettingsRefusedBeforeAnythingRuns) {
    const std::string no_suite = "TARNWICK_BMC_CIPHER: cipher suite %s is not allowed (only 17 "
                                 "and 3); nothing done.\n";
    const std::string no_port =
        "TARNWICK_BMC_PORT must be a number from 1 to 65535, not \"%s\"; nothing done.\n";
    const std::pair<Env, std::string> cases[] = {
        {{{"TARNWICK_BMC", "x;y"}},
         "TARNWICK_BMC \"x;y\" is not a host name or address; nothing done.\n"},
        {{{"TARNWICK_BMC", "bmc1 -P x"}},
         "TARNWICK_BMC \"bmc1 -P x\" is not a host name or address; nothing done.\n"},
        {{{"TARNWICK_BMC_PORT", "0"}}, no_port},
        {{{"TARNWICK_BMC_PORT", "65536"}}, no_port},
        {{{"TARNWICK_BMC_PORT", "62x"}}, no_port},
        {{{"TARNWICK_BMC_USER", ""}}, "TARNWICK_BMC_USER is not set; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}},
         "No BMC password: set IPMI_PASSWORD or TARNWICK_BMC_PASSWORD_FILE; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "../outside/group"}},
         "Refusing \"../outside/group\": others can read it; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "../outside/world"}},
         "Refusing \"../outside/world\": others can read it; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "/"}},
         "Refusing \"/\": it is not a regular file; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "missing"}},
         "Refusing \"missing\": can not find it; nothing done.\n"},
        {{{"TARNWICK_BMC_CIPHER", "0"}}, no_suite},
        {{{"TARNWICK_BMC_CIPHER", "17,5"}}, no_suite},
    };
    for (const auto& [env, out] : cases) {
        const std::string value = env.back().second;
        SCOPED_TRACE(env.back().first + "=" + value);
        Bench b;
        b.set_env("TARNWICK_BULK", "1");
        reach_bmc1(b, env);
        for (const auto& [name, mode] : {std::pair{"group", 0640}, {"world", 0604}}) {
            b.run_shell(std::string("echo x >../outside/") + name);
            chmod((b.outside_dir() + "/" + name).c_str(), mode);
        }
        const RunResult r = b.run({"0", "-w"});
        const std::string shown = value == "17,5" ? "5" : value;
        EXPECT_EQ(r.out, std::regex_replace(out, std::regex("%s"), shown));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.commands, std::vector<std::string>{});
        EXPECT_EQ(b.files_left(), std::vector<std::string>{"fruconfig.ini"});
    }
}

// A BMC that answers on none of the suites ends the run before anything is read, saved or
// written, with the utility's last complaint; commands that never touch the device never probe.
TEST(OutOfBand, UnreachableBmc) {
    const std::string session = "Error: Unable to establish IPMI v2 / RMCP+ session\n";
    struct Case {
        Env env;
        std::vector<std::string> args;
        std::string out;
        std::string err;
        size_t commands;
        int status;
    };
    const Case cases[] = {
        {{{"TARNWICK_FAKE_NO_BMC", "1"}},
         {"0", "-w"},
         "Can not reach the BMC at bmc1.example with cipher suite 17 or 3.\n",
         session,
         2,
         255},
        {{{"TARNWICK_FAKE_NO_BMC", "1"}, {"TARNWICK_BMC_CIPHER", "3"}, {"TARNWICK_BULK", "0"}},
         {"0", "/PAT", "X"},
         "Can not reach the BMC at bmc1.example with cipher suite 3.\n",
         session,
         1,
         255},
        {{{"TARNWICK_FAKE_REFUSE_SUITE", "17"}, {"TARNWICK_BMC_CIPHER", "17"}},
         {"0", "-stxt"},
         "Can not reach the BMC at bmc1.example with cipher suite 17.\n",
         "Error in open session response message : invalid authentication algorithm\n\n" + session,
         1,
         255},
        {{{"TARNWICK_FAKE_NO_BMC", "1"}}, {"0", "-debug"}, "Check fru info ok!\n", "", 0, 0},
        {{{"TARNWICK_FAKE_NO_BMC", "1"}},
         {"0", "/XYZ"},
         "\"/XYZ\" is not right or not supported.\n" + tool_test::usage(),
         "",
         0,
         255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tool_test::describe(c.args));
        Bench b;
        b.set_env("TARNWICK_BULK", "1");
        reach_bmc1(b, c.env);
        const RunResult r = b.run(c.args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.commands.size(), c.commands);
        EXPECT_EQ(b.files_left(), std::vector<std::string>{"fruconfig.ini"});
        EXPECT_EQ(bench::first_512(b.device(0)), bench::reference_image());
    }
}
} // namespace
