#include "child_process.h"

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

child_run child_run_program(const std::string &program, const std::vector<std::string> &input_chunks,
                            int pause_ms, const std::string &output_path, int timeout_ms)
{
    child_run run = {false, -1000, ""};
    // A child that stops reading early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    int input[2];
    if (pipe(input) != 0) {
        return run;
    }
    pid_t pid = fork();
    if (pid == 0) {
        int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(input[0], STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        close(input[0]);
        close(input[1]);
        close(output);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(input[0]);
    for (size_t i = 0; i < input_chunks.size(); ++i) {
        if (i > 0) {
            sleep_ms(pause_ms);
        }
        ssize_t written = write(input[1], input_chunks[i].data(), input_chunks[i].size());
        (void)written;
    }
    close(input[1]);

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

void child_set_environment(const char *name, const char *value)
{
    setenv(name, value, 1);
}

std::string child_program_path(const char *name)
{
    return std::string("./") + name;
}
