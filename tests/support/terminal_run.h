// Runs a console program of the build on a pseudo-terminal, as a person at a
// terminal would: keys typed in, the terminal's own echo read back, and the
// screen (standard output, on a pipe) read while the program runs, so a screen
// left unflushed arrives cut at the pipe's buffer size. POSIX only: a Windows
// console has no pseudo-terminal to stand in for it.
#ifndef TESTS_SUPPORT_TERMINAL_RUN_H
#define TESTS_SUPPORT_TERMINAL_RUN_H
#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "program_platform.h"

struct terminal_run {
    int pid;
    int terminal;      // where keys go in and the echo comes out
    int program_side;  // the program's side of it, held open as a shell holds it
    int screen_pipe;
    std::string screen;  // standard output so far
    std::string echo;
    tcflag_t modes_at_end;  // the terminal's local modes (ECHO, ICANON, ...) at the end
    int typed_left_at_end;  // bytes typed that the program left for the shell
    int exit_status;        // as main returned it
};

constexpr int terminal_wait_ms = 10000;

inline bool terminal_start(terminal_run *run, const std::string &program)
{
    int screen[2];
    if (pipe(screen) != 0) {
        return false;
    }
    // A session of its own with the terminal as its controlling one, as a shell starts it.
    run->pid = forkpty(&run->terminal, nullptr, nullptr, nullptr);
    if (run->pid == 0) {
        close(screen[0]);
        dup2(screen[1], STDOUT_FILENO);
        close(screen[1]);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(screen[1]);
    run->screen_pipe = screen[0];
    run->program_side = run->pid > 0 ? open(ptsname(run->terminal), O_RDWR | O_NOCTTY) : -1;
    return run->pid > 0 && run->program_side >= 0;
}

inline void terminal_type(terminal_run *run, const std::string &keys)
{
    ssize_t written = write(run->terminal, keys.data(), keys.size());
    (void)written;
}

// One wait of up to timeout_ms on both sides; false once the screen has ended.
inline bool terminal_read(terminal_run *run, int timeout_ms)
{
    struct pollfd sides[2] = {{run->screen_pipe, POLLIN, 0}, {run->terminal, POLLIN, 0}};
    char buffer[65536];
    if (poll(sides, 2, timeout_ms) > 0 && (sides[1].revents & POLLIN) != 0) {
        ssize_t length = read(run->terminal, buffer, sizeof buffer);
        run->echo.append(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    }
    if ((sides[0].revents & (POLLIN | POLLHUP)) == 0) {
        return true;
    }
    ssize_t length = read(run->screen_pipe, buffer, sizeof buffer);
    if (length <= 0) {
        return false;
    }
    run->screen.append(buffer, static_cast<size_t>(length));
    return true;
}

enum class terminal_wait { done, ended, timed_out };

// Reads until done() holds, the screen ends with the program, or timeout_ms passes.
template <typename Done>
terminal_wait terminal_read_until(terminal_run *run, int timeout_ms, Done done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return terminal_wait::timed_out;
        }
        if (!terminal_read(run, 10)) {
            return terminal_wait::ended;
        }
    }
    return terminal_wait::done;
}

// Reads until the screen holds text, or with no text until the screen ends;
// false if that does not happen within terminal_wait_ms.
inline bool terminal_wait_for(terminal_run *run, const std::string &text)
{
    terminal_wait end = terminal_read_until(run, terminal_wait_ms, [&] {
        return !text.empty() && run->screen.find(text) != std::string::npos;
    });
    return end == terminal_wait::done || (text.empty() && end == terminal_wait::ended);
}

// Reads until the program has taken every key typed so far and then printed
// `bytes` more; false if the screen ends, or terminal_wait_ms passes, first.
inline bool terminal_wait_keys_taken(terminal_run *run, size_t bytes)
{
    size_t taken_at = std::string::npos;
    return terminal_read_until(run, terminal_wait_ms, [&] {
               int typed_left = 0;
               ioctl(run->program_side, FIONREAD, &typed_left);
               if (taken_at == std::string::npos && typed_left == 0) {
                   taken_at = run->screen.size();
               }
               return taken_at != std::string::npos && run->screen.size() >= taken_at + bytes;
           }) == terminal_wait::done;
}

// Reads to the end and closes everything; false when the program had to be killed.
inline bool terminal_finish(terminal_run *run)
{
    bool ended = terminal_wait_for(run, "");
    if (!ended) {
        program_kill({run->pid, -1});
    }
    bool exited = program_reap({run->pid, -1}, &run->exit_status);
    terminal_read(run, 0);  // the echo of the last keys
    // Linux: the terminal side reports the program side's modes, even once the program has ended.
    struct termios mode = {};
    tcgetattr(run->terminal, &mode);
    run->modes_at_end = mode.c_lflag;
    // Byte by byte, as a shell's line editor reads them, however the program left the mode.
    mode.c_lflag &= static_cast<tcflag_t>(~ICANON);
    tcsetattr(run->program_side, TCSANOW, &mode);
    ioctl(run->program_side, FIONREAD, &run->typed_left_at_end);
    close(run->program_side);
    close(run->screen_pipe);
    close(run->terminal);
    return ended && exited;
}

#endif
#endif
