// The Linux layer on real files and descriptors: the settings key file, the instance lock,
// the saver's loop and the dialog's side of the GTK module.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/gtk/module_dialog.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/saver_loop.h"
#include "platform/posix/settings_store.h"
#include "runtime/runtime_error.h"

namespace glimra::posix {
namespace {

namespace fs = std::filesystem;
using runtime::kErrInternal;
using runtime::RuntimeError, runtime::kErrInvalidCall, runtime::kErrPermissionDenied;
using namespace std::string_literals;

class Posix : public ::testing::Test {
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
    return {std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {}};
}

void Put(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

int Mode(const std::string& path) { return static_cast<int>(fs::status(path).permissions()); }

TEST_F(Posix, ReadsTheStoredTextOrTheDefaultAndNeverWrites) {
    const std::string file = Path("settings.ini");
    const auto read = [&] { return ReadSetting(file, "config", "NumberofPoint", L"30"); };
    EXPECT_EQ(read(), L"30") << "no file";
    mkfifo(file.c_str(), 0600);
    EXPECT_EQ(read(), L"30") << "a FIFO";  // read without waiting for a writer
    const struct {
        std::string contents;
        const wchar_t* expected;
    } rows[] = {{"[config]\nspeed=100\n", L"30"},
                {"[config]\nNumberofPoint=\\s\\s25 \n", L"  25 "},
                {"this is [not a key file\n", L"30"},
                {"[config]\nNumberofPoint=\xff\xfe\n", L"30"},        // not UTF-8
                {"\xEF\xBB\xBF[config]\nNumberofPoint=50\n", L"50"},  // a byte-order mark
                {"[config]\nNumberofPoint=50\n#" + std::string(64 * 1024, 'x'), L"30"}};
    for (const auto& row : rows) {
        fs::remove(file);
        Put(file, row.contents);
        EXPECT_EQ(read(), row.expected) << row.contents.substr(0, 40);
        EXPECT_TRUE(Contents(file) == row.contents) << "a read rewrote it";
    }
}

TEST_F(Posix, AnyTextComesBackTheOtherKeyStaysAndTheFileIsReplacedWhole) {
    const std::string file = Path("Vestrel/settings.ini");  // the folder is made too
    WriteSetting(file, "config", "speed", L"300");
    fs::create_hard_link(file, Path("first"));  // keeps the first file's inode alive
    for (const wchar_t* text : {L" 50 ", L"", L"a\nb\r\n", L"中文 ☃ 😀", L"\\s#;[x]=y"}) {
        WriteSetting(file, "config", "NumberofPoint", text);
        EXPECT_EQ(ReadSetting(file, "config", "NumberofPoint", L"30"), text);
    }
    WriteSetting(file, "config", "NumberofPoint",
                 std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'});
    EXPECT_EQ(ReadSetting(file, "config", "NumberofPoint", L"30"), L"a\uFFFDb") << "a surrogate";
    EXPECT_EQ(Contents(Path("first")), "[config]\nspeed=300\n") << "written in place";
    EXPECT_EQ(ReadSetting(file, "config", "speed", L"500"), L"300");
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("Vestrel")), {}), 1) << "temporary left";
}

// The exit status of body run in a child process.
int InChild(const auto& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The number of the run-time error that body raises; 0 for none.
int RaisedError(const auto& body) {
    try {
        body();
    } catch (const RuntimeError& error) {
        return error.number;
    }
    return 0;
}

// The write's error number, from a child that runs as nobody, since root passes every check.
int ChildWriteError(const std::string& file) {
    return InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 99;
        return RaisedError([&] { WriteSetting(file, "config", "NumberofPoint", L"77"); });
    });
}

TEST_F(Posix, ARefusedWriteRaisesItsErrorAndLeavesTheOldFile) {
    for (const mode_t folder_mode : {0555, 0777}) {  // a read-only folder, a read-only file
        const fs::path folder = root_ / std::to_string(folder_mode);
        const std::string file = (folder / "settings.ini").string();
        fs::create_directory(folder);
        Put(file, "[config]\nNumberofPoint=50\n");
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534) | chown(file.c_str(), 65534, 65534), 0);
        chmod(file.c_str(), folder_mode == 0777 ? 0444 : 0644);
        chmod(folder.c_str(), folder_mode);
        EXPECT_EQ(ChildWriteError(file), kErrPermissionDenied) << folder;
        EXPECT_EQ(Contents(file), "[config]\nNumberofPoint=50\n") << folder;
    }
    Put(Path("plain"), "");  // a file where the folder should be: not a refusal
    EXPECT_EQ(ChildWriteError(Path("plain/settings.ini")), kErrInvalidCall);
}

