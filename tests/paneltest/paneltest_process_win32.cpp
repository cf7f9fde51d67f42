#include "paneltest_process.h"

#include <stdlib.h>
#include <windows.h>

#include <fstream>
#include <sstream>

program_run program_run_with(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &input, const std::string &output_path,
                             int timeout_ms)
{
    program_run run = {false, -1000, ""};
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE input_read = nullptr;
    HANDLE input_write = nullptr;
    if (!CreatePipe(&input_read, &input_write, &inheritable, 0)) {
        return run;
    }
    // Only the child's end may be inherited, or the child never sees end of input.
    SetHandleInformation(input_write, HANDLE_FLAG_INHERIT, 0);
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
        return run;
    }
    if (!input.empty()) {
        DWORD written = 0;
        WriteFile(input_write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    }
    CloseHandle(input_write);

    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0) {
        DWORD exit_code = 0;
        GetExitCodeProcess(process.hProcess, &exit_code);
        run.finished = true;
        run.exit_status = static_cast<int>(exit_code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::ifstream file(output_path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    run.output = text.str();
    return run;
}

void program_set_environment(const char *name, const std::string &value)
{
    // A null value removes the variable.
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

std::string program_path(const char *name)
{
    return std::string(name) + ".exe";
}
