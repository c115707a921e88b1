// A stand-in for the IPMI utility, for tests: it keeps each FRU device's bytes in a file and logs
// every command line it is given, so that tests can check what the tool ran and what it stored.
//
// Environment:
//   TARNWICK_FAKE_DIR            directory holding the devices and the log (required).
//                                Device N is fru<N>.bin there, 1280 bytes, created all-zero on
//                                first access. Every run appends its command line, "ipmitool "
//                                followed by the arguments joined by single blanks, to
//                                commands.log there.
//   TARNWICK_FAKE_NO_BMC=1       every command fails as with a BMC that does not answer: the
//                                utility's short complaint on stderr, nothing on stdout, exit 1.
//   TARNWICK_FAKE_NO_BMC_AFTER_WRITE=1
//                                as above for every command after the first "fru write", which
//                                itself goes through: a BMC that goes away during a write (a
//                                file "bmc_gone" in TARNWICK_FAKE_DIR marks it).
//   TARNWICK_FAKE_NO_BMC_AT=<decimal offset>
//                                as above for raw reads and writes from that offset on: a BMC
//                                that stops answering in the middle of a run.
//   TARNWICK_FAKE_READ_FAIL=1    every read fails: message on stderr, nothing on stdout, exit 1
//                                (raw Read FRU Data and the fru listings alike).
//   TARNWICK_FAKE_READ_FAIL_AT=<decimal offset>
//                                only a raw read covering that offset fails, as above.
//   TARNWICK_FAKE_SIZE=<decimal bytes>
//                                the size every device has (at most 1280; the file stays 1280
//                                bytes): "fru read" reports and writes that many bytes, "fru write"
//                                stores no more, and raw reads and writes past it fail.
//   TARNWICK_FAKE_READ_END=said|killed|short
//                                "fru read" writes the whole FILE, then: said: says on standard
//                                output that the read failed, instead of "Done", status 0;
//                                killed: is killed (SIGKILL) after its lines; short: cuts FILE to
//                                512 bytes after its lines.
//   TARNWICK_FAKE_WRITE_IGNORE=1 writes answer " 01" and exit 0 but store nothing.
//   TARNWICK_FAKE_WRITE_FAIL=1   writes store nothing, message on stderr, exit 1.
//   TARNWICK_FAKE_WRITE_FAIL_AT=<decimal offset>
//                                only a write covering that offset fails, as above.
//   TARNWICK_FAKE_CORRUPT_AT=<decimal offset>
//                                a byte written at that offset is stored plus 1 (modulo 256), so
//                                that a checksum verification afterwards fails.
//   TARNWICK_FAKE_INTERRUPT_AT=<decimal offset>
//                                a read or write covering that offset (raw, or fru read/write)
//                                first sends SIGINT to the process group of the session's leader
//                                (the tool, as the bench starts it), as Ctrl-C on a terminal does
//                                to the foreground group; the command carries on unless the
//                                signal ends it (it is not in that group, or ignores it).
//                                TARNWICK_FAKE_INTERRUPT_SIGNAL=QUIT, TERM or HUP sends that
//                                signal instead; TARNWICK_FAKE_INTERRUPT_TOOL=1 sends it to the
//                                tool alone, as "kill -INT PID" does;
//                                TARNWICK_FAKE_INTERRUPT_ALL=1 to its own group too, as a service
//                                manager stopping every process of a unit does;
//                                TARNWICK_FAKE_INTERRUPT_ON=read or write: only such commands.
//   TARNWICK_FAKE_WRITE_WAIT=<FIFO>  "fru write", its file read, waits until every writer of the
//                                FIFO has closed it: a test opens it for writing (which returns
//                                once the fake waits) and closes it to let the write go on.
//   TARNWICK_FAKE_REFUSE_SUITE=<suite>
//                                with "-C <suite>" every command fails as the real utility's does
//                                against a BMC that lacks the suite: two complaints, exit 1.
//   TARNWICK_FAKE_PASSWORD=<text> with -E or -f, every command fails as with a wrong password
//                                unless the password read is this text.
//
// LAN options before the command, as out of band: -I IF, -H HOST, -p PORT, -U USER, -C SUITE,
// and -E (the password from IPMITOOL_PASSWORD when set, even empty, else IPMI_PASSWORD) or -f FILE
// (its first line). They are logged and otherwise change nothing.
//
// Supported commands, with the real utility's output format:
//   raw 0x06 0x01                   Get Device ID: the simulated BMC's answer.
//   raw 0x0a 0x11 DEV LO HI COUNT   Read FRU Data: " 01 xx" (count, then the bytes), newline.
//   raw 0x0a 0x12 DEV LO HI DATA... Write FRU Data: " 01" (count written), newline.
//   fru | fru print                 decoded listing of device 0 and of every other device file.
//   fru print N                     decoded listing of device N.
//   fru read N FILE                 the whole device (1280 bytes) into FILE.
//   fru write N FILE                FILE's bytes onto the device from offset 0.
// As the real 1.8.19 does over the LAN, the fake catches SIGINT, whatever it inherits, and ends
// with status 255 (before it stores anything). "fru read" and "fru write" of a device that has no
// file print nothing, leave FILE alone and exit 0, and "fru write" exits 0 even when the write
// failed. The fault modes apply to them: TARNWICK_FAKE_READ_FAIL writes no FILE; a read failing at
// an offset writes the whole FILE, zeros from there on, and says so on standard error only, with
// status 0; a failing write stores the bytes before the failing offset (none with
// TARNWICK_FAKE_WRITE_FAIL). Anything else: message on stderr, exit 1. Checksums are not checked,
// as by the real utility.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t device_size = 1280;

