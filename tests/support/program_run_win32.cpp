#include "program_platform.h"
#include "program_run.h"

#include <stdlib.h>
#include <windows.h>

static void write_chunk(HANDLE input, const std::string &chunk)
{
    // A write of no bytes could reach the child as an empty read, which is end of input.
    if (chunk.empty()) {
        return;
    }
    DWORD written = 0;
    WriteFile(input, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
}

program_end program_start_and_wait(const std::string &program,
                                   const std::vector<std::string> &arguments,
                                   const std::vector<std::string> &input_chunks, int pause_ms,
                                   const std::string &output_path, int timeout_ms)
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
    if (!input_chunks.empty()) {
        write_chunk(input_write, input_chunks[0]);
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
    for (size_t i = 1; i < input_chunks.size(); ++i) {
        Sleep(static_cast<DWORD>(pause_ms));
        write_chunk(input_write, input_chunks[i]);
    }
    CloseHandle(input_write);

    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0) {
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
