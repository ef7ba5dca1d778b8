// The keyboard poll that lets the user stop a run with ESC. Only a terminal
// on standard input is read: it is switched to single keys without echo,
// where a read returns at once when no key is waiting, and its settings are
// put back on every way out, signals that end the process included.

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include "extractor/extractor.h"

namespace {

struct KeyboardState {
    bool active;           // the terminal's settings are changed and must be put back
    struct termios saved;  // the settings found at start
};

KeyboardState keyboard{false, {}};

constexpr int kEscKey = 27;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreOnSignal(int signal_number) {
    if (keyboard.active) tcsetattr(STDIN_FILENO, TCSANOW, &keyboard.saved);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

int ReadWaitingByte() {
    unsigned char key;
    return read(STDIN_FILENO, &key, 1) == 1 ? key : -1;
}

}  // namespace

void StartKeyboard() {
    if (keyboard.active || !isatty(STDIN_FILENO)) return;
    struct termios settings;
    if (tcgetattr(STDIN_FILENO, &settings) != 0) return;
    keyboard.saved = settings;
    settings.c_lflag &= ~(ICANON | ECHO);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    keyboard.active = true;
    for (int signal_number : kSignals) signal(signal_number, RestoreOnSignal);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &settings) != 0) StopKeyboard();
}

void StopKeyboard() {
    if (!keyboard.active) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &keyboard.saved);
    keyboard.active = false;
    for (int signal_number : kSignals) signal(signal_number, SIG_DFL);
}

int PollKey() {
    if (!keyboard.active) return -1;
    int key = ReadWaitingByte();
    if (key != kEscKey) return key;
    // Cursor and function keys send ESC followed at once by more bytes; only
    // an ESC on its own is the ESC key.
    if (ReadWaitingByte() < 0) return kEscKey;
    while (ReadWaitingByte() >= 0) {
    }
    return 0;
}