std::string fake_dir;

// The size the devices have, TARNWICK_FAKE_SIZE or the whole file.
size_t fru_size() {
    const char* v = std::getenv("TARNWICK_FAKE_SIZE");
    return v != nullptr && *v != '\0' ? std::min<size_t>(std::strtoul(v, nullptr, 10), device_size)
                                      : device_size;
}

std::string device_path(unsigned id) {
    return fake_dir + "/fru" + std::to_string(id) + ".bin";
}

void die(const char* message) {
    std::fprintf(stderr, "%s\n", message);
    std::exit(1);
}

// Opens device `id`, creating it as 1280 zero bytes when it does not exist yet.
int open_device(unsigned id) {
    std::string path = device_path(id);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
        if (ftruncate(fd, device_size) != 0) {
            die("fake ipmitool: cannot size device file");
        }
        return fd;
    }
    if (errno != EEXIST) {
        die("fake ipmitool: cannot create device file");
    }
    fd = open(path.c_str(), O_RDWR);
    if (fd < 0) {
        die("fake ipmitool: cannot open device file");
    }
    return fd;
}

std::vector<uint8_t> load_device(unsigned id) {
    int fd = open_device(id);
    std::vector<uint8_t> bytes(device_size, 0);
    ssize_t got = pread(fd, bytes.data(), bytes.size(), 0);
    close(fd);
    if (got < 0) {
        die("fake ipmitool: cannot read device file");
    }
    return bytes; // a short file reads as zeros past its end
}

void log_command(int argc, char** argv) {
    std::string line = "ipmitool";
    for (int i = 1; i < argc; ++i) {
        line += ' ';
        line += argv[i];
    }
    line += '\n';
    std::string path = fake_dir + "/commands.log";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        die("fake ipmitool: cannot write commands.log");
    }
    close(fd);
}

bool env_flag(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && std::strcmp(v, "1") == 0;
}

// The decimal offset named by a fault variable, or -1 when it is not set.
long env_offset(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') {
        return -1;
    }
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    return *end == '\0' ? n : -1;
}

// A number as the real utility takes it: C notation (0x.., 0.., decimal), whole text, no sign.
bool parse_number(const char* text, unsigned long max, unsigned long& value) {
    if (*text == '\0' || *text == '-' || *text == '+' || *text == ' ') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return errno == 0 && *end == '\0' && value <= max;
}

