#include "program_platform.h"
#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

bool program_start(const std::string &program, const std::vector<std::string> &arguments,
                   const std::string &first_chunk, const std::string &output_path,
                   program_process *process)
{
    // A child that stops reading early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    std::vector<char *> argv = {const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // Close-on-exec: the child keeps only the copies it makes as its stdin and stdout.
    int input_pipe[2];
    if (pipe2(input_pipe, O_CLOEXEC) != 0) {
        return false;
    }
    process->input = input_pipe[1];
    program_write(*process, first_chunk);
    // Emptied before the start, so no wait reads what an earlier run left there.
    int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(input_pipe[0], STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(input_pipe[0]);
    close(output);
    if (pid < 0) {
        close(input_pipe[1]);
    }
    process->id = pid;
    return pid > 0;
}

void program_write(const program_process &process, const std::string &chunk)
{
    ssize_t written = write(static_cast<int>(process.input), chunk.data(), chunk.size());
    (void)written;
}

void program_close_input(const program_process &process)
{
    close(static_cast<int>(process.input));
}

bool program_ended(const program_process &process, int ms)
{
    // WNOWAIT leaves the ended program for program_reap.
    siginfo_t ended = {};
    if (waitid(P_PID, static_cast<id_t>(process.id), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        ended.si_pid != 0) {
        return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return false;
}

void program_kill(const program_process &process)
{
    kill(static_cast<pid_t>(process.id), SIGKILL);
}

bool program_reap(const program_process &process, int *exit_status)
{
    int status = 0;
    waitpid(static_cast<pid_t>(process.id), &status, 0);
    // The status is one byte here; main's -2 arrives as 254.
    *exit_status = static_cast<signed char>(WEXITSTATUS(status));
    return WIFEXITED(status);
}

void program_set_environment(const char *name, const std::string &value)
{
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
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
