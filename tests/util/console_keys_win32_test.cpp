// paneltest's keys from a Windows console's own input events: Escape and
// Space count as they go down, a held Space's repeats and every other key or
// event do not, and what is taken is gone from the queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "console.h"

namespace {

INPUT_RECORD key_event(WORD key, bool down)
{
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = key;
    record.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(key == VK_SPACE ? ' ' : 0);
    return record;
}

INPUT_RECORD mouse_click()
{
    INPUT_RECORD record = {};
    record.EventType = MOUSE_EVENT;
    record.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    return record;
}

TEST(ConsoleKeysWin32, TakenFromTheConsolesEvents)
{
    const DWORD access = GENERIC_READ | GENERIC_WRITE, share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE input = CreateFileA("CONIN$", access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(input, INVALID_HANDLE_VALUE) << "no console, error " << GetLastError();
    ASSERT_TRUE(SetStdHandle(STD_INPUT_HANDLE, input));
    ASSERT_TRUE(FlushConsoleInputBuffer(input));
    // clang-format off
    const struct { const char *what; std::vector<INPUT_RECORD> events; unsigned int keys; } steps[] = {
        {"other keys and a click", {key_event('A', true), key_event('A', false), key_event(VK_RETURN, true), mouse_click()}, 0},
        {"Escape let go", {key_event(VK_ESCAPE, false)}, 0},
        {"Escape", {key_event(VK_ESCAPE, true)}, console_key_escape},
        {"Space and its repeats", {key_event(VK_SPACE, true), key_event(VK_SPACE, true)}, console_key_space},
        {"Space still held", {key_event(VK_SPACE, true)}, 0},
        {"Space again, with Escape", {key_event(VK_SPACE, false), key_event(VK_SPACE, true), key_event(VK_ESCAPE, true)}, console_key_space | console_key_escape},
        {"nothing since", {}, 0},
    };
    // clang-format on
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        DWORD written = 0;
        if (!step.events.empty()) {
            ASSERT_TRUE(WriteConsoleInputA(input, step.events.data(),
                                           static_cast<DWORD>(step.events.size()), &written));
            ASSERT_EQ(written, step.events.size());
        }
        // Wine's console queues what is written, and what its terminal reports,
        // a moment later: the keys of a step are those taken until it is empty.
        unsigned int keys = 0;
        DWORD left = 1;
        for (int tries = 0; tries < 200 && left != 0; ++tries) {
            keys |= console_keys_pressed();
            ASSERT_TRUE(GetNumberOfConsoleInputEvents(input, &left));
            if (left != 0) {
                Sleep(10);
            }
        }
        EXPECT_EQ(keys, step.keys);
        EXPECT_EQ(left, 0u) << "every event is taken, so none reaches the shell";
    }
}

}  // namespace
