// kvdstat: questions about the cuts' histories, from statistics files and cycle journals.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "output.h"

int main(int argc, char** argv) {
    kvdstat::IgnoreBrokenPipe();
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int result = kvdstat::RunKvdstat(args, out, err);
    return kvdstat::WriteRunOutput(result, out, err, stdout, stderr);
}
