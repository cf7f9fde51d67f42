#include "program_platform.h"
#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "test_clock.h"

static void sleep_ms(int ms)
{
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

static void write_chunk(int input, const std::string &chunk)
{
    ssize_t written = write(input, chunk.data(), chunk.size());
    (void)written;
}

// Whether the program has ended; WNOWAIT leaves it for the wait at the end to reap.
static bool program_ended(pid_t pid)
{
    siginfo_t ended = {};
    return waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           ended.si_pid != 0;
}

// False when the program ended, or the deadline passed, before the output held it.
static bool output_comes_due(pid_t pid, const std::string &output_path, const program_input &input,
                             uint64_t deadline_us)
{
    while (!program_output_holds(output_path, input)) {
        if (test_clock_us() >= deadline_us || program_ended(pid)) {
            return false;
        }
        sleep_ms(5);
    }
    return true;
}

program_end program_start_and_wait(const std::string &program,
                                   const std::vector<std::string> &arguments,
                                   const std::vector<program_input> &input,
                                   const std::string &output_path, uint64_t deadline_us)
{
    program_end end = {false, -1000};
    // A child that stops reading early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int input_pipe[2];
    if (pipe(input_pipe) != 0) {
        return end;
    }
    size_t written = 0;
    if (!input.empty() && input[0].after.empty()) {
        write_chunk(input_pipe[1], input[written++].chunk);
    }
    // Emptied before the start, so no wait reads what an earlier run left there.
    int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = fork();
    if (pid < 0) {
        close(input_pipe[0]);
        close(input_pipe[1]);
        close(output);
        return end;
    }
    if (pid == 0) {
        dup2(input_pipe[0], STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        close(input_pipe[0]);
        close(input_pipe[1]);
        close(output);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(input_pipe[0]);
    close(output);
    for (; written < input.size(); ++written) {
        if (!output_comes_due(pid, output_path, input[written], deadline_us)) {
            break;
        }
        write_chunk(input_pipe[1], input[written].chunk);
    }
    close(input_pipe[1]);

    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (test_clock_us() >= deadline_us) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        sleep_ms(5);
    }
    end.finished = WIFEXITED(status);
    if (end.finished) {
        // The status is one byte here; main's -2 arrives as 254.
        end.exit_status = static_cast<signed char>(WEXITSTATUS(status));
    }
    return end;
}

void program_set_environment(const char *name, const std::string &value)
{
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
}

std::string program_folder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    std::string folder(path, length > 0 ? static_cast<size_t>(length) : 0);
    return folder.substr(0, folder.find_last_of('/') + 1);
}

std::string program_path(const char *name)
{
    return program_folder() + name;
}

const std::string &console_clear_sequence()
{
    static const std::string sequence = "\x1b[H\x1b[2J";
    return sequence;
}