[[noreturn]] void raw_failure(unsigned cmd, unsigned rsp, const char* text) {
    std::fprintf(
        stderr,
        "Unable to send RAW command (channel=0x0 netfn=0xa lun=0x0 cmd=0x%x rsp=0x%x): %s\n", cmd,
        rsp, text);
    std::exit(1);
}

bool covers(long at, unsigned long offset, size_t count) {
    return at >= 0 && static_cast<unsigned long>(at) >= offset &&
           static_cast<unsigned long>(at) < offset + count;
}

// The keyboard's interrupt reaches every process of the foreground group: the tool, and its
// shell, this utility and awk when they run in the tool's group.
void interrupt_if_asked(unsigned long offset, size_t count, const char* kind) {
    const char* only = std::getenv("TARNWICK_FAKE_INTERRUPT_ON");
    if (!covers(env_offset("TARNWICK_FAKE_INTERRUPT_AT"), offset, count) ||
        (only != nullptr && *only != '\0' && std::strcmp(only, kind) != 0)) {
        return;
    }
    const char* name = std::getenv("TARNWICK_FAKE_INTERRUPT_SIGNAL");
    const std::string which = name != nullptr ? name : "INT";
    const int signal = which == "QUIT"   ? SIGQUIT
                       : which == "TERM" ? SIGTERM
                       : which == "HUP"  ? SIGHUP
                                         : SIGINT;
    const pid_t leader = getsid(0);
    kill(env_flag("TARNWICK_FAKE_INTERRUPT_TOOL") ? leader : -leader, signal);
    if (env_flag("TARNWICK_FAKE_INTERRUPT_ALL")) {
        kill(0, signal);
    }
}

