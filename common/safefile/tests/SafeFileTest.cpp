#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <thread>

#include "safefile/SafeFile.h"

namespace fs = std::filesystem;

namespace {

// A null device to write to. Root gets a node of its own: a fault that replaced the device
// must not take /dev/null from the machine.
std::string NullDevice(const fs::path& folder) {
    if (geteuid() != 0) return "/dev/null";
    const std::string node = (folder / "null").string();
    return mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? node : "";
}

class SafeFileTest : public ::testing::Test {
protected:
    SafeFileTest() {
        std::string pattern = (fs::temp_directory_path() / "safefile-test-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    ~SafeFileTest() override { fs::remove_all(folder); }

    std::string File(const std::string& name) const { return (folder / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        stat(path.c_str(), &info);
        return info.st_mode;
    }
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path folder;
};

TEST_F(SafeFileTest, RegularFilesLinksAndNewFilesAreReplacedWhole) {
    struct Case {
        const char* what;
        std::function<std::string()> prepare;  // returns the path to save to
        std::string written;                   // the file that gets the contents
        std::set<std::string> entries;         // the folder afterwards
        mode_t mode;
    };
    const mode_t mask = umask(022);
    const Case cases[] = {
        {"new file", [&] { return File("new.fnt"); }, "new.fnt", {"new.fnt"}, 0644},
        {"existing file keeps its mode",
         [&] {
             Put(File("old.fnt"), "old contents, longer than the new");
             chmod(File("old.fnt").c_str(), 0640);
             return File("old.fnt");
         },
         "old.fnt",
         {"old.fnt"},
         0640},
        {"link to a file",
         [&] {
             Put(File("real.fnt"), "old");
             fs::create_symlink("real.fnt", File("link.fnt"));
             return File("link.fnt");
         },
         "real.fnt",
         {"real.fnt", "link.fnt"},
         0644},
        {"dangling link creates its target",
         [&] {
             fs::create_directory(File("sub"));
             fs::create_symlink("sub/made.fnt", File("dangling.fnt"));
             return File("dangling.fnt");
         },
         "sub/made.fnt",
         {"dangling.fnt", "sub"},
         0644},
        {"chain of dangling links",
         [&] {
             fs::create_symlink(File("end.fnt"), File("first.fnt"));
             fs::create_symlink("first.fnt", File("second.fnt"));
             return File("second.fnt");
         },
         "end.fnt",
         {"first.fnt", "second.fnt", "end.fnt"},
         0644},
        // The name saved to gets the new file; the other name keeps the old contents.
        {"hard link",
         [&] {
             Put(File("shared.fnt"), "old");
             fs::create_hard_link(File("shared.fnt"), File("other.fnt"));
             return File("shared.fnt");
         },
         "shared.fnt",
         {"shared.fnt", "other.fnt"},
         0644},
        {"250-byte name",
         [&] { return File(std::string(250, 'n')); },
         std::string(250, 'n'),
         {std::string(250, 'n')},
         0644},
        {"255-byte Hangul name",
         [&] { return File(std::string(85, 'x') + "가" + std::string(167, 'y')); },
         std::string(85, 'x') + "가" + std::string(167, 'y'),
         {std::string(85, 'x') + "가" + std::string(167, 'y')},
         0644},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        const std::string path = c.prepare();
        ASSERT_EQ(safefile::CheckTarget(path), "") << c.what;
        ASSERT_EQ(safefile::WriteWholeFile(path, "new contents"), "") << c.what;
        EXPECT_EQ(Read(File(c.written)), "new contents") << c.what;
        EXPECT_TRUE(S_ISREG(Mode(File(c.written)))) << c.what;
        EXPECT_EQ(Mode(File(c.written)) & 07777, c.mode) << c.what;
        EXPECT_EQ(Entries(), c.entries) << c.what;
        if (c.entries.count("other.fnt") != 0) {
            EXPECT_EQ(Read(File("other.fnt")), "old");
        }
        for (const auto& name : c.entries) {
            const bool link = name.find("link") != std::string::npos || name.find("first") == 0 ||
                              name.find("second") == 0 || name.find("dangling") == 0;
            EXPECT_EQ(fs::is_symlink(File(name)), link) << c.what << ": " << name;
        }
    }
    umask(mask);
}

TEST_F(SafeFileTest, RefusedTargetsAreKept) {
    struct Case {
        const char* what;
        std::function<std::string()> prepare;
        const char* reason;
    };
    const Case cases[] = {
        {"read-only file",
         [&] {
             Put(File("locked.fnt"), "precious");
             chmod(File("locked.fnt").c_str(), 0444);
             return File("locked.fnt");
         },
         "it is read-only"},
        {"link to a read-only file",
         [&] {
             Put(File("locked.fnt"), "precious");
             chmod(File("locked.fnt").c_str(), 0444);
             fs::create_symlink("locked.fnt", File("link.fnt"));
             return File("link.fnt");
         },
         "it is read-only"},
        {"folder",
         [&] {
             fs::create_directory(File("dir"));
             return File("dir");
         },
         "it is a folder"},
        {"no such folder", [&] { return File("none/x.fnt"); }, "does not exist"},
        {"link loop",
         [&] {
             fs::create_symlink("b", File("a"));
             fs::create_symlink("a", File("b"));
             return File("a");
         },
         "Too many levels of symbolic links"},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        const std::string path = c.prepare();
        const std::set<std::string> before = Entries();
        const std::string check = safefile::CheckTarget(path);
        EXPECT_NE(check.find(c.reason), std::string::npos) << c.what << ": " << check;
        const std::string error = safefile::WriteWholeFile(path, "new contents");
        EXPECT_EQ(error.rfind("cannot write " + path + ": ", 0), 0u) << c.what << ": " << error;
        EXPECT_EQ(Entries(), before) << c.what;
        if (fs::exists(File("locked.fnt"))) {
            EXPECT_EQ(Read(File("locked.fnt")), "precious") << c.what;
        }
    }
}

TEST_F(SafeFileTest, DevicesAndFifosAreWrittenDirectly) {
    const std::string null = NullDevice(folder);
    if (null.empty()) GTEST_SKIP() << "no null device to write to";
    ASSERT_EQ(safefile::WriteWholeFile(null, "glyphs"), "");
    EXPECT_TRUE(S_ISCHR(Mode(null)));
    fs::remove(null);

    const std::string fifo = File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string noReader = safefile::WriteWholeFile(fifo, "glyphs");
    EXPECT_NE(noReader.find("no program is reading from it"), std::string::npos) << noReader;

    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string big(200000, 'g');  // more than the pipe holds: the reader drains it
    std::string received;
    std::atomic<bool> saved{false};
    std::thread drain([&] {
        fcntl(reader, F_SETFL, 0);
        char buffer[4096];
        // Before the save opens its end, and after it closed it, a read returns 0 at once.
        for (;;) {
            const ssize_t got = read(reader, buffer, sizeof buffer);
            if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            if (got == 0 && saved) break;
            if (got == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (got < 0 && errno != EINTR) break;
        }
    });
    const std::string error = safefile::WriteWholeFile(fifo, big);
    saved = true;
    drain.join();
    close(reader);
    EXPECT_EQ(error, "");
    EXPECT_EQ(received, big);
    EXPECT_TRUE(S_ISFIFO(Mode(fifo)));
    EXPECT_EQ(Entries(), std::set<std::string>{"pipe"});
}

TEST_F(SafeFileTest, StreamedWritesArriveInOrder) {
    const std::string path = File("streamed.h");
    std::string expected;
    safefile::SafeFileWriter file(path);
    ASSERT_TRUE(file.Ok()) << file.Error();
    for (int n = 0; n < 20000; ++n) {
        const std::string piece = std::to_string(n) + ",";
        expected += piece;
        file.Write(piece);
        if (n == 5000) {
            const std::string block(150000, static_cast<char>('a' + n % 26));
            expected += block;
            file.Write(block);
        }
    }
    EXPECT_FALSE(fs::exists(path)) << "the target appears only on Commit";
    ASSERT_EQ(file.Commit(), "");
    EXPECT_EQ(Read(path), expected);
}

TEST_F(SafeFileTest, AbandonedOrKilledSavesLeaveNothingBehind) {
    const std::string path = File("glyphs.fnt");
    Put(path, "old");
    {
        safefile::SafeFileWriter file(path);
        file.Write(std::string(100000, 'x'));
    }
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"glyphs.fnt"});

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        safefile::SafeFileWriter file(path);
        file.Write(std::string(300000, 'x'));
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"glyphs.fnt"});
}

TEST_F(SafeFileTest, StaleTemporariesOfTheSameFileAreRemoved) {
    const std::string path = File("glyphs.fnt");
    const std::set<std::string> kept = {".glyphs.fnt.tmp-Ab1234x", ".other.fnt.tmp-Ab1234",
                                        ".glyphs.fnt.tmp-Ab-234", "glyphs.fnt"};
    for (const std::string& name : kept) Put(File(name), "keep");
    Put(File(".glyphs.fnt.tmp-Zz9aQ0"), "stale");
    ASSERT_EQ(safefile::WriteWholeFile(path, "new"), "");
    EXPECT_EQ(Entries(), kept);
    EXPECT_EQ(Read(path), "new");
}

TEST_F(SafeFileTest, SavesCommittedTogetherAllTakeEffectOrNone) {
    // Each case breaks the second save its own way; the first save, already written, must
    // not take effect alone, and no temporary may stay.
    struct Case {
        const char* what;
        std::function<void(const std::string& second)> breakSecond;
    };
    const Case cases[] = {
        {"the file system refuses to grow it (file size limit)",
         [](const std::string&) {
             signal(SIGXFSZ, SIG_IGN);
             rlimit limit{};
             getrlimit(RLIMIT_FSIZE, &limit);
             limit.rlim_cur = 4096;
             setrlimit(RLIMIT_FSIZE, &limit);
         }},
        {"its target turns into a folder before the rename",
         [](const std::string& second) {
             fs::remove(second);
             fs::create_directories(fs::path(second) / "inside");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string first = File("font.idx"), second = File("font.fnt");
        const std::string stale = File("stale.idx");
        fs::remove_all(second);
        Put(first, "old table");
        Put(second, "old font");
        Put(stale, "stale");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::string error;
        {
            safefile::SafeFileWriter table(first), font(second);
            table.Write("new table");
            c.breakSecond(second);
            font.Write(std::string(100000, 'f'));
            error = safefile::SafeFileWriter::CommitTogether({&table, &font}, {stale});
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_NE(error, "");
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(Read(first), "old table");
        EXPECT_EQ(Read(stale), "stale");
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                names.insert(entry.path().filename().string());
        EXPECT_EQ(names, std::set<std::string>{});
    }
    // Unbroken, both are replaced and the stale file goes.
    fs::remove_all(File("font.fnt"));
    Put(File("stale.idx"), "stale");
    safefile::SafeFileWriter table(File("font.idx")), font(File("font.fnt"));
    table.Write("new table");
    font.Write("new font");
    ASSERT_EQ(safefile::SafeFileWriter::CommitTogether({&table, &font}, {File("stale.idx")}), "");
    EXPECT_EQ(Read(File("font.idx")), "new table");
    EXPECT_EQ(Read(File("font.fnt")), "new font");
    EXPECT_EQ(Entries(), (std::set<std::string>{"font.idx", "font.fnt"}));
}

}  // namespace
