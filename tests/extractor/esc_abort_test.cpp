// Stopping a run with the ESC key, typed on a pseudo-terminal that stands in
// for the user's console.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

struct PtyRun {
    int status;
    std::string output;
    bool terminal_restored;
};

// Runs pavlunt with the terminal side of a fresh pseudo-terminal as standard
// input, after `keys` have been typed on it; standard output goes to a file.
PtyRun RunOnTerminal(const std::vector<std::string>& args, const std::string& keys) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    EXPECT_GE(terminal, 0);
    struct termios before;
    tcgetattr(terminal, &before);
    EXPECT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));

    pid_t child = fork();
    if (child == 0) {
        int out = open("output.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(terminal, 0);
        dup2(out, 1);
        dup2(out, 2);
        close(master);
        std::vector<char*> argv = {const_cast<char*>(PAVLUNT_PATH)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(PAVLUNT_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    struct termios after;
    tcgetattr(terminal, &after);
    close(terminal);
    close(master);
    bool restored = (after.c_lflag & (ICANON | ECHO)) == (before.c_lflag & (ICANON | ECHO)) &&
                    (after.c_lflag & ICANON) && after.c_cc[VMIN] == before.c_cc[VMIN];
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            ReadFileText("output.txt"), restored};
}

// Runs pavlunt in a background process group of a session whose controlling
// terminal is a fresh pseudo-terminal, as `pavlunt x.wad &` in a shell does.
// Gives its exit status, or -1 when the terminal stopped it.
int RunInBackground(const std::vector<std::string>& args, const std::string& keys) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    std::string terminal_name = ptsname(master);
    EXPECT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    pid_t leader = fork();
    if (leader == 0) {
        setsid();
        int terminal = open(terminal_name.c_str(), O_RDWR);
        ioctl(terminal, TIOCSCTTY, 0);
        pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            int out = open("output.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(terminal, 0);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv = {const_cast<char*>(PAVLUNT_PATH)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(PAVLUNT_PATH, argv.data());
            _exit(127);
        }
        setpgid(job, job);
        int status = 0;
        waitpid(job, &status, WUNTRACED);
        if (WIFSTOPPED(status)) {
            kill(job, SIGKILL);
            waitpid(job, &status, 0);
            _exit(100);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 101);
    }
    int status = 0;
    waitpid(leader, &status, 0);
    close(master);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 102;
    return code == 100 ? -1 : code;
}

WadBuilder FiveFlats() {
    WadBuilder wad;
    wad.Add("PLAYPAL", Palette());
    wad.Add("F_START");
    for (int i = 1; i <= 5; i++) wad.Add("FLAT" + std::to_string(i), Flat(i));
    wad.Add("F_END");
    return wad;
}

TEST(EscAbort, EscAfterThreeFlatsFinishesTheFileWithThem) {
    TempDir dir;
    WriteFileBytes("test.wad", FiveFlats().Build());
    // One key is read after each flat: two others, then ESC after the third.
    PtyRun run = RunOnTerminal({"test.wad"}, "xy\x1b");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("FLAT1 FLAT2 FLAT3 \nERROR: User aborted with ESC key...\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("has been generated"), std::string::npos);
    EXPECT_TRUE(run.terminal_restored);
    EXPECT_FALSE(FileExists("~temp.hdr"));

    TexFile tex = ReadTex("CUSTOM.TEX");
    EXPECT_EQ(tex.header.num_entries, 4u);
    ASSERT_EQ(tex.entries.size(), 4u);
    EXPECT_EQ(tex.entries[3].name, "FLAT3");
    EXPECT_EQ(tex.size - tex.header.directory_offset, 128u);
}

TEST(EscAbort, CursorKeysAndOtherKeysDoNotStopTheRun) {
    TempDir dir;
    WriteFileBytes("test.wad", FiveFlats().Build());
    PtyRun run = RunOnTerminal({"test.wad"}, "\x1b[A q");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("has been generated"), std::string::npos) << run.output;
    EXPECT_TRUE(run.terminal_restored);
    EXPECT_EQ(ReadTex("CUSTOM.TEX").entries.size(), 6u);
}

TEST(EscAbort, TerminalIsRestoredAfterAFatalError) {
    TempDir dir;
    WadBuilder wad = FiveFlats();
    wad.Add("TEXTURE1", TextureLump({{"WALL", 16, 16, {}}}));
    WriteFileBytes("test.wad", wad.Build());
    PtyRun run = RunOnTerminal({"test.wad"}, "");
    EXPECT_EQ(run.status, 9) << run.output;
    EXPECT_TRUE(run.terminal_restored);
}

TEST(EscAbort, RunInTheBackgroundNeitherStopsNorReadsKeys) {
    TempDir dir;
    WriteFileBytes("test.wad", FiveFlats().Build());
    EXPECT_EQ(RunInBackground({"test.wad"}, "\x1b"), 0) << ReadFileText("output.txt");
    EXPECT_EQ(ReadTex("CUSTOM.TEX").entries.size(), 6u);
}

}  // namespace
