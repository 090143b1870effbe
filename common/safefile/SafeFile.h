#pragma once

#include <string>
#include <string_view>
#include <vector>

// Saving a file so that a failed or killed save never leaves a truncated or half-written file
// behind. Shared by the programs of this repository; it depends on nothing but POSIX.
//
// What a save does with what it finds at the path:
// - nothing, or a regular file: the new contents go to a temporary file in the same folder
//   (unnamed where the file system allows, so a killed save leaves nothing), which reaches
//   the disk and is then renamed over the target; an existing file keeps its permissions;
// - a symbolic link: the file it points to is saved that way and the link stays; a link to
//   nothing creates the file it names;
// - a character device or a FIFO (/dev/null, a terminal, a pipe): written directly, never
//   replaced; a FIFO that no program reads is refused rather than waited for;
// - a folder, a block device, a socket: refused;
// - a file whose permission bits allow no writing (0444): refused as read-only and kept,
//   also for root.
// Messages start with "cannot write PATH: " and name the path as given.
//
// A save replaces the file the path names: a hard link to the old file keeps the old
// contents under its other name.
namespace safefile {

// Whether a save to `path` can start: "" if so, else the reason. Writes nothing.
std::string CheckTarget(const std::string& path);

// A save in progress. Write buffers; Commit finishes the save. A writer destroyed without
// Commit leaves the target as it was.
class SafeFileWriter {
public:
    explicit SafeFileWriter(const std::string& path);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // "" while the save goes well, else the first reason it failed.
    const std::string& Error() const { return error_; }
    bool Ok() const { return error_.empty(); }

    void Write(std::string_view bytes);

    // Flushes, syncs and puts the file in place; returns Error().
    std::string Commit();

    // Puts several saves in place as one: all are written and synced first, then the files
    // of `remove` go and the saves are renamed over their targets in the order given. When
    // any step fails, every file is put back as it was and the first reason is returned.
    // (A save killed between the renames leaves the earlier ones in place.)
    static std::string CommitTogether(const std::vector<SafeFileWriter*>& saves,
                                      const std::vector<std::string>& remove = {});

private:
    void Open();
    void Prepare();
    void Flush();
    void WriteOut(std::string_view bytes);
    void Fail(int error);
    void Fail(const std::string& message);
    void Discard();

    std::string path_;       // as the caller gave it, for messages
    std::string target_;     // the regular file a rename replaces; empty when writing directly
    std::string prefix_;     // of the temporary's name: folder/.NAME.tmp-
    std::string temporary_;  // the temporary's name while it has one
    int fd_ = -1;
    bool replacing_ = false;
    bool existed_ = false;
    unsigned mode_ = 0;
    unsigned owner_ = 0, group_ = 0;
    bool committed_ = false;
    std::string buffer_;
    std::string error_;
};

// Saves `contents` to `path` as SafeFileWriter does; "" on success, else the reason.
std::string WriteWholeFile(const std::string& path, std::string_view contents);

}  // namespace safefile
