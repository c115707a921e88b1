// Where the device locks of writes live, by who runs the tool and what the environment says.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "files/device_lock.h"
#include "process/interrupts.h"
#include "support.h"

TEST(LockDirectory, ChosenByUserAndEnvironment) {
    const struct {
        unsigned user;
        const char* lock_dir;    // TARNWICK_LOCK_DIR
        const char* runtime_dir; // XDG_RUNTIME_DIR
        const char* expected;
    } cases[] = {
        {0, nullptr, nullptr, "/run/tarnwick"},
        // Every root run shares one place, whatever its session says.
        {0, nullptr, "/run/user/0", "/run/tarnwick"},
        {0, "", nullptr, "/run/tarnwick"},
        {1000, nullptr, "/run/user/1000", "/run/user/1000/tarnwick"},
        {1000, nullptr, "/run/user/1000/", "/run/user/1000/tarnwick"},
        {1000, nullptr, nullptr, "/tmp/tarnwick-1000"},
        {1000, nullptr, "", "/tmp/tarnwick-1000"},
        {1000, nullptr, "run/user/1000", "/tmp/tarnwick-1000"}, // a relative one is no place
        {0, "/srv/bench/locks", nullptr, "/srv/bench/locks"},
        {1000, "/srv/bench/locks/", "/run/user/1000", "/srv/bench/locks"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.user) + " " + (c.lock_dir ? c.lock_dir : "(unset)") + " " +
                     (c.runtime_dir ? c.runtime_dir : "(unset)"));
        EXPECT_EQ(lock_directory_for(c.user, c.lock_dir, c.runtime_dir), c.expected);
    }
}

class DeviceLock : public tool_test {};

// A signal that came after the wait's handler was in place but before flock began ends the wait:
// it never waits for a second Ctrl-C.
TEST_F(DeviceLock, ASignalBeforeTheWaitBeginsEndsIt) {
    const std::string path = std::string(std::getenv("TARNWICK_LOCK_DIR")) + "/fru0.lock";
    const int other = open(path.c_str(), O_RDWR | O_CREAT, 0600); // another write holds it
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    const captured result = run_captured([] {
        alarm(10); // a wait the signal did not end fails the test instead of hanging it
        const interrupts_held holding;
        raise(SIGINT);
        lock_device_for_writing();
    });
    close(other);
    EXPECT_EQ(result.out, "Waiting for another tarnwick write to FRU device 0...\n");
    EXPECT_EQ(result.status, 128 + SIGINT);
}
