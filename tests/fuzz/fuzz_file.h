// The file readers are fuzzed through real files: each input is written to a file in a folder
// of its own (in memory when /dev/shm exists), which is the working directory of the target from
// the first input on: give the fuzzer absolute paths for its corpus and artifacts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

// Once per process: a fresh folder as the working directory.
inline void EnterFuzzFolder() {
    static bool entered = false;
    if (entered) return;
    char folder[] = "/dev/shm/zavize-fuzz-XXXXXX";
    char fallback[] = "/tmp/zavize-fuzz-XXXXXX";
    const char* made = mkdtemp(folder);
    if (made == nullptr) made = mkdtemp(fallback);
    if (made == nullptr || chdir(made) != 0) FuzzFail("a working folder for the fuzz files");
    entered = true;
    // The folder goes when the fuzzer ends normally (a finding aborts and leaves it to look at).
    static char folderMade[64];
    std::snprintf(folderMade, sizeof folderMade, "%s", made);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folderMade, ignored);
    });
}

// The file holds exactly these bytes, then `size` is extended with zero bytes to `length` when
// that is larger (a sparse tail: no 1.6 MB write per input).
inline void WriteFuzzFile(const char* name, const uint8_t* data, size_t size, size_t length = 0) {
    EnterFuzzFolder();
    const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) FuzzFail("the fuzz file opens");
    size_t done = 0;
    while (done < size) {
        const ssize_t w = write(fd, data + done, size - done);
        if (w <= 0) FuzzFail("the fuzz file is written");
        done += static_cast<size_t>(w);
    }
    if (length > size && ftruncate(fd, static_cast<off_t>(length)) != 0) FuzzFail("the fuzz file grows");
    close(fd);
}
