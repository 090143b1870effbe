#include "safefile/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace safefile {
namespace {

constexpr std::size_t kBufferBytes = 1 << 16;
constexpr int kMaxLinkHops = 40;
constexpr const char* kTemporaryMark = ".tmp-";
constexpr std::size_t kRandomChars = 6;
constexpr char kRandomAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string Reason(const std::string& path, const std::string& why) {
    return "cannot write " + path + ": " + why;
}

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string NameOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// What a save to a path will do, found before anything is written.
struct Target {
    std::string error;
    bool replace = false;  // else: written directly
    bool fifo = false;
    std::string file;  // the regular file to replace, or the path to open
    struct stat existing {};
    bool exists = false;
};

// The path a chain of symbolic links ends at, where nothing exists yet.
bool FollowDanglingLinks(std::string& file) {
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        if (lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = readlink(file.c_str(), link.data(), link.size());
        if (length < 0) return false;
        link.resize(static_cast<std::size_t>(length));
        file = link.front() == '/' ? link : FolderOf(file) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

Target Resolve(const std::string& path) {
    Target target;
    auto fail = [&](const std::string& why) {
        target.error = Reason(path, why);
        return target;
    };
    if (path.empty()) {
        target.error = "no output file given";
        return target;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) return fail(std::strerror(errno));
        // Nothing there, or a link to nothing: the save creates the file the link names.
        target.file = path;
        if (!FollowDanglingLinks(target.file)) return fail(std::strerror(errno));
        target.replace = true;
        return target;
    }
    if (S_ISDIR(info.st_mode)) return fail("it is a folder");
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
        if (access(path.c_str(), W_OK) != 0) return fail(std::strerror(errno));
        target.file = path;
        target.fifo = S_ISFIFO(info.st_mode);
        return target;
    }
    if (!S_ISREG(info.st_mode))
        return fail("it is neither a regular file nor a character device or FIFO");
    // No write bit at all is the owner's signal to keep the file, whoever saves.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return fail("it is read-only");
    if (access(path.c_str(), W_OK) != 0) return fail(std::strerror(errno));
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return fail(std::strerror(errno));
    target.file = real;
    free(real);
    target.replace = true;
    target.exists = true;
    target.existing = info;
    return target;
}

// ".NAME.tmp-" with NAME cut (at a character boundary) so that a temporary name stays
// within the folder's file-name limit.
std::string TemporaryPrefix(const std::string& folder, const std::string& name) {
    long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = NAME_MAX;
    const std::size_t room =
        static_cast<std::size_t>(limit) - 1 - std::strlen(kTemporaryMark) - kRandomChars;
    std::string stem = name;
    if (stem.size() > room) {
        stem.resize(room);
        while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80)
            stem.pop_back();
        if (!stem.empty() && static_cast<unsigned char>(stem.back()) >= 0xC0) stem.pop_back();
    }
    return "." + stem + kTemporaryMark;
}

std::string RandomChars() {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kRandomAlphabet - 2);
    std::string chars;
    for (std::size_t n = 0; n < kRandomChars; ++n) chars += kRandomAlphabet[pick(generator)];
    return chars;
}

bool IsTemporaryOf(const std::string& entry, const std::string& prefix) {
    return entry.size() == prefix.size() + kRandomChars &&
           entry.compare(0, prefix.size(), prefix) == 0 &&
           entry.find_first_not_of(kRandomAlphabet, prefix.size()) == std::string::npos;
}

// Temporaries of earlier saves of the same file that were killed between naming their
// temporary and the rename.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        if (!IsTemporaryOf(entry->d_name, prefix)) continue;
        const std::string file = folder + "/" + entry->d_name;
        struct stat info {};
        if (lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid())
            unlink(file.c_str());
    }
    closedir(dir);
}

// Gives the unnamed file `fd` a free name starting with `prefix`.
bool LinkUnder(int fd, const std::string& prefix, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + RandomChars();
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno == EEXIST) continue;
        // Without /proc, linking by descriptor needs CAP_DAC_READ_SEARCH.
        if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

int CreateNamed(const std::string& prefix, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + RandomChars();
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Keeps `file` under a temporary name beside it (a hard link), so that it can be put back;
// with `remove` the file then leaves its own name. No link where the file system has none:
// `aside` stays empty and only a removal is done. False when the file cannot go.
bool MoveAside(const std::string& file, std::string& aside, bool remove) {
    aside.clear();
    const std::string folder = FolderOf(file);
    const std::string prefix = folder + "/" + TemporaryPrefix(folder, NameOf(file));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = prefix + RandomChars();
        if (link(file.c_str(), name.c_str()) == 0) {
            aside = name;
            break;
        }
        if (errno == ENOENT) return true;  // nothing to keep
        if (errno != EEXIST) break;
    }
    if (!remove || unlink(file.c_str()) == 0 || errno == ENOENT) return true;
    const int error = errno;
    if (!aside.empty()) unlink(aside.c_str());
    aside.clear();
    errno = error;
    return false;
}

// Holds back the signals that end a program politely (Ctrl-C, kill, a closed terminal)
// while it lives; they arrive when it ends.
class QuietSignals {
public:
    QuietSignals() {
        sigset_t ending;
        sigemptyset(&ending);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, signal);
        pthread_sigmask(SIG_BLOCK, &ending, &before);
    }
    ~QuietSignals() { pthread_sigmask(SIG_SETMASK, &before, nullptr); }
    QuietSignals(const QuietSignals&) = delete;
    QuietSignals& operator=(const QuietSignals&) = delete;

private:
    sigset_t before;
};

}  // namespace