TEST(SettingsFile, ARelativeConfigHomeIsIgnored) {
    const std::string fallback = g_get_home_dir() + "/.config/Vestrel/settings.ini"s;
    for (const char* config_home : {"relative", ""}) {
        setenv("XDG_CONFIG_HOME", config_home, 1);
        EXPECT_EQ(SettingsFile("Vestrel"), fallback) << config_home;
    }
    unsetenv("XDG_CONFIG_HOME");
}

// Made private; held by its taker until it dies, then free; refused unless it is a regular
// file of this user.
TEST_F(Posix, TheLockIsThisUsersAloneAndHeldUntilItsHolderDies) {
    const std::string lock = Path("made/lumeck.lock");
    const auto take = [&] { return static_cast<int>(TakeLock(lock)); };
    const int taken = static_cast<int>(LockResult::kTaken);
    const int held = static_cast<int>(LockResult::kHeld);
    EXPECT_EQ(InChild(take), taken) << "a holder that died";
    EXPECT_EQ(take(), taken) << "after its holder died";
    EXPECT_EQ(Mode(lock), 0600);
    EXPECT_EQ(Mode(Path("made")), 0700);
    EXPECT_EQ(take(), held) << "a second lock in the same process";
    EXPECT_EQ(InChild(take), held) << "another process";
    Put(Path("readable.lock"), "");
    chmod(Path("readable.lock").c_str(), 0644);  // others could open it, and flock it
    EXPECT_EQ(TakeLock(Path("readable.lock")), LockResult::kTaken);
    EXPECT_EQ(Mode(Path("readable.lock")), 0600);
    fs::create_symlink(lock, Path("link.lock"));
    EXPECT_EQ(TakeLock(Path("link.lock")), LockResult::kUnavailable) << "a symlink";
    Put(Path("others.lock"), "");
    if (chown(Path("others.lock").c_str(), 65534, -1) == 0) {  // as root only
        EXPECT_EQ(TakeLock(Path("others.lock")), LockResult::kUnavailable) << "another user's";
    }
}

TEST_F(Posix, TheLockIsInTheUsersPrivateRuntimeFolderElseBesideTheSettings) {
    const std::string runtime = Path(std::to_string(getuid()));
    const std::string beside_settings = Path("settings/lumeck.lock");
    EXPECT_EQ(LockFile(root_.string(), Path("settings")), beside_settings) << "no runtime folder";
    fs::create_directory(runtime);
    for (const mode_t shared : {0755, 0711}) {
        chmod(runtime.c_str(), shared);
        EXPECT_EQ(LockFile(root_.string(), Path("settings")), beside_settings) << shared;
    }
    chmod(runtime.c_str(), 0700);
    EXPECT_EQ(LockFile(root_.string(), Path("settings")), runtime + "/glimra-lumeck.lock");
}

// A saver window and dialog handlers that do nothing, over a display at `fd`.
struct Idle final : SaverLoopClient, platform::DialogEvents {
    int fd = -1;
    int DisplayFd() const override { return fd; }
    void BeforePoll() override {}
    void AfterPoll(short) override {}
    void OnTimer() override {}
    void OnEndingSignal() override {}
    void Form_Load() override {}
    void Control_Click(int) override {}
};

// What the saver's loop or the GTK module cannot do is an internal error, never a lack of
// memory: a display whose descriptor is closed, which poll reports at once on every turn (the
// first turn ends the saver rather than spin), and a dialog the module cannot make. A poll
// that a handled signal interrupts is waited out.
TEST(Failures, WhatTheLoopOrTheModuleCannotDoIsAnInternalError) {
    Idle idle;
    const auto one_turn_status = [&idle](int display_fd, itimerval alarms) {
        return InChild([&] {
            setitimer(ITIMER_REAL, &alarms, nullptr);
            idle.fd = display_fd;
            StartSaverLoop(idle, 60 * 1000);  // no tick within the test
            RunSaverLoopOnce();
            return 0;
        });
    };
    const int closed = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 512);  // above what opens next
    close(closed);
    EXPECT_EQ(one_turn_status(closed, {}), kErrInternal) << "a closed display";
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    std::signal(SIGALRM, [](int) {});
    EXPECT_EQ(one_turn_status(pipe_ends[0], {{0, 10000}, {0, 10000}}), 0) << "SIGALRM each 10 ms";
    GlimraModule module{};
    module.new_dialog = [](const GlimraDialogSpec*, const GlimraDialogHost*) -> GlimraDialog* {
        return nullptr;
    };
    EXPECT_EQ(RaisedError([&] { gtk::NewModuleDialog(module, {}, idle); }), kErrInternal)
        << "a dialog the module cannot make";
}

}  // namespace
}  // namespace glimra::posix