int run_raw(int argc, char** argv) {
    // argv: raw NETFN CMD DATA...
    std::vector<unsigned long> bytes;
    for (int i = 2; i < argc; ++i) {
        unsigned long v = 0;
        if (!parse_number(argv[i], 0xff, v)) {
            std::fprintf(stderr, "Given data \"%s\" is invalid.\n", argv[i]);
            return 1;
        }
        bytes.push_back(v);
    }
    if (bytes.size() < 2) {
        die("Not enough parameters given.");
    }
    unsigned long netfn = bytes[0];
    unsigned long cmd = bytes[1];
    std::vector<unsigned long> data(bytes.begin() + 2, bytes.end());
    if (netfn == 0x06 && cmd == 0x01 && data.empty()) {
        std::printf(" 00 03 09 08 02 9f 91 12 00 02 0f 00 00 00 00\n");
        return 0;
    }
    if (netfn != 0x0a || (cmd != 0x11 && cmd != 0x12)) {
        std::fprintf(stderr,
                     "Unable to send RAW command (channel=0x0 netfn=0x%lx lun=0x0 cmd=0x%lx "
                     "rsp=0xc1): Invalid command\n",
                     netfn, cmd);
        return 1;
    }
    const long down_at = env_offset("TARNWICK_FAKE_NO_BMC_AT");
    if (down_at >= 0 && data.size() >= 3 &&
        data[2] * 256 + data[1] >= static_cast<unsigned long>(down_at)) {
        die("Error: Unable to establish IPMI v2 / RMCP+ session");
    }
    if (cmd == 0x11) {
        if (data.size() != 4) {
            raw_failure(0x11, 0xc7, "Request data length invalid");
        }
        unsigned dev = static_cast<unsigned>(data[0]);
        unsigned long offset = data[2] * 256 + data[1];
        unsigned long count = data[3];
        if (offset >= fru_size()) {
            raw_failure(0x11, 0xff, "Unspecified error");
        }
        if (count > fru_size() - offset) {
            count = fru_size() - offset;
        }
        interrupt_if_asked(offset, count == 0 ? 1 : count, "read");
        if (env_flag("TARNWICK_FAKE_READ_FAIL") ||
            covers(env_offset("TARNWICK_FAKE_READ_FAIL_AT"), offset, count == 0 ? 1 : count)) {
            raw_failure(0x11, 0xff, "Unspecified error");
        }
        std::vector<uint8_t> device = load_device(dev);
        std::vector<uint8_t> response;
        response.push_back(static_cast<uint8_t>(count));
        for (unsigned long i = 0; i < count; ++i) {
            response.push_back(device[offset + i]);
        }
        std::string out;
        char buf[8];
        for (size_t i = 0; i < response.size(); ++i) {
            if (i != 0 && i % 16 == 0) {
                out += '\n';
            }
            std::snprintf(buf, sizeof buf, " %02x", response[i]);
            out += buf;
        }
        out += '\n';
        std::fputs(out.c_str(), stdout);
        return 0;
    }
    // Write FRU Data.
    if (data.size() < 4) {
        raw_failure(0x12, 0xc7, "Request data length invalid");
    }
    unsigned dev = static_cast<unsigned>(data[0]);
    unsigned long offset = data[2] * 256 + data[1];
    size_t count = data.size() - 3;
    if (offset + count > fru_size()) {
        raw_failure(0x12, 0xc9, "Parameter out of range");
    }
    interrupt_if_asked(offset, count, "write");
    if (env_flag("TARNWICK_FAKE_WRITE_FAIL") ||
        covers(env_offset("TARNWICK_FAKE_WRITE_FAIL_AT"), offset, count)) {
        raw_failure(0x12, 0xff, "Unspecified error");
    }
    if (!env_flag("TARNWICK_FAKE_WRITE_IGNORE")) {
        long corrupt_at = env_offset("TARNWICK_FAKE_CORRUPT_AT");
        std::vector<uint8_t> stored;
        for (size_t i = 0; i < count; ++i) {
            uint8_t b = static_cast<uint8_t>(data[3 + i]);
            if (corrupt_at >= 0 && static_cast<unsigned long>(corrupt_at) == offset + i) {
                b = static_cast<uint8_t>(b + 1);
            }
            stored.push_back(b);
        }
        int fd = open_device(dev);
        if (pwrite(fd, stored.data(), stored.size(), static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(stored.size())) {
            die("fake ipmitool: cannot write device file");
        }
        close(fd);
    }
    std::printf(" %02zx\n", count);
    return 0;
}

const char* chassis_type_name(uint8_t type) {
    static const char* const names[] = {"Unspecified",
                                        "Other",
                                        "Unknown",
                                        "Desktop",
                                        "Low Profile Desktop",
                                        "Pizza Box",
                                        "Mini Tower",
                                        "Tower",
                                        "Portable",
                                        "LapTop",
                                        "Notebook",
                                        "Hand Held",
                                        "Docking Station",
                                        "All in One",
                                        "Sub Notebook",
                                        "Space-saving",
                                        "Lunch Box",
                                        "Main Server Chassis",
                                        "Expansion Chassis",
                                        "SubChassis",
                                        "Bus Expansion Chassis",
                                        "Peripheral Chassis",
                                        "RAID Chassis",
                                        "Rack Mount Chassis"};
    return type < sizeof names / sizeof names[0] ? names[type] : "Unknown";
}

void add_line(std::string& out, const char* label, const std::string& text) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " %-22s: ", label);
    out += buf;
    out += text;
    out += '\n';
}

// Walks the type/length-prefixed fields of one info area from `pos` up to the end-of-fields
// marker or the area end. `labels` names the fields in order; a null label is a field that is
// never shown (FRU file ID); fields past the list are custom fields shown as `extra`.
void decode_fields(const std::vector<uint8_t>& d, size_t pos, size_t end,
                   const std::vector<const char*>& labels, const char* extra, std::string& out) {
    for (size_t index = 0; pos < end; ++index) {
        uint8_t tl = d[pos++];
        if (tl == 0xC1) {
            break;
        }
        size_t len = tl & 0x3F;
        if (pos + len > end) {
            break;
        }
        const char* label = index < labels.size() ? labels[index] : extra;
        std::string text;
        for (size_t i = 0; i < len && d[pos + i] != 0; ++i) {
            text += static_cast<char>(d[pos + i]);
        }
        if (label != nullptr && !text.empty()) {
            add_line(out, label, text);
        }
        pos += len;
    }
}

