#include "program_platform.h"
#include "program_run.h"

#include <stdlib.h>
#include <windows.h>

#include "test_clock.h"

static void write_chunk(HANDLE input, const std::string &chunk)
{
    // A write of no bytes could reach the child as an empty read, which is end of input.
    if (chunk.empty()) {
        return;
    }
    DWORD written = 0;
    WriteFile(input, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
}

// The time left until the deadline, for a wait on the process.
static DWORD ms_until(uint64_t deadline_us)
{
    uint64_t now_us = test_clock_us();
    return now_us >= deadline_us ? 0 : static_cast<DWORD>((deadline_us - now_us) / 1000u);
}

// False when the program ended, or the deadline passed, before the output held it.
static bool output_comes_due(HANDLE process, const std::string &output_path,
                             const program_input &input, uint64_t deadline_us)
{
    while (!program_output_holds(output_path, input)) {
        // The process's handle is signalled once it has ended; meanwhile the wait is the pause.
        if (ms_until(deadline_us) == 0 || WaitForSingleObject(process, 5) == WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

program_end program_start_and_wait(const std::string &program,
                                   const std::vector<std::string> &arguments,
                                   const std::vector<program_input> &input,
                                   const std::string &output_path, uint64_t deadline_us)
{
    program_end end = {false, -1000};
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE input_read = nullptr;
    HANDLE input_write = nullptr;
    if (!CreatePipe(&input_read, &input_write, &inheritable, 0)) {
        return end;
    }
    // Only the child's end may be inherited, or the child never sees end of input.
    SetHandleInformation(input_write, HANDLE_FLAG_INHERIT, 0);
    size_t written = 0;
    if (!input.empty() && input[0].after.empty()) {
        write_chunk(input_write, input[written++].chunk);
    }
    HANDLE output = CreateFileA(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_read;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    // The tests pass no argument that needs quoting.
    std::string command_line = program;
    for (const std::string &argument : arguments) {
        command_line += " " + argument;
    }
    BOOL started = CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(input_read);
    CloseHandle(output);
    if (!started) {
        CloseHandle(input_write);
        return end;
    }
    for (; written < input.size(); ++written) {
        if (!output_comes_due(process.hProcess, output_path, input[written], deadline_us)) {
            break;
        }
        write_chunk(input_write, input[written].chunk);
    }
    CloseHandle(input_write);

    if (WaitForSingleObject(process.hProcess, ms_until(deadline_us)) == WAIT_OBJECT_0) {
        DWORD exit_code = 0;
        GetExitCodeProcess(process.hProcess, &exit_code);
        end.finished = true;
        end.exit_status = static_cast<int>(exit_code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return end;
}

void program_set_environment(const char *name, const std::string &value)
{
    // msvcrt has no setenv; "NAME=" removes the variable. Unlike
    // SetEnvironmentVariableA, this also reaches getenv in a stand-in loaded here.
    _putenv((std::string(name) + "=" + value).c_str());
}

std::string program_folder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string program_path(const char *name)
{
    return program_folder() + name + ".exe";
}

const std::string &console_clear_sequence()
{
    // cls clears the console window only; nothing of it reaches a redirected stdout.
    static const std::string sequence;
    return sequence;
}
