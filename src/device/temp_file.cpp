#include "device/temp_file.h"

#include <sys/stat.h>

#include <cstdio>

#include "cli/fail.h"
#include "device/command_runner.h"

void guard_temp_file(const char* name) {
    struct stat status {};
    if (lstat(name, &status) == 0 && !S_ISREG(status.st_mode)) {
        fail("Temporary file \"%s\" exists and is not a regular file; remove it and try again.\n",
             name);
    }
}

std::string take_temp_file(const char* name, std::size_t max_chars) {
    std::FILE* file = std::fopen(name, "r");
    if (file == nullptr) {
        fail("Can not open temporary file \"%s\".\n", name);
    }
    std::string content(max_chars, '\0');
    content.resize(std::fread(content.data(), 1, max_chars, file));
    std::fclose(file);
    run_command(format_text("rm -rf %s", name));
    return content;
}