std::string mfg_date(const std::vector<uint8_t>& d, size_t at) {
    unsigned long minutes =
        d[at] | (d[at + 1] << 8) | (static_cast<unsigned long>(d[at + 2]) << 16);
    if (minutes == 0) {
        return "Unspecified";
    }
    time_t t = static_cast<time_t>(820454400 + minutes * 60); // 1996-01-01 00:00 UTC
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y UTC", &tm);
    return buf;
}

// One area from the header offset byte at `header_index`: [start, end) or false when absent.
bool locate_area(const std::vector<uint8_t>& d, int header_index, size_t& start, size_t& end) {
    start = d[header_index] * 8u;
    if (start == 0 || start + 2 > d.size()) {
        return false;
    }
    end = start + d[start + 1] * 8u;
    if (end > d.size()) {
        end = d.size();
    }
    return end > start;
}

// The decoded listing of one device in the real utility's format. False (with the message on
// stderr and nothing decoded) when the common header is not of a known version.
bool decode_device(unsigned id, std::string& out) {
    if (env_flag("TARNWICK_FAKE_READ_FAIL")) {
        out += " Device not present (Unspecified error)\n";
        return false;
    }
    std::vector<uint8_t> d = load_device(id);
    if (d[0] != 1) {
        std::fflush(stdout);
        std::fprintf(stderr, " Unknown FRU header version 0x%02x\n", d[0]);
        return false;
    }
    size_t start = 0;
    size_t end = 0;
    if (locate_area(d, 2, start, end) && start + 3 <= end) {
        add_line(out, "Chassis Type", chassis_type_name(d[start + 2]));
        decode_fields(d, start + 3, end, {"Chassis Part Number", "Chassis Serial"}, "Chassis Extra",
                      out);
    }
    if (locate_area(d, 3, start, end) && start + 6 <= end) {
        add_line(out, "Board Mfg Date", mfg_date(d, start + 3));
        decode_fields(d, start + 6, end,
                      {"Board Mfg", "Board Product", "Board Serial", "Board Part Number", nullptr},
                      "Board Extra", out);
    }
    if (locate_area(d, 4, start, end) && start + 3 <= end) {
        decode_fields(d, start + 3, end,
                      {"Product Manufacturer", "Product Name", "Product Part Number",
                       "Product Version", "Product Serial", "Product Asset Tag", nullptr},
                      "Product Extra", out);
    }
    return true;
}

// Device IDs 1 to 255 that have a file, ascending.
std::vector<unsigned> other_devices() {
    std::vector<bool> present(256, false);
    if (DIR* dir = opendir(fake_dir.c_str())) {
        while (struct dirent* e = readdir(dir)) {
            unsigned id = 0;
            int used = 0;
            if (std::sscanf(e->d_name, "fru%u.bin%n", &id, &used) == 1 && e->d_name[used] == '\0' &&
                id >= 1 && id <= 255 &&
                std::strcmp(e->d_name, ("fru" + std::to_string(id) + ".bin").c_str()) == 0) {
                present[id] = true;
            }
        }
        closedir(dir);
    }
    std::vector<unsigned> ids;
    for (unsigned id = 1; id < 256; ++id) {
        if (present[id]) {
            ids.push_back(id);
        }
    }
    return ids;
}

bool device_exists(unsigned id) {
    struct stat status {};
    return stat(device_path(id).c_str(), &status) == 0;
}

