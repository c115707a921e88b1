#include "bench.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace bench {

std::string tool_path() {
    return TARNWICK_BINARY;
}

std::string fakebin_dir() {
    // A sanitized build runs the fake's own tests against a sanitized copy of it.
    const char* checked = std::getenv("TARNWICK_TEST_FAKEBIN");
    return checked != nullptr && *checked != '\0' ? checked : TARNWICK_FAKEBIN_DIR;
}

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string device_file(const std::string& dir, int id) {
    return dir + "/fru" + std::to_string(id) + ".bin";
}

} // namespace

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

Bench::Bench() {
    std::string templ = (fs::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    }
    root_ = buf.data();
    fs::create_directory(work_dir());
    fs::create_directory(device_dir());
    fs::create_directory(outside_dir());
    fs::create_directory(temp_dir());
    fs::create_directory(lock_dir());
    chmod(lock_dir().c_str(), 0700);
}

Bench::~Bench() {
    std::error_code ec;
    // Directories a test made read-only must become writable again to be emptied.
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            chmod(it->path().c_str(), 0755);
        }
    }
    chmod(root_.c_str(), 0755);
    fs::remove_all(root_, ec);
}

void Bench::set_device(int id, const std::vector<uint8_t>& bytes) {
    if (bytes.size() > device_size) {
        throw std::invalid_argument("device image larger than 1280 bytes");
    }
    std::vector<uint8_t> padded = bytes;
    padded.resize(device_size, 0);
    std::ofstream out(device_file(device_dir(), id), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(padded.data()),
              static_cast<std::streamsize>(padded.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write device file");
    }
    if (drop_privileges_) {
        chmod(device_file(device_dir(), id).c_str(), 0666);
    }
}

std::vector<uint8_t> Bench::device(int id) const {
    std::string s = slurp(device_file(device_dir(), id));
    std::vector<uint8_t> bytes(s.begin(), s.end());
    bytes.resize(device_size, 0);
    return bytes;
}

bool Bench::has_device(int id) const {
    return fs::exists(device_file(device_dir(), id));
}

void Bench::write_file(const std::string& name, const std::string& content) {
    std::ofstream out(work_dir() + "/" + name, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + name);
    }
}

std::string Bench::read_file(const std::string& name) const {
    return slurp(work_dir() + "/" + name);
}

void Bench::set_env(const std::string& key, const std::string& value) {
    env_[key] = value;
}

void Bench::clear_env() {
    env_.clear();
}

void Bench::run_as(unsigned uid, unsigned gid) {
    drop_privileges_ = true;
    uid_ = uid;
    gid_ = gid;
    // The other user must reach the tool's working directory and write the fake's files.
    chmod(root_.c_str(), 0755);
    chmod(device_dir().c_str(), 0777);
    for (const auto& e : fs::directory_iterator(device_dir())) {
        chmod(e.path().c_str(), 0666);
    }
    // The device locks must be the user's own, as the tool checks.
    if (chown(lock_dir().c_str(), uid, gid) != 0) {
        throw std::runtime_error("cannot hand the lock directory to the user");
    }
    const std::string bin = root_ + "/bin";
    const std::string fakebin = root_ + "/fakebin";
    fs::create_directories(bin);
    fs::create_directories(fakebin);
    fs::copy_file(tool_path(), bin + "/tarnwick", fs::copy_options::overwrite_existing);
    fs::copy_file(fakebin_dir() + "/ipmitool", fakebin + "/ipmitool",
                  fs::copy_options::overwrite_existing);
    for (const std::string& path : {bin, fakebin, bin + "/tarnwick", fakebin + "/ipmitool"}) {
        chmod(path.c_str(), 0755);
    }
    tool_ = bin + "/tarnwick";
    fakebin_ = fakebin;
}

std::vector<std::string> Bench::all_commands() const {
    return split_lines(slurp(device_dir() + "/commands.log"));
}

