// The one way the core opens files: a small handle over CreateFileA/ReadFile/WriteFile on
// Windows and POSIX natively, so results carry the system's own error numbers. Files are opened
// without sharing for one operation and closed before it returns (the destructor closes too).
#pragma once

#include <cstddef>
#include <cstdint>

enum class FileDisposition {
    kOpenAlways,    // open, or create when missing; never truncates
    kCreateAlways,  // create, replacing an existing file
    kOpenExisting,
};

enum FileAccess : int { kFileRead = 1, kFileWrite = 2, kFileReadWrite = 3 };

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { static_cast<void>(Close()); }  // an error path's close has nothing to add

    // 0 or the system error code.
    [[nodiscard]] int32_t Open(const char* name, int access, FileDisposition disposition);
    // After kOpenAlways: whether the file was there before the open.
    bool Existed() const { return existed_; }
    bool IsOpen() const { return handle_ != kInvalid; }
    // Read up to n bytes (loops until n or end of file): 0 or the system error code.
    [[nodiscard]] int32_t Read(void* buffer, uint32_t n, uint32_t* got);
    // Write n bytes: 0 or the system error code; *written says how many reached the file.
    [[nodiscard]] int32_t Write(const void* buffer, uint32_t n, uint32_t* written);
    // Move to a byte offset from the start: 0 or the system error code.
    [[nodiscard]] int32_t Seek(uint32_t offset);
    // Bytes written so far reach the disk before this returns: 0 or the system error code.
    [[nodiscard]] int32_t Flush();
    // 0 or the system error code; closing a closed file does nothing.
    [[nodiscard]] int32_t Close();

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    bool existed_ = false;
};

// Whole-record helpers: 0, kResultShortTransfer when fewer bytes moved, or the error code.
[[nodiscard]] int32_t ReadRecord(File& f, void* record, uint32_t size);
[[nodiscard]] int32_t WriteRecord(File& f, const void* record, uint32_t size);

// Whether an open failed because the file (or its folder) does not exist.
[[nodiscard]] bool IsMissingFile(int32_t openResult);
// Renames a complete file over another, replacing it in one step (written through): 0 or the
// system error code. Both name files in the same folder.
[[nodiscard]] int32_t MoveFileOver(const char* from, const char* to);
// Removes a file; a missing file is no error worth reporting.
void RemoveFile(const char* name);
// Gives the whole pages inside [data, data + size) back to the system: the memory stays the
// caller's, its content is undefined until written again. For a scratch record that is used
// rarely and should not stay resident between uses.
void ReleasePages(void* data, std::size_t size);
// The whole pages inside a range: false when it holds none.
bool WholePages(void* data, std::size_t size, uintptr_t& first, std::size_t& length);
// The full path of a name against the working folder now; false when it does not fit in size.
[[nodiscard]] bool FullPathOf(const char* name, char* out, std::size_t size);

// A file the user chose, written so that a failed or interrupted write never empties or cuts it:
// the bytes go to "<name>.tmp" beside it, which takes its place only once complete and flushed.
// Until Commit() succeeds the old file stays as it was; an uncommitted temporary is removed.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() { Abandon(); }

    // Create the temporary beside `name`: 0 or the system error code.
    [[nodiscard]] int32_t Open(const char* name);
    File& file() { return file_; }
    // Flush, close and replace the named file: 0 or the system error code (the old file is then
    // untouched and the temporary gone). On a failure, *replacing tells whether the temporary was
    // complete and only putting it in place failed.
    [[nodiscard]] int32_t Commit(bool* replacing = nullptr);
    // Drop the temporary; the named file stays as it was.
    void Abandon();

private:
    static constexpr int kNameSize = 512;  // a 255-character name, its ".tmp", and room to spare
    File file_;
    char target_[kNameSize] = {};
    char temporary_[kNameSize] = {};
    bool pending_ = false;
};