int run_fru_read(unsigned id, const char* path) {
    if (!device_exists(id)) {
        return 0;
    }
    interrupt_if_asked(0, device_size, "read");
    if (env_flag("TARNWICK_FAKE_READ_FAIL")) {
        raw_failure(0x11, 0xff, "Unspecified error");
    }
    std::vector<uint8_t> bytes = load_device(id);
    bytes.resize(fru_size());
    // As the real utility: a part that fails reads as zeros, is reported on standard error only,
    // and the whole file is written all the same, with status 0.
    const long fail_at = env_offset("TARNWICK_FAKE_READ_FAIL_AT");
    if (covers(fail_at, 0, bytes.size())) {
        std::fill(bytes.begin() + fail_at, bytes.end(), 0);
        std::fprintf(stderr, "FRU Read failed: Unspecified error\n");
    }
    std::printf("Fru Size         : %zu bytes\n", bytes.size());
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "Error opening file %s\n", path);
        return 1;
    }
    const char* end = std::getenv("TARNWICK_FAKE_READ_END");
    const std::string how = end != nullptr ? end : "";
    std::printf("%s", how == "said" ? "FRU Read failed: Unspecified error\n" : "Done\n");
    std::fflush(stdout);
    if (how == "killed") {
        raise(SIGKILL);
    }
    if (how == "short" && truncate(path, 512) != 0) {
        die("fake ipmitool: cannot cut FILE");
    }
    return 0;
}

int run_fru_write(unsigned id, const char* path) {
    if (!device_exists(id)) {
        return 0;
    }
    std::vector<uint8_t> bytes;
    if (FILE* in = std::fopen(path, "rb")) {
        int c = 0;
        while ((c = std::fgetc(in)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(in);
    } else {
        std::fprintf(stderr, "Error opening input file %s\n", path);
        return 1;
    }
    std::printf("Fru Size         : %zu bytes\nSize to Write    : %zu bytes\n", fru_size(),
                bytes.size());
    bytes.resize(std::min(bytes.size(), fru_size()));
    interrupt_if_asked(0, bytes.size(), "write");
    if (const char* gate = std::getenv("TARNWICK_FAKE_WRITE_WAIT")) {
        const int fd = open(gate, O_RDONLY);
        char byte = 0;
        while (fd >= 0 && read(fd, &byte, 1) > 0) {
        }
        close(fd);
    }
    size_t stored = bytes.size();
    const long fail_at = env_offset("TARNWICK_FAKE_WRITE_FAIL_AT");
    if (env_flag("TARNWICK_FAKE_WRITE_FAIL")) {
        stored = 0;
    } else if (covers(fail_at, 0, bytes.size())) {
        stored = static_cast<size_t>(fail_at);
    }
    if (env_flag("TARNWICK_FAKE_WRITE_IGNORE")) {
        stored = 0;
    }
    const long corrupt_at = env_offset("TARNWICK_FAKE_CORRUPT_AT");
    if (covers(corrupt_at, 0, stored)) {
        bytes[static_cast<size_t>(corrupt_at)] += 1;
    }
    int fd = open_device(id);
    if (pwrite(fd, bytes.data(), stored, 0) != static_cast<ssize_t>(stored)) {
        die("fake ipmitool: cannot write device file");
    }
    close(fd);
    if (stored < bytes.size() && !env_flag("TARNWICK_FAKE_WRITE_IGNORE")) {
        std::fprintf(stderr, "FRU Write failed at offset %zu\n", stored);
    }
    if (env_flag("TARNWICK_FAKE_NO_BMC_AFTER_WRITE")) {
        close(open((fake_dir + "/bmc_gone").c_str(), O_WRONLY | O_CREAT, 0666));
    }
    return 0; // whatever happened, as the real utility
}

int run_fru(int argc, char** argv) {
    if (argc == 5 && (std::strcmp(argv[2], "read") == 0 || std::strcmp(argv[2], "write") == 0)) {
        unsigned long id = 0;
        if (!parse_number(argv[3], 0xff, id)) {
            std::fprintf(stderr, "FRU ID '%s' is either invalid or out of range.\n", argv[3]);
            return 1;
        }
        return std::strcmp(argv[2], "read") == 0
                   ? run_fru_read(static_cast<unsigned>(id), argv[4])
                   : run_fru_write(static_cast<unsigned>(id), argv[4]);
    }
    bool all = argc == 2 || (argc == 3 && std::strcmp(argv[2], "print") == 0);
    if (!all && std::strcmp(argv[2], "print") != 0) {
        std::fprintf(stderr, "Invalid FRU command: %s\n", argv[2]);
        std::fprintf(stderr, "FRU Commands:  print read write upgEkey edit internaluse get\n");
        return 1;
    }
    if (!all) {
        unsigned long id = 0;
        if (argc != 4 || !parse_number(argv[3], 0xff, id)) {
            std::fprintf(stderr, "FRU ID '%s' is either invalid or out of range.\n",
                         argc > 3 ? argv[3] : "");
            return 1;
        }
        std::string out;
        bool ok = decode_device(static_cast<unsigned>(id), out);
        std::fputs(out.c_str(), stdout);
        return ok ? 0 : 1;
    }
    bool ok = true;
    std::vector<unsigned> ids = other_devices();
    ids.insert(ids.begin(), 0);
    for (unsigned id : ids) {
        std::string out;
        if (id == 0) {
            out = "FRU Device Description : Builtin FRU Device (ID 0)\n";
        } else {
            out = "FRU Device Description : FRU " + std::to_string(id) + " (ID " +
                  std::to_string(id) + ")\n";
        }
        std::fputs(out.c_str(), stdout);
        out.clear();
        ok = decode_device(id, out) && ok;
        out += '\n';
        std::fputs(out.c_str(), stdout);
    }
    return ok ? 0 : 1;
}

// Takes the LAN options off the front of argv and checks the session they would open. Returns
// the index of the command word.
int open_session(int argc, char** argv) {
    const char* expected = std::getenv("TARNWICK_FAKE_PASSWORD");
    const char* refused = std::getenv("TARNWICK_FAKE_REFUSE_SUITE");
    const char* password = nullptr;
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-'; ++i) {
        const std::string option = argv[i];
        if (option == "-E") {
            password = std::getenv("IPMITOOL_PASSWORD");
            password = password != nullptr ? password : std::getenv("IPMI_PASSWORD");
            password = password != nullptr ? password : "";
            continue;
        }
        const char* value = argv[++i];
        if (option == "-C" && refused != nullptr && std::strcmp(value, refused) == 0) {
            die("Error in open session response message : invalid authentication algorithm\n\n"
                "Error: Unable to establish IPMI v2 / RMCP+ session");
        }
        static char line[256]; // the file's first line
        if (option == "-f") {
            FILE* in = std::fopen(value, "r");
            password = in != nullptr && std::fgets(line, sizeof line, in) != nullptr ? line : "";
            line[std::strcspn(line, "\n")] = '\0';
            if (in != nullptr) {
                std::fclose(in);
            }
        }
    }
    if (password != nullptr && expected != nullptr && std::strcmp(password, expected) != 0) {
        die("Error: Unable to establish IPMI v2 / RMCP+ session");
    }
    return i;
}

} // namespace

