// The floor for tarnwick's run time: hands each line of a file to the shell, one system() call
// per line, in order, and does nothing else. Given the exact command lines of a tarnwick run, the
// difference between the two run times is what the tool itself adds.
// With an empty file it is also the smallest C++ program to compare peak memory with.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: floor COMMAND_FILE\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "floor: cannot open " << argv[1] << "\n";
        return 2;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::fflush(stdout);
        [[maybe_unused]] int status = std::system(line.c_str());
    }
    return 0;
}
