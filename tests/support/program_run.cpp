#include "program_run.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "program_platform.h"
#include "test_clock.h"

// Under an emulator one process start alone takes a minute or more:
// IO_TEST_TIME_SCALE=N stretches every time limit N times.
static uint64_t scaled_timeout_us(int timeout_ms)
{
    const char *text = getenv("IO_TEST_TIME_SCALE");
    int scale = text != nullptr ? atoi(text) : 1;
    return static_cast<uint64_t>(timeout_ms) * 1000u * (scale > 1 && scale <= 100 ? scale : 1);
}

// Whether the output holds what the chunk waits for.
static bool output_holds(const std::string &output_path, const program_input &input)
{
    if (input.after.empty()) {
        return true;
    }
    std::string output = read_file(output_path);
    int found = 0;
    for (size_t at = output.find(input.after); at != std::string::npos && found < input.times;
         at = output.find(input.after, at + 1)) {
        ++found;
    }
    return found >= input.times;
}

// False when the program ended, or the deadline passed, before the output held it.
static bool output_comes_due(const program_process &process, const std::string &output_path,
                             const program_input &input, uint64_t deadline_us)
{
    while (!output_holds(output_path, input)) {
        if (test_clock_us() >= deadline_us || program_ended(process, 5)) {
            return false;
        }
    }
    return true;
}

program_run program_run_with(const std::string &program, const std::vector<std::string> &arguments,
                             const std::vector<program_input> &input,
                             const std::string &output_path, int timeout_ms)
{
    uint64_t deadline_us = test_clock_us() + scaled_timeout_us(timeout_ms);
    size_t next = !input.empty() && input[0].after.empty() ? 1 : 0;
    program_process process = {};
    if (!program_start(program, arguments, next ? input[0].chunk : "", output_path, &process)) {
        return {false, -1000, read_file(output_path)};
    }
    for (; next < input.size() && output_comes_due(process, output_path, input[next], deadline_us);
         ++next) {
        program_write(process, input[next].chunk);
    }
    program_close_input(process);
    bool in_time = true;
    while (in_time && !program_ended(process, 5)) {
        in_time = test_clock_us() < deadline_us;
    }
    if (!in_time) {
        program_kill(process);
    }
    int exit_status = -1000;
    bool finished = program_reap(process, &exit_status) && in_time;
    return {finished, finished ? exit_status : -1000, read_file(output_path)};
}

std::string read_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool write_file(const std::string &path, const std::string &text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    return !file.fail();
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

console_text console_text_of(const std::string &output)
{
    const std::string &clear = console_clear_sequence();
    console_text shown = {"", 0};
    for (size_t at = 0; at < output.size();) {
        if (!clear.empty() && output.compare(at, clear.size(), clear) == 0) {
            ++shown.clears;
            at += clear.size();
        } else if (output.compare(at, 2, "\r\n") == 0) {
            shown.text += '\n';
            at += 2;
        } else {
            shown.text += output[at++];
        }
    }
    return shown;
}