int main(int argc, char** argv) {
    signal(SIGINT, [](int) { _exit(255); });
    const char* dir = std::getenv("TARNWICK_FAKE_DIR");
    if (dir == nullptr || *dir == '\0') {
        die("fake ipmitool: TARNWICK_FAKE_DIR is not set");
    }
    fake_dir = dir;
    log_command(argc, argv);
    struct stat gone {};
    if (env_flag("TARNWICK_FAKE_NO_BMC") || (env_flag("TARNWICK_FAKE_NO_BMC_AFTER_WRITE") &&
                                             stat((fake_dir + "/bmc_gone").c_str(), &gone) == 0)) {
        die("Error: Unable to establish IPMI v2 / RMCP+ session");
    }
    const int command = open_session(argc, argv) - 1;
    argc -= command;
    argv += command;
    if (argc >= 2 && std::strcmp(argv[1], "raw") == 0) {
        return run_raw(argc, argv);
    }
    if (argc >= 2 && std::strcmp(argv[1], "fru") == 0) {
        return run_fru(argc, argv);
    }
    std::fprintf(stderr, "fake ipmitool: unsupported command:");
    for (int i = 1; i < argc; ++i) {
        std::fprintf(stderr, " %s", argv[i]);
    }
    std::fprintf(stderr, "\n");
    return 1;
}
