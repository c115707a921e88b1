// Out of band through the BMC's LAN port, through the built tool: the LAN options on every
// utility command line, the cipher suite probe, and what is refused before anything is written.
#include "tool_test.h"

#include <regex>

namespace {

using bench::Bench;
using bench::RunResult;
using Env = std::vector<std::pair<std::string, std::string>>;

constexpr const char* password = "Pw-7f3a9";

// Out of band to a BMC that takes the password, also kept in the file "../outside/pw" (mode
// 0600; "shared" holds it for group and others too); then the row's own settings ("" as unset).
void reach_bmc1(Bench& b, const Env& env) {
    b.run_shell(std::string("cd ../outside && echo ") + password + " >pw && chmod 600 pw && echo " +
                password + " >shared && chmod 644 shared");
    b.set_device(0, bench::reference_image());
    b.write_file("fruconfig.ini", bench::example_config());
    for (const auto& [key, value] : Env{{"TARNWICK_BMC", "bmc1.example"},
                                        {"TARNWICK_BMC_USER", "admin"},
                                        {"IPMI_PASSWORD", password},
                                        {"TARNWICK_FAKE_PASSWORD", password}}) {
        b.set_env(key, value);
    }
    for (const auto& [key, value] : env) {
        b.set_env(key, value);
    }
}

// Private file names and backup stamps differ from run to run.
std::string same_names(const std::string& text) {
    return std::regex_replace(
        std::regex_replace(text, std::regex("tarnwick-(bench-)?[A-Za-z0-9]{6}"), "tarnwick-X"),
        std::regex("[0-9]{8}T[0-9]{6}Z"), "STAMP");
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// A run out of band runs the in-band run's command lines with the LAN options after "ipmitool",
// after one Get Device ID per suite tried, and prints and stores the same; its lock and backup
// names carry the BMC. No command line holds the password, and a user name is never run.
TEST(OutOfBand, CommandLinesCarryTheLanOptions) {
    struct Case {
        Env env;
        std::vector<std::string> args;
        std::string lan;                 // after "ipmitool", up to -C
        std::vector<std::string> suites; // probed, the last one serving
        std::string password;            // the password option
        std::string name_part;           // of the backup; "" in band
        std::string lock;                // the lock left, "" for none
    };
    const std::string bmc1 = "-I lanplus -H bmc1.example -p 623 -U admin";
    const std::string ipv6 = "-I lanplus -H ::1 -p 623 -U admin";
    const Env bulk_on_ipv6{
        {"TARNWICK_BULK", "1"}, {"TARNWICK_BMC", "::1"}, {"TARNWICK_FAKE_REFUSE_SUITE", "17"}};
    Env empty_ipmitool_password = bulk_on_ipv6; // which the utility would take first
    empty_ipmitool_password.insert(
        empty_ipmitool_password.end(),
        {{"IPMITOOL_PASSWORD", ""}, {"TARNWICK_BMC_CIPHER", " 17 ,3,17"}});
    const Case cases[] = {
        {{}, {"0", "-stxt"}, bmc1, {"17"}, "-E", "", ""},
        // The date read's pipeline is split at its own "|", not at one in the quoted user name.
        {{{"TARNWICK_BMC_USER", "ad|min"}},
         {"0", "/BMT"},
         "-I lanplus -H bmc1.example -p 623 -U ad|min",
         {"17"},
         "-E",
         "",
         ""},
        {{{"IPMI_PASSWORD", ""},
          {"TARNWICK_BMC_PASSWORD_FILE", "../outside/pw"},
          {"TARNWICK_BMC_USER", "o'brien $(touch pwned)"},
          {"TARNWICK_BMC_PORT", "6230"},
          {"TARNWICK_BMC_CIPHER", "3"}},
         {"0", "/CSN", "SN-7"},
         "-I lanplus -H bmc1.example -p 6230 -U o'brien $(touch pwned)",
         {"3"},
         "-f ../outside/pw",
         "-bmc1.example",
         "fru0-bmc1.example+6230.lock"},
        {empty_ipmitool_password,
         {"0", "/PAT", "RACK-7"},
         ipv6,
         {"17", "3"},
         "-E",
         "-__1",
         "fru0-__1.lock"},
        {bulk_on_ipv6, {"0", "-sjson"}, ipv6, {"17", "3"}, "-E", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tool_test::describe(c.args) + " " + c.lan);
        Bench in_band;
        in_band.set_device(0, bench::reference_image());
        in_band.set_env("TARNWICK_BULK", c.args[1] == "/PAT" || c.args[1] == "-sjson" ? "1" : "0");
        const RunResult expected = in_band.run(c.args);
        Bench b;
        reach_bmc1(b, c.env);
        const RunResult r = b.run(c.args);

        std::vector<std::string> lines;
        for (const std::string& suite : c.suites) {
            lines.push_back("ipmitool " + c.lan + " -C " + suite + " " + c.password +
                            " raw 0x06 0x01");
        }
        for (const std::string& line : expected.commands) {
            lines.push_back(same_names("ipmitool " + c.lan + " -C " + c.suites.back() + " " +
                                       c.password + line.substr(8)));
        }
        EXPECT_EQ(same_names(joined(r.commands)), joined(lines));
        EXPECT_EQ(joined(r.commands).find(password), std::string::npos);
        // What the in-band run printed and left, with the BMC in the backup's name.
        const auto with_bmc = [&](const std::string& text) {
            return std::regex_replace(same_names(text), std::regex("fru0-STAMP"),
                                      "fru0" + c.name_part + "-STAMP");
        };
        std::string out = with_bmc(expected.out);
        if (c.args[1] == "-sjson") {
            out.insert(out.find('\n', out.find("fru_id")) + 1,
                       "  \"bmc\": {\n    \"host\": \"::1\",\n    \"cipher_suite\": 3\n  },\n");
        }
        EXPECT_EQ(same_names(r.out), out);
        EXPECT_EQ(r.err, expected.err);
        EXPECT_EQ(r.status, expected.status);
        EXPECT_EQ(b.device(0), in_band.device(0));
        EXPECT_EQ(same_names(joined(b.files_left())),
                  with_bmc(joined(in_band.files_left())) + "fruconfig.ini\n");
        EXPECT_EQ(b.run_shell("ls '" + b.lock_dir() + "'").out,
                  c.lock.empty() ? "" : c.lock + "\n");
    }
}

// Settings that could not be used, and a BMC that answers on none of the suites, end the run
// before anything is read, saved or written; commands that never touch the device never ask.
TEST(OutOfBand, RefusedBeforeAnythingIsWritten) {
    const std::string session = "Error: Unable to establish IPMI v2 / RMCP+ session\n";
    const std::string no_port = "TARNWICK_BMC_PORT must be a number from 1 to 65535, not ";
    const std::string no_suite = "TARNWICK_BMC_CIPHER: cipher suite ";
    const std::string refusing = "Refusing \"../outside/";
    const Env by_file{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "../outside/shared"}};
    struct Case {
        Env env;
        std::string out;
        std::string err = "";
        size_t commands = 0;
        std::vector<std::string> args = {"0", "-w"};
        int status = 255;
    };
    const Case cases[] = {
        {{{"TARNWICK_BMC", "x;y"}},
         "TARNWICK_BMC \"x;y\" is not a host name or address; nothing done.\n"},
        {{{"TARNWICK_BMC_PORT", "0"}}, no_port + "\"0\"; nothing done.\n"},
        {{{"TARNWICK_BMC_PORT", "62x"}}, no_port + "\"62x\"; nothing done.\n"},
        {{{"TARNWICK_BMC_USER", ""}}, "TARNWICK_BMC_USER is not set; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}},
         "No BMC password: set IPMI_PASSWORD or TARNWICK_BMC_PASSWORD_FILE; nothing done.\n"},
        {by_file, refusing + "shared\": others can read it; nothing done.\n"},
        {{{"IPMI_PASSWORD", ""}, {"TARNWICK_BMC_PASSWORD_FILE", "../outside/"}},
         refusing + "\": it is not a regular file; nothing done.\n"},
        {{{"TARNWICK_BMC_CIPHER", "0"}},
         no_suite + "0 is not allowed (only 17 and 3); nothing done.\n"},
        {{{"TARNWICK_BMC_CIPHER", "17,5"}},
         no_suite + "5 is not allowed (only 17 and 3); nothing done.\n"},
        {{{"TARNWICK_FAKE_NO_BMC", "1"}},
         "Can not reach the BMC at bmc1.example with cipher suite 17 or 3.\n",
         session,
         2},
        {{{"TARNWICK_FAKE_REFUSE_SUITE", "17"},
          {"TARNWICK_BMC_CIPHER", "17"},
          {"TARNWICK_BULK", "0"}},
         "Can not reach the BMC at bmc1.example with cipher suite 17.\n",
         "Error in open session response message : invalid authentication algorithm\n\n" + session,
         1,
         {"0", "/PAT", "X"}},
        {{{"TARNWICK_FAKE_NO_BMC", "1"}}, "Check fru info ok!\n", "", 0, {"0", "-debug"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tool_test::describe(c.args) + " " + c.env.back().first + "=" +
                     c.env.back().second);
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
