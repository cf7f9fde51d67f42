#include "paneltest_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

static void sleep_ms(int ms)
{
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

program_run program_run_with(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &input, const std::string &output_path,
                             int timeout_ms)
{
    program_run run = {false, -1000, ""};
    // A child that never reads its input must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int input_pipe[2];
    if (pipe(input_pipe) != 0) {
        return run;
    }
    // Written before the child starts, so it is there at the child's first read.
    if (!input.empty()) {
        ssize_t written = write(input_pipe[1], input.data(), input.size());
        (void)written;
    }
    pid_t pid = fork();
    if (pid < 0) {
        close(input_pipe[0]);
        close(input_pipe[1]);
        return run;
    }
    if (pid == 0) {
        int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(input_pipe[0], STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        close(input_pipe[0]);
        close(input_pipe[1]);
        close(output);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(input_pipe[0]);
    close(input_pipe[1]);

    int status = 0;
    int waited_ms = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (waited_ms >= timeout_ms) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        sleep_ms(5);
        waited_ms += 5;
    }
    run.finished = WIFEXITED(status);
    if (run.finished) {
        // The status is one byte here; main's -2 arrives as 254.
        run.exit_status = static_cast<signed char>(WEXITSTATUS(status));
    }
    std::ifstream file(output_path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    run.output = text.str();
    return run;
}

void program_set_environment(const char *name, const std::string &value)
{
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
}

std::string program_path(const char *name)
{
    return std::string("./") + name;
}
