// kvdstat: questions about the cuts' histories, from statistics files and cycle journals.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int result = kvdstat::RunKvdstat(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return result;
}
