// wzio as a game host sees it: every export looked up by name and called
// through a pointer of the host's own making. A program of its own, so that
// it carries the calling-convention and emulated labels.
#include <gtest/gtest.h>

#include <stdint.h>

#include "io_callbacks.h"
#include "library_loader.h"
#include "program_run.h"
#include "sim_control.h"

namespace {

// A host that passes four 32-bit arguments to every call, needed or not:
// cdecl leaves the cleanup to the caller, so this must stay harmless.
typedef uint8_t(IO_CALL *host_byte_call)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef uint16_t(IO_CALL *host_word_call)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef void(IO_CALL *host_void_call)(uint32_t, uint32_t, uint32_t, uint32_t);

template <typename call> call lookup(void *library, const char *name)
{
    void *symbol = library_symbol(library, name);
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<call>(symbol);
}

}  // namespace

TEST(WzioHostLoad, EveryExportAnswersAHostPassingExtraArguments)
{
    if (only_one_calling_convention) {
        GTEST_SKIP() << one_convention_skip;
    }
    scoped_environment no_trace("CH341_SIM_TRACE", "");
    scoped_environment board("CH341_SIM_BOARD", "demo");
    void *library = library_load(program_folder() + wzio_file_name);
    ASSERT_NE(library, nullptr);
    auto init = lookup<host_byte_call>(library, "wz_io_init");
    auto fini = lookup<host_void_call>(library, "wz_io_fini");
    auto read_inputs = lookup<host_byte_call>(library, "wz_io_read_inputs");
    auto get_panel = lookup<host_word_call>(library, "wz_io_get_panel_inputs");
    auto get_sys = lookup<host_byte_call>(library, "wz_io_get_sys_inputs");
    auto set_panel_mode = lookup<host_byte_call>(library, "wz_io_set_panel_mode");
    auto set_coin_blocker = lookup<host_byte_call>(library, "wz_io_set_coin_blocker");
    auto write_lights = lookup<host_byte_call>(library, "wz_io_write_lights");
    auto set_rgb_led = lookup<host_void_call>(library, "wz_io_set_rgb_led");
    auto set_loggers = lookup<host_void_call>(library, "wz_io_set_loggers");
    ASSERT_FALSE(::testing::Test::HasFailure());

    // Freshly loaded: no scan yet.
    EXPECT_EQ(get_panel(1, 2, 3, 4), 0);
    EXPECT_EQ(get_sys(1, 2, 3, 4), 0);
    // true is the byte 1, nothing else.
    EXPECT_EQ(init(0xDEADBEEF, 1, 2, 3), 1);
    uint32_t wrong = 0;
    for (uint32_t round = 0; round < 4000; ++round) {
        uint32_t junk = round * 0x9E3779B9u;
        wrong += read_inputs(junk, junk, junk, junk) != 1;
        // The demo holds button round / 32 (mod 16) in this scan.
        wrong += get_panel(junk, 0, 0, 0) != (1u << ((round / 32) % 16));
        wrong += get_sys(junk, 0, 0, 0) != (round / (32 * 16)) % 8;
        wrong += set_panel_mode(junk, junk, 0, 0) != 1;
        wrong += set_coin_blocker(junk, 0, junk, 0) != 1;
        wrong += write_lights(junk, 0, 0, junk) != 1;
        set_rgb_led(junk, junk, junk, junk);
        set_loggers(junk, junk, junk, junk);
    }
    EXPECT_EQ(wrong, 0u);
    fini(0, 0, 0, 0);
    library_free(library);
}
