// The saver's loop, in a child process: its run-time error report ends the process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>

#include "platform/posix/saver_loop.h"
#include "runtime/runtime_error.h"

namespace glimra::posix {
namespace {

class DisplayAt final : public SaverLoopClient {
  public:
    explicit DisplayAt(int fd) : fd_(fd) {}
    int DisplayFd() const override { return fd_; }
    void BeforePoll() override {}
    void AfterPoll(short) override {}
    void OnTimer() override {}
    void OnEndingSignal() override {}

  private:
    int fd_;
};

// One turn of a loop over a display at `display_fd`, whose timer would tick in a minute,
// with a handled SIGALRM every 10 ms when `interrupted`; then the end with status 0.
void OneTurnThenExit(int display_fd, bool interrupted) {
    if (interrupted) {
        std::signal(SIGALRM, [](int) {});
        const itimerval every_10_ms{{0, 10000}, {0, 10000}};
        setitimer(ITIMER_REAL, &every_10_ms, nullptr);
    }
    DisplayAt display(display_fd);
    StartSaverLoop(display, 60 * 1000);
    RunSaverLoopOnce();
    _exit(0);
}

// A closed descriptor makes poll return at once on every turn: the first turn ends the
// saver with a run-time error, rather than spin. A signal that interrupts the poll wakes it
// for nothing: the turn ends and the saver runs on.
TEST(SaverLoop, OnlyAnInterruptedPollIsWaitedOut) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const int closed = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 512);  // above what opens next
    close(closed);
    EXPECT_EXIT(OneTurnThenExit(closed, false), ::testing::ExitedWithCode(runtime::kErrInternal),
                "run-time error 51");
    EXPECT_EXIT(OneTurnThenExit(pipe_ends[0], true), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace glimra::posix
