#include "terminal_run.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>

using terminal_clock = std::chrono::steady_clock;

static unsigned long local_modes(const terminal_run *run)
{
    struct termios mode = {};
    tcgetattr(run->program_side, &mode);
    return mode.c_lflag;
}

bool terminal_start(terminal_run *run, const std::string &program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv = {const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int screen[2];
    if (openpty(&run->terminal, &run->program_side, nullptr, nullptr, nullptr) != 0 || pipe(screen) != 0) {
        return false;
    }
    run->modes_at_start = local_modes(run);
    run->pid = fork();
    if (run->pid == 0) {
        // A session of its own with the terminal as its controlling one, as a shell starts it.
        close(run->terminal);
        close(screen[0]);
        login_tty(run->program_side);
        dup2(screen[1], STDOUT_FILENO);
        close(screen[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(screen[1]);
    run->screen_pipe = screen[0];
    return run->pid > 0;
}

void terminal_type(terminal_run *run, const std::string &keys)
{
    ssize_t written = write(run->terminal, keys.data(), keys.size());
    (void)written;
}

// One wait of up to timeout_ms on both sides; false once the screen has ended.
static bool terminal_read(terminal_run *run, int timeout_ms)
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
    run->arrivals.push_back(run->screen.size());
    return true;
}

bool terminal_wait_for(terminal_run *run, const std::string &text, int timeout_ms)
{
    auto deadline = terminal_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (run->screen.find(text) == std::string::npos) {
        if (terminal_clock::now() >= deadline || !terminal_read(run, 10)) {
            return false;
        }
    }
    return true;
}

bool terminal_finish(terminal_run *run, int timeout_ms, int *exit_status)
{
    auto deadline = terminal_clock::now() + std::chrono::milliseconds(timeout_ms);
    bool ended = false;
    while (!ended && terminal_clock::now() < deadline) {
        ended = !terminal_read(run, 10);
    }
    if (!ended) {
        kill(run->pid, SIGKILL);
    }
    int status = 0;
    waitpid(run->pid, &status, 0);
    terminal_read(run, 0);  // the echo of the last keys
    run->modes_at_end = local_modes(run);
    close(run->screen_pipe);
    close(run->terminal);
    close(run->program_side);
    // The status is one byte here; main's -4 arrives as 252.
    *exit_status = static_cast<signed char>(WEXITSTATUS(status));
    return ended && WIFEXITED(status);
}
