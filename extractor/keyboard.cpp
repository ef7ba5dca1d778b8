// The keyboard poll that lets the user stop a run with ESC. Only a terminal
// on standard input is read, and only while this process is in its
// foreground: the terminal is switched to single keys without echo, where a
// read returns at once when no key is waiting, and its settings are put back
// on every way out, signals that end or suspend the process included.

#include <errno.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include "extractor/extractor.h"

namespace {

struct KeyboardState {
    bool active;            // the terminal's settings are changed and must be put back
    struct termios saved;   // the settings found at start
    struct termios single;  // single keys, no echo, no waiting
};

KeyboardState keyboard{false, {}, {}};

constexpr int kEscKey = 27;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A terminal that is not this process's controlling terminal has no
// foreground to be in: it can always be read and set.
bool InForeground() {
    pid_t group = tcgetpgrp(STDIN_FILENO);
    return group < 0 || group == getpgrp();
}

// Sets the terminal without being stopped when the process has been moved to
// the background meanwhile (a terminal change from there raises SIGTTOU).
void SetTerminal(const struct termios& settings) {
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGTTOU, &ignore, &previous);
    tcsetattr(STDIN_FILENO, TCSANOW, &settings);
    sigaction(SIGTTOU, &previous, nullptr);
}

void RestoreAndEnd(int signal_number) {
    if (keyboard.active) SetTerminal(keyboard.saved);
    signal(signal_number, SIG_DFL);
    raise(signal_number);  // delivered when the handler returns
}

void Suspend(int) {
    int saved_errno = errno;
    SetTerminal(keyboard.saved);
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    raise(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);  // stops here until continued
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    signal(SIGTSTP, Suspend);
    if (keyboard.active && InForeground()) SetTerminal(keyboard.single);
    errno = saved_errno;
}

int ReadWaitingByte() {
    unsigned char key;
    return read(STDIN_FILENO, &key, 1) == 1 ? key : -1;
}

}  // namespace

void StartKeyboard() {
    if (keyboard.active || !isatty(STDIN_FILENO) || !InForeground()) return;
    if (tcgetattr(STDIN_FILENO, &keyboard.saved) != 0) return;
    keyboard.single = keyboard.saved;
    keyboard.single.c_lflag &= ~(ICANON | ECHO);
    keyboard.single.c_cc[VMIN] = 0;
    keyboard.single.c_cc[VTIME] = 0;
    keyboard.active = true;
    for (int signal_number : kEndingSignals) signal(signal_number, RestoreAndEnd);
    signal(SIGTSTP, Suspend);
    SetTerminal(keyboard.single);
}

void StopKeyboard() {
    if (!keyboard.active) return;
    SetTerminal(keyboard.saved);
    keyboard.active = false;
    for (int signal_number : kEndingSignals) signal(signal_number, SIG_DFL);
    signal(SIGTSTP, SIG_DFL);
}

int PollKey() {
    // A process in the background must not read: the terminal would stop it.
    if (!keyboard.active || !InForeground()) return -1;
    int key = ReadWaitingByte();
    if (key != kEscKey) return key;
    // Cursor and function keys send ESC followed at once by more bytes; only
    // an ESC on its own is the ESC key.
    if (ReadWaitingByte() < 0) return kEscKey;
    while (ReadWaitingByte() >= 0) {
    }
    return 0;
}
