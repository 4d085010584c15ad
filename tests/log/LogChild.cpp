// Helper process for the log tests: opens a log in the folder given as the first argument,
// writes one line, prints whether its log is open and waits for a line on standard input
// before it ends (so the parent can hold two logs open at once).
#include "log/LogManager.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    CLogManager log(argv[1]);
    log.Log("LogChild::main", "child line", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    std::printf("%s\n", log.IsOpen() ? "open" : "closed");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return 0;
}
