// A program of its own: once the stand-in is in the process, a loader would
// reuse it instead of looking for the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library_loader.h"
#include "program_run.h"

namespace fs = std::filesystem;

TEST(WzioMissingBridge, LoadFailsWithoutTheBridgeLibraryBesideIt)
{
    ASSERT_FALSE(library_in_process(ch341dll_file_name));
    const fs::path bin = program_folder();
    const fs::path alone = fs::current_path() / "wzio_alone";
    std::error_code error;
    // Emptied first: the Windows build's copy_file would not overwrite an earlier run's copy.
    fs::remove_all(alone, error);
    fs::create_directories(alone, error);
    ASSERT_TRUE(fs::is_directory(alone)) << error.message();
    const auto copy = fs::copy_options::overwrite_existing;
    ASSERT_TRUE(fs::copy_file(bin / wzio_file_name, alone / wzio_file_name, copy, error));
    // Windows also searches the working folder: it must hold no stand-in either.
    fs::current_path(alone, error);
    ASSERT_FALSE(error) << error.message();

    EXPECT_EQ(library_load((alone / wzio_file_name).string()), nullptr);

    // The same copy loads once the bridge library sits beside it.
    ASSERT_TRUE(fs::copy_file(bin / ch341dll_file_name, alone / ch341dll_file_name, copy, error));
    void *library = library_load((alone / wzio_file_name).string());
    ASSERT_NE(library, nullptr);
    library_free(library);
}
