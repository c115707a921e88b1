// Test bench: runs the built tool in a scratch working directory with the fake IPMI utility
// first on PATH, and gives tests the fake devices' bytes and the commands the tool ran.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Size of a fake FRU device, in bytes.
constexpr size_t device_size = 1280;

// Paths of the built tool and of the fake utility's directory.
std::string tool_path();
std::string fakebin_dir();

struct RunResult {
    std::string out;                   // captured standard output
    std::string err;                   // captured standard error
    int status = -1;                   // exit status; 128 + signal number when killed by a signal
    std::vector<std::string> commands; // command lines the fake utility logged during this run
};

// One scratch setup: a root temporary directory holding the working directory ("work"), the
// fake devices ("dev") and room for files outside the working directory ("outside"). All of it
// is removed by the destructor.
class Bench {
  public:
    Bench();
    ~Bench();
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Device bytes: set_device writes fru<id>.bin, padded with zeros to 1280 bytes; device reads
    // it back (1280 zeros when the file does not exist).
    void set_device(int id, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> device(int id) const;
    bool has_device(int id) const;

    // A file in the working directory.
    void write_file(const std::string& name, const std::string& content);
    std::string read_file(const std::string& name) const;

    // Extra environment for the following runs (fault modes of the fake, for instance);
    // clear_env drops them all. Inherited TARNWICK_FAKE_* variables are never passed on.
    void set_env(const std::string& key, const std::string& value);
    void clear_env();

    // Runs the tool with `args` in the working directory: stdin from /dev/null, stdout and stderr
    // captured separately, PATH with the fake first, TZ=UTC, TARNWICK_FAKE_DIR, TMPDIR and
    // TARNWICK_LOCK_DIR set, an inherited TARNWICK_BULK, TARNWICK_BMC* or BMC password dropped. A
    // run that takes longer than `timeout_seconds` is killed (with its children) and fails the
    // test.
    RunResult run(const std::vector<std::string>& args, int timeout_seconds = 300);
    // The same environment, running the fake utility itself with `args`.
    RunResult run_fake(const std::vector<std::string>& args);
    // The same environment, running `command` through /bin/sh -c.
    RunResult run_shell(const std::string& command, int timeout_seconds = 60);

    // When set, later runs drop root privileges to this user and group ID before starting (the
    // scratch directories are opened up for it, and the tool and the fake are copied into the
    // bench, as the build tree may lie where that user cannot go). For tests of permission
    // failures as root.
    void run_as(unsigned uid, unsigned gid);

    // Every command line the fake has logged since the bench was made.
    std::vector<std::string> all_commands() const;
    // Names in the working directory, sorted.
    std::vector<std::string> files_left() const;

    std::string work_dir() const {
        return root_ + "/work";
    }
    std::string device_dir() const {
        return root_ + "/dev";
    }
    // A directory outside the working directory, for symlink targets and the like.
    std::string outside_dir() const {
        return root_ + "/outside";
    }
    // TMPDIR of the runs (bulk mode's private files), unless set_env gives another.
    std::string temp_dir() const {
        return root_ + "/tmp";
    }
    // TARNWICK_LOCK_DIR of the runs (the device locks of writes; mode 0700), unless set_env gives
    // another.
    std::string lock_dir() const {
        return root_ + "/locks";
    }

  private:
    RunResult exec(const std::string& path, const std::vector<std::string>& args,
                   int timeout_seconds);
    std::string root_;
    std::string tool_ = tool_path();
    std::string fakebin_ = fakebin_dir();
    std::map<std::string, std::string> env_;
    bool drop_privileges_ = false;
    unsigned uid_ = 0;
    unsigned gid_ = 0;
};

// Checks a FRU image read from a device: header bytes 0-7 add up to 0, header format version 1,
// each area named by the header (internal use, chassis, board, product) lies inside the image and
// has version 1, each info area adds up to 0 modulo 256 over its length, and its type/length bytes
// are 8-bit text fields that lead exactly to the 0xC1 end-of-fields marker inside the area.
// Returns one readable line per problem; empty for a valid image.
std::vector<std::string> fru_image_problems(const std::vector<uint8_t>& image);

// The image part (the first 512 bytes) of a device's bytes.
std::vector<uint8_t> first_512(const std::vector<uint8_t>& device);

// Values for the reference image of the tool's fixed 512-byte layout. Text longer than its field
// is cut to the field length.
struct ImageFields {
    std::string chassis_part_number, chassis_serial, chassis_custom;
    std::string board_manufacturer, board_product, board_serial, board_part_number, board_file_id;
    std::string product_manufacturer, product_name, product_part_number, product_version,
        product_serial, product_asset_tag, product_file_id;
    uint8_t mfg_date[3] = {0, 0, 0}; // minutes since 1996-01-01 00:00 UTC, least significant first
};

// The 512-byte image of the tool's fixed layout with its defaults, the given texts and valid area
// checksums; what a device holds after a successful initialisation.
std::vector<uint8_t> reference_image(const ImageFields& fields = {});

// A valid FRU image of another layout, as another tool may have written it: chassis, board and
// product areas at offsets 8, 32 and 80 with short fields, 0xff from 112 to 511.
std::vector<uint8_t> other_layout_image();

// examples/fruconfig.ini, and the image "-w" makes of it (its date 2026-12-07 08:30 UTC).
std::string example_config();
std::vector<uint8_t> example_image();

// Hex dump text of `bytes` in the tool's "-sbin" row format (rows of 16 bytes from offset 0).
std::string hex_dump(const std::vector<uint8_t>& bytes);

// Splits text into lines (without their newlines); a last line without newline counts too.
std::vector<std::string> split_lines(const std::string& text);

} // namespace bench
