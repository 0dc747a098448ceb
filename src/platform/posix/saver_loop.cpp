#include "platform/posix/saver_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <span>

#include "platform/posix/owners.h"
#include "platform/posix/process.h"
#include "runtime/runtime_error.h"

namespace glimra::posix {

namespace {

SaverLoopClient* g_client = nullptr;
Fd g_timer;
Fd g_signals;

sigset_t EndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

// Reads what a timerfd or signalfd holds, so that poll sleeps again: a timerfd gives all
// its expirations in one read, a signalfd one signal a read.
void Drain(int fd, bool one_read) {
    char taken[sizeof(signalfd_siginfo)];
    while (read(fd, taken, sizeof taken) > 0 && !one_read) {
    }
}

// Sleeps until something watched is ready. Only an interrupting signal is waited out (as
// nothing come); any other failure, and a descriptor that poll finds closed, would return at
// once on every turn.
void Wait(std::span<pollfd> watched) {
    if (poll(watched.data(), watched.size(), -1) < 0) {
        if (errno == ENOMEM) runtime::Raise(runtime::kErrOutOfMemory);
        if (errno != EINTR) runtime::Raise(runtime::kErrInternal);
        for (pollfd& watch : watched) watch.revents = 0;
    }
    for (const pollfd& watch : watched) {
        if (watch.revents & POLLNVAL) runtime::Raise(runtime::kErrInternal);
    }
}

}  // namespace

// A timer that cannot tick would leave a saver that never paints, so it is a run-time error.
void StartSaverLoop(SaverLoopClient& client, std::int32_t interval_ms) {
    g_timer.Reset(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    const timespec interval{interval_ms / 1000, (interval_ms % 1000) * 1000000L};
    const itimerspec every{interval, interval};
    if (!g_timer || timerfd_settime(g_timer.get(), 0, &every, nullptr) != 0) {
        runtime::Raise(runtime::kErrInternal);
    }
    const sigset_t signals = EndingSignals();
    g_signals.Reset(signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC));
    if (g_signals) sigprocmask(SIG_BLOCK, &signals, nullptr);
    g_client = &client;
}

void StopSaverLoop() {
    if (g_client == nullptr) return;
    g_client = nullptr;
    g_timer.Reset();
    if (g_signals) {
        g_signals.Reset();
        const sigset_t signals = EndingSignals();
        sigprocmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

bool SaverLoopRunning() { return g_client != nullptr; }

// The display first: what it brought (a click, a key) is handed out before a tick that
// woke at the same moment paints.
void RunSaverLoopOnce() {
    Guarded([] { g_client->BeforePoll(); });
    if (g_client == nullptr) return;
    pollfd watched[3] = {{g_client->DisplayFd(), POLLIN, 0},
                         {g_timer.get(), POLLIN, 0},
                         {g_signals.get(), POLLIN, 0}};
    Guarded([&watched] { Wait(std::span(watched, g_signals ? 3 : 2)); });
    const short display = watched[0].revents;  // the client ends what BeforePoll began
    Guarded([display] { g_client->AfterPoll(display); });
    if (g_client != nullptr && watched[2].revents != 0) {
        Drain(g_signals.get(), false);
        Guarded([] { g_client->OnEndingSignal(); });
    }
    if (g_client != nullptr && watched[1].revents != 0) {
        Drain(g_timer.get(), true);
        Guarded([] { g_client->OnTimer(); });
    }
}

}  // namespace glimra::posix
