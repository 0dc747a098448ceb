// The settings key file and the instance lock, on real files in a temporary folder. The
// refused writes run in a child that is not root, since root passes every permission.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/settings_store.h"

namespace glimra::posix {
namespace {

namespace fs = std::filesystem;

class Folder : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/glimra-test-XXXXXX";
        root_ = mkdtemp(name);
        chmod(root_.c_str(), 0755);  // the unprivileged child must reach it
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Path(const std::string& name) const { return (root_ / name).string(); }

    fs::path root_;
};

std::string Contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Put(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

using Store = Folder;

TEST_F(Store, ReadsTheStoredTextOrTheDefault) {
    const struct {
        const char* contents;  // nullptr: no file
        const wchar_t* expected;
    } cases[] = {
        {nullptr, L"30"},
        {"", L"30"},
        {"[config]\nspeed=100\n", L"30"},        // no such key
        {"[other]\nNumberofPoint=50\n", L"30"},  // no such group
        {"[config]\nNumberofPoint=50\n", L"50"},
        {"[config]\nNumberofPoint=\\s\\s25 \n", L"  25 "},
        {"this is [not a key file\n", L"30"},           // malformed
        {"[config]\nNumberofPoint=\xff\xfe\n", L"30"},  // not UTF-8
    };
    for (const auto& c : cases) {
        const std::string file = Path("settings.ini");
        fs::remove(file);
        if (c.contents != nullptr) Put(file, c.contents);
        EXPECT_EQ(ReadSetting(file, "config", "NumberofPoint", L"30"), c.expected)
            << (c.contents ? c.contents : "(no file)");
        if (c.contents != nullptr) {
            EXPECT_EQ(Contents(file), c.contents) << "a read rewrote it";
        }
    }
}

TEST_F(Store, AnUnreadableFileGivesTheDefault) {
    const std::string file = Path("settings.ini");
    fs::create_directory(file);  // unreadable as a file, whoever runs the test
    EXPECT_EQ(ReadSetting(file, "config", "speed", L"500"), L"500");
}

TEST_F(Store, AnyTextComesBackAsWritten) {
    const std::string file = Path("Vestrel/settings.ini");  // the folder is made too
    for (const wchar_t* text :
         {L" 50 ", L"", L"a\nb\r\n", L"\t11.5", L"中文 ☃ 😀", L"\\s#;[x]=y", L"-0.5 "}) {
        WriteSetting(file, "config", "NumberofPoint", text);
        EXPECT_EQ(ReadSetting(file, "config", "NumberofPoint", L"30"), text);
    }
}

TEST_F(Store, AWriteKeepsTheOtherKeyAndReplacesTheFileWhole) {
    const std::string file = Path("settings.ini");
    WriteSetting(file, "config", "NumberofPoint", L"50");
    struct stat before {};
    stat(file.c_str(), &before);
    WriteSetting(file, "config", "speed", L"300");
    struct stat after {};
    stat(file.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino) << "written in place, not renamed over";
    EXPECT_EQ(ReadSetting(file, "config", "NumberofPoint", L"30"), L"50");
    EXPECT_EQ(ReadSetting(file, "config", "speed", L"500"), L"300");
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

// The write's error number, from a child that runs it as nobody when the test is root.
int ChildWriteError(const std::string& file) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        try {
            WriteSetting(file, "config", "NumberofPoint", L"77");
        } catch (const RuntimeError& error) {
            _exit(error.number);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Store, ARefusedWriteRaisesItsErrorAndLeavesTheOldFile) {
    const struct {
        const char* name;
        mode_t folder_mode, file_mode;
        int number;
    } cases[] = {
        {"read-only folder", 0555, 0644, kErrPermissionDenied},
        {"read-only file", 0777, 0444, kErrPermissionDenied},
    };
    for (const auto& c : cases) {
        const fs::path folder = root_ / c.name;
        fs::create_directory(folder);
        const std::string file = (folder / "settings.ini").string();
        Put(file, "[config]\nNumberofPoint=50\n");
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534) | chown(file.c_str(), 65534, 65534), 0);
        chmod(file.c_str(), c.file_mode);
        chmod(folder.c_str(), c.folder_mode);
        EXPECT_EQ(ChildWriteError(file), c.number) << c.name;
        EXPECT_EQ(Contents(file), "[config]\nNumberofPoint=50\n") << c.name;
    }
    Put(Path("plain"), "");  // a file where the folder should be: not a refusal
    EXPECT_EQ(ChildWriteError(Path("plain/settings.ini")), kErrInvalidCall);
}

using Lock = Folder;

TEST_F(Lock, FolderIsAPrivateOneOfTheUser) {
    const std::string runtime = Path("runtime");
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    const std::string open_folder = Path("open");
    fs::create_directory(open_folder);
    chmod(open_folder.c_str(), 0777);
    fs::create_directory_symlink(runtime, Path("link"));
    const std::string fallback = root_ / ("glimra-" + std::to_string(getuid()));
    const struct {
        const char* runtime_dir;
        std::string expected;
    } cases[] = {
        {runtime.c_str(), runtime},       {nullptr, fallback},
        {"relative/dir", fallback},       {open_folder.c_str(), fallback},
        {Path("link").c_str(), fallback}, {Path("missing").c_str(), fallback},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LockFolder(c.runtime_dir, root_.string()), c.expected)
            << (c.runtime_dir ? c.runtime_dir : "(unset)");
    }
    struct stat info {};
    ASSERT_EQ(lstat(fallback.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(Lock, AnUnsafeFallbackGivesNoFolder) {
    const std::string fallback = root_ / ("glimra-" + std::to_string(getuid()));
    fs::create_directory_symlink("/tmp", fallback);
    EXPECT_EQ(LockFolder(nullptr, root_.string()), "");
    fs::remove(fallback);
    fs::create_directory(fallback);
    chmod(fallback.c_str(), 0777);
    EXPECT_EQ(LockFolder(nullptr, root_.string()), "");
}

TEST_F(Lock, HeldUntilItsHolderDies) {
    const std::string lock = Path("lumeck.lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        const char taken = TakeLock(lock) ? 'y' : 'n';
        if (write(ready[1], &taken, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(read(ready[0], &taken, 1), 1);
    EXPECT_EQ(taken, 'y');
    EXPECT_FALSE(TakeLock(lock));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(TakeLock(lock));
    EXPECT_FALSE(TakeLock(lock)) << "a second lock in the same process";
    close(ready[0]);
    close(ready[1]);
}

TEST_F(Lock, ALockFileThatCannotBeOpenedCountsAsHeld) {
    fs::create_directory(Path("lumeck.lock"));
    EXPECT_FALSE(TakeLock(Path("lumeck.lock")));
    fs::create_symlink(Path("elsewhere"), Path("link.lock"));
    EXPECT_FALSE(TakeLock(Path("link.lock")));
}

}  // namespace
}  // namespace glimra::posix