std::string CheckTarget(const std::string& path) {
    const Target target = Resolve(path);
    if (!target.error.empty() || !target.replace) return target.error;
    const std::string folder = FolderOf(target.file);
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Reason(path, "folder " + folder + " does not exist");
    if (access(folder.c_str(), W_OK) != 0)
        return Reason(path, "folder " + folder + " is not writable");
    return {};
}

SafeFileWriter::SafeFileWriter(const std::string& path) : path_(path) { Open(); }

SafeFileWriter::~SafeFileWriter() {
    if (!committed_) Discard();
}

void SafeFileWriter::Open() {
    const Target target = Resolve(path_);
    if (!target.error.empty()) return Fail(target.error);
    replacing_ = target.replace;
    if (!replacing_) {
        // No reader on a FIFO makes the open fail (ENXIO) instead of waiting for one.
        fd_ = open(target.file.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return Fail(errno == ENXIO && target.fifo
                            ? Reason(path_, "no program is reading from it")
                            : Reason(path_, std::strerror(errno)));
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        return;
    }
    target_ = target.file;
    existed_ = target.exists;
    mode_ = existed_ ? target.existing.st_mode & 07777 : NewFileMode();
    owner_ = target.existing.st_uid;
    group_ = target.existing.st_gid;
    const std::string folder = FolderOf(target_);
    const std::string prefix = TemporaryPrefix(folder, NameOf(target_));
    RemoveStaleTemporaries(folder, prefix);
    prefix_ = folder + "/" + prefix;
    // An unnamed file vanishes with the process; it gets its name just before the rename.
    fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0) fd_ = CreateNamed(prefix_, temporary_);
    if (fd_ < 0) Fail(errno);
    buffer_.reserve(kBufferBytes);
}

void SafeFileWriter::Fail(int error) { Fail(Reason(path_, std::strerror(error))); }

void SafeFileWriter::Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
}

void SafeFileWriter::Write(std::string_view bytes) {
    if (!Ok()) return;
    if (buffer_.size() + bytes.size() > kBufferBytes) {
        Flush();
        if (bytes.size() >= kBufferBytes) return WriteOut(bytes);
    }
    buffer_.append(bytes);
}

void SafeFileWriter::Flush() {
    WriteOut(buffer_);
    buffer_.clear();
}

void SafeFileWriter::WriteOut(std::string_view bytes) {
    while (Ok() && !bytes.empty()) {
        const ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return Fail(written < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void SafeFileWriter::Prepare() {
    Flush();
    if (replacing_ && Ok()) {
        if (fchmod(fd_, mode_) != 0) Fail(errno);
        // Root saving someone's file keeps it theirs; others cannot give files away.
        if (existed_ && fchown(fd_, owner_, group_) != 0 && errno != EPERM) Fail(errno);
        // On disk before the rename, so a crash leaves the old file or the new one.
        if (Ok() && fsync(fd_) != 0) Fail(errno);
        if (Ok() && temporary_.empty() && !LinkUnder(fd_, prefix_, temporary_)) {
            temporary_.clear();
            Fail(errno);
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail(errno);
}

std::string SafeFileWriter::Commit() { return CommitTogether({this}); }

std::string SafeFileWriter::CommitTogether(const std::vector<SafeFileWriter*>& saves,
                                           const std::vector<std::string>& remove) {
    std::string error;
    for (SafeFileWriter* save : saves)
        if (error.empty() && (save->committed_ || save->fd_ < 0))
            error = save->Ok() ? Reason(save->path_, "the save has ended") : save->error_;
    if (!error.empty()) return error;
    // Between naming a temporary and its rename, an interrupt would leave the name behind.
    const QuietSignals quiet;
    for (SafeFileWriter* save : saves) {
        save->Prepare();
        if (error.empty()) error = save->error_;
    }
    struct Step {
        std::string file;
        std::string aside;  // the old file, to put back; "" when there was none to keep
        bool created = false;
    };
    std::vector<Step> done;
    for (const std::string& file : remove) {
        if (!error.empty()) break;
        std::string aside;
        if (!MoveAside(file, aside, true))
            error = "cannot remove " + file + ": " + std::strerror(errno);
        else if (!aside.empty())
            done.push_back({file, aside});
    }
    for (SafeFileWriter* save : saves) {
        if (!error.empty()) break;
        if (!save->replacing_) continue;
        Step step{save->target_, {}, !save->existed_};
        if (save->existed_) MoveAside(save->target_, step.aside, false);
        if (rename(save->temporary_.c_str(), save->target_.c_str()) != 0) {
            save->Fail(errno);
            error = save->error_;
            if (!step.aside.empty()) unlink(step.aside.c_str());
            break;
        }
        save->temporary_.clear();
        done.push_back(step);
    }
    if (!error.empty()) {
        for (auto step = done.rbegin(); step != done.rend(); ++step) {
            if (!step->aside.empty())
                rename(step->aside.c_str(), step->file.c_str());
            else if (step->created)
                unlink(step->file.c_str());
        }
        for (SafeFileWriter* save : saves) {
            save->Fail(error);
            save->Discard();
        }
        return error;
    }
    for (const Step& step : done)
        if (!step.aside.empty()) unlink(step.aside.c_str());
    for (SafeFileWriter* save : saves) {
        if (save->replacing_) SyncFolder(FolderOf(save->target_));
        save->committed_ = true;
    }
    return {};
}

void SafeFileWriter::Discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

std::string WriteWholeFile(const std::string& path, std::string_view contents) {
    SafeFileWriter file(path);
    file.Write(contents);
    return file.Commit();
}

}  // namespace safefile
