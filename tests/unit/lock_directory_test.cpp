// Where the device locks of writes live, by who runs the tool and what the environment says.
#include <gtest/gtest.h>

#include "files/device_lock.h"

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
