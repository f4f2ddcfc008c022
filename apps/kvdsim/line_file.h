// A text file written one line at a time and flushed at once, so that a test can read it while
// kvdsim runs.
#pragma once

#include <cstdio>
#include <string>

namespace kvdsim {

class LineFile {
public:
    LineFile() = default;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    ~LineFile() {
        if (file_) std::fclose(file_);
    }
    bool Open(const std::string& path) {
        file_ = std::fopen(path.c_str(), "w");
        return file_ != nullptr;
    }
    bool IsOpen() const { return file_ != nullptr; }
    void Write(const std::string& line) {
        if (!file_) return;
        std::fputs(line.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace kvdsim
