// A program of its own: once the stand-in is in the process, a loader would
// reuse it instead of looking for the file.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "library_loader.h"
#include "program_run.h"

namespace {

bool file_copy(const std::string &from, const std::string &to)
{
    std::string bytes = read_file(from);
    return !bytes.empty() && write_file(to, bytes);
}

}  // namespace

TEST(WzioMissingBridge, LoadFailsWithoutTheBridgeLibraryBesideIt)
{
    ASSERT_FALSE(library_in_process(ch341dll_file_name));
    std::string bin = program_folder();
    std::string alone = folder_current() + "wzio_alone" + bin.back();
    ASSERT_TRUE(folder_create(alone));
    remove((alone + ch341dll_file_name).c_str());
    ASSERT_TRUE(file_copy(bin + wzio_file_name, alone + wzio_file_name));
    // Windows also searches the working folder: it must hold no stand-in either.
    ASSERT_TRUE(folder_enter(alone));

    EXPECT_EQ(library_load(alone + wzio_file_name), nullptr);

    // The same copy loads once the bridge library sits beside it.
    ASSERT_TRUE(file_copy(bin + ch341dll_file_name, alone + ch341dll_file_name));
    void *library = library_load(alone + wzio_file_name);
    EXPECT_NE(library, nullptr);
    if (library != nullptr) {
        library_free(library);
    }
}
