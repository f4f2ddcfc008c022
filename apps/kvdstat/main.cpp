// kvdstat: questions about the cuts' histories, from statistics files and cycle journals.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "output.h"
#if defined(KVDSTAT_DATABASE)
#include "stats/database_source.h"
#endif

int main(int argc, char** argv) {
    kvdstat::IgnoreBrokenPipe();
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
#if defined(KVDSTAT_DATABASE)
    const int result = kvdstat::RunKvdstat(args, out, err, kvdstat::ReadDatabase);
#else
    const int result = kvdstat::RunKvdstat(args, out, err);
#endif
    return kvdstat::WriteRunOutput(result, out, err, stdout, stderr);
}
