// Sets the console's input mode, runs a program on the same console, and
// prints the mode as that program changed it and as it left it:
//   console_mode_probe MODE PROGRAM [ARGUMENT...]   (MODE in hex)
// Windows only, for terminal_screen.py to judge paneltest's QuickEdit.
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>

int main(int argc, char **argv)
{
    HANDLE input =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = strtoul(argv[argc > 1 ? 1 : 0], nullptr, 16);
    std::string command;
    for (int i = 2; i < argc; ++i) {
        command += std::string("\"") + argv[i] + "\" ";
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!SetConsoleMode(input, mode) ||
        !CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 2;
    }
    // The first change seen is the program's; it lasts while the program runs.
    DWORD during = mode;
    while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT && during == mode) {
        GetConsoleMode(input, &during);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD after = 0;
    GetConsoleMode(input, &after);
    printf("mode %#lx during, %#lx after\n", static_cast<unsigned long>(during),
           static_cast<unsigned long>(after));
    return 0;
}
