// The read result file "tmp" in the working directory: the tool must never write through, or
// remove, something of that name that is not its own regular file, and must stop cleanly when it
// cannot use the file at all.
#include "tool_test.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using bench::Bench;
using bench::RunResult;

const std::string not_regular =
    "Temporary file \"tmp\" exists and is not a regular file; remove it and try again.\n";

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void expect_refused_before_any_command(const RunResult& r) {
    EXPECT_EQ(r.out, not_regular);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(r.commands.empty());
}

TEST(TempFile, DirectoryNamedTmpIsLeftAlone) {
    Bench b;
    b.set_device(0, bench::reference_image());
    const fs::path dir = fs::path(b.work_dir()) / "tmp";
    fs::create_directory(dir);
    { std::ofstream(dir / "keep.txt") << "user data\n"; }
    expect_refused_before_any_command(b.run({"0", "-sbin"}));
    ASSERT_TRUE(fs::is_directory(fs::symlink_status(dir)));
    EXPECT_EQ(slurp(dir / "keep.txt"), "user data\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(TempFile, SymlinkNamedTmpIsNotFollowed) {
    Bench b;
    b.set_device(0, bench::reference_image());
    const fs::path target = fs::path(b.outside_dir()) / "precious.txt";
    { std::ofstream(target) << "precious\n"; }
    const fs::path link = fs::path(b.work_dir()) / "tmp";
    fs::create_symlink(target, link);
    expect_refused_before_any_command(b.run({"0", "-sbin"}));
    EXPECT_EQ(slurp(target), "precious\n");
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
}

TEST(TempFile, DanglingSymlinkNamedTmpCreatesNothing) {
    Bench b;
    b.set_device(0, bench::reference_image());
    const fs::path target = fs::path(b.outside_dir()) / "missing.txt";
    const fs::path link = fs::path(b.work_dir()) / "tmp";
    fs::create_symlink(target, link);
    expect_refused_before_any_command(b.run({"0", "-sbin"}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(TempFile, UnwritableWorkingDirectoryStopsAtTheFirstRead) {
    Bench b;
    b.set_device(0, bench::reference_image());
    if (geteuid() == 0) {
        // Root writes into read-only directories; run the tool as the unprivileged "nobody".
        b.run_as(65534, 65534);
    }
    ASSERT_EQ(chmod(b.work_dir().c_str(), 0555), 0);
    RunResult r = b.run({"0", "-sbin"});
    if (r.status == 126) {
        GTEST_SKIP() << "cannot run the tool as an unprivileged user here";
    }
    EXPECT_EQ(r.out, "Can not open temporary file \"tmp\".\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_LE(r.commands.size(), 1u); // at most the first read ran
    EXPECT_TRUE(b.files_left().empty());
}

} // namespace