std::vector<std::string> Bench::files_left() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(work_dir())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult Bench::run(const std::vector<std::string>& args, int timeout_seconds) {
    return exec(tool_, args, timeout_seconds);
}

RunResult Bench::run_fake(const std::vector<std::string>& args) {
    return exec(fakebin_ + "/ipmitool", args, 60);
}

RunResult Bench::run_shell(const std::string& command, int timeout_seconds) {
    return exec("/bin/sh", {"-c", command}, timeout_seconds);
}

RunResult Bench::exec(const std::string& path, const std::vector<std::string>& args,
                      int timeout_seconds) {
    const std::string log_path = device_dir() + "/commands.log";
    const size_t log_before = slurp(log_path).size();
    const std::string out_path = root_ + "/stdout";
    const std::string err_path = root_ + "/stderr";

    // Environment: the caller's, less any fake settings, plus the bench's own.
    std::vector<std::string> env;
    std::string path_var = fakebin_;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (entry.rfind("TARNWICK_FAKE_", 0) == 0 || entry.rfind("TZ=", 0) == 0 ||
            entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("TARNWICK_BULK=", 0) == 0 ||
            entry.rfind("TARNWICK_LOCK_DIR=", 0) == 0 || entry.rfind("TARNWICK_BMC", 0) == 0 ||
            entry.rfind("IPMI_PASSWORD=", 0) == 0 || entry.rfind("IPMITOOL_PASSWORD=", 0) == 0) {
            continue;
        }
        if (entry.rfind("PATH=", 0) == 0) {
            path_var += ":" + entry.substr(5);
            continue;
        }
        env.push_back(entry);
    }
    if (path_var == fakebin_) {
        path_var += ":/usr/local/bin:/usr/bin:/bin";
    }
    env.push_back("PATH=" + path_var);
    env.push_back("TZ=UTC");
    env.push_back("TARNWICK_FAKE_DIR=" + device_dir());
    if (env_.count("TMPDIR") == 0) {
        env.push_back("TMPDIR=" + temp_dir());
    }
    if (env_.count("TARNWICK_LOCK_DIR") == 0) {
        env.push_back("TARNWICK_LOCK_DIR=" + lock_dir());
    }
    for (const auto& [k, v] : env_) {
        env.push_back(k + "=" + v);
    }

    std::vector<std::string> argv_text{path};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        // Own session and process group, as a terminal's foreground job: a timeout ends the
        // shells and utilities started in the group too, and the fake utility finds the group
        // its "Ctrl-C" goes to.
        setsid();
        int in = open("/dev/null", O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || chdir(work_dir().c_str()) != 0) {
            _exit(126);
        }
        // An interrupt by SIGQUIT must not leave a core file in the working directory.
        const struct rlimit no_core { 0, 0 };
        setrlimit(RLIMIT_CORE, &no_core);
        if (drop_privileges_ &&
            (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0)) {
            _exit(126);
        }
        execve(path.c_str(), argv.data(), envp.data());
        _exit(127);
    }

    RunResult result;
    int wstatus = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    for (;;) {
        pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            throw std::runtime_error("waitpid failed");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            ADD_FAILURE() << path << " did not finish within " << timeout_seconds << " s";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.status = 128 + WTERMSIG(wstatus);
    }
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    std::string log = slurp(log_path);
    result.commands = split_lines(log.size() > log_before ? log.substr(log_before) : "");
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return result;
}

std::string hex_dump(const std::vector<uint8_t>& bytes) {
    std::string text;
    char buf[32];
    for (size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(buf, sizeof buf, "%04zx: ", row);
        text += buf;
        std::string chars;
        for (size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
            text += buf;
            if (i % 2 == 1) {
                text += ' ';
            }
            chars += bytes[i] >= 0x21 && bytes[i] <= 0x7E ? static_cast<char>(bytes[i]) : '.';
        }
        text += "  " + chars + "\n";
    }
    return text;
}

} // namespace bench
