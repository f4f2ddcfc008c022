#include "output.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "cli.h"

namespace kvdstat {

void IgnoreBrokenPipe() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

int WriteRunOutput(int result, const std::string& out, const std::string& err, std::FILE* to,
                   std::FILE* messages) {
    errno = 0;
    const bool written = std::fwrite(out.data(), 1, out.size(), to) == out.size() && std::fflush(to) == 0;
    const int error = errno;
    std::fwrite(err.data(), 1, err.size(), messages);
    if (written) return result;
    const std::string message = std::string("kvdstat: the output could not be written: ") +
                                (error != 0 ? std::strerror(error) : "write failed") + "\n";
    std::fwrite(message.data(), 1, message.size(), messages);
    std::fflush(messages);
    return kExitFailed;
}

}  // namespace kvdstat
