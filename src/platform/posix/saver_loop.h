#pragma once
// The saver's one loop on Linux, whatever the display system: a poll over the display
// connection, a timerfd for Timer1 and a signalfd for SIGTERM and SIGINT. No GLib loop runs
// while the saver does; GLib's serves only the GTK dialog and boxes.
#include <cstdint>

namespace glimra::posix {

// The saver window as the loop sees it. Every call runs through the run-time error guard,
// the only one on the saver's way: a client does not guard again.
class SaverLoopClient {
  public:
    virtual int DisplayFd() const = 0;
    // Before the loop sleeps: hand out what was already read, send what is queued.
    virtual void BeforePoll() = 0;
    // After it woke: read what the display sent (`revents` as poll gave them), hand it out.
    virtual void AfterPoll(short revents) = 0;
    virtual void OnTimer() = 0;         // Timer1's tick; ticks missed meanwhile are one tick
    virtual void OnEndingSignal() = 0;  // SIGTERM from a host, SIGINT from a terminal

  protected:
    ~SaverLoopClient() = default;
};

// From now on the loop serves `client`, with a tick every `interval_ms`. The two ending
// signals are blocked and read from the signalfd until StopSaverLoop.
void StartSaverLoop(SaverLoopClient& client, std::int32_t interval_ms);
// Closes the timer and the signalfd; after it a signal has its default effect again.
void StopSaverLoop();

bool SaverLoopRunning();
// One turn: BeforePoll, one poll, then whatever woke it. A signal that interrupts the poll
// wakes it for nothing; a poll that fails otherwise, or a descriptor in it that is not open,
// would wake it for ever: that ends the saver with a run-time error.
void RunSaverLoopOnce();

}  // namespace glimra::posix
