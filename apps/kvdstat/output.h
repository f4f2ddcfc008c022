// kvdstat's standard output and error: the text of a run written out, and a failure to write it
// (a full disk, a reader that closed the pipe) made an exit status with its message.
#pragma once

#include <cstdio>
#include <string>

namespace kvdstat {

// A closed pipe gives EPIPE on the write (reported) rather than a silent end by SIGPIPE.
void IgnoreBrokenPipe();

// Writes out to `to` and err to `messages`; returns result, or kExitFailed (with a message on
// `messages`) when out could not be written whole.
[[nodiscard]] int WriteRunOutput(int result, const std::string& out, const std::string& err, std::FILE* to,
                                 std::FILE* messages);

}  // namespace kvdstat
