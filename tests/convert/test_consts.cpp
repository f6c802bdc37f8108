#include "convert/_consts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

TEST(Consts, AppFolderIsTheFolderOfTheRunningProgram)
{
    ASSERT_FALSE(AppFolder.empty());
    EXPECT_EQ(AppFolder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(AppFolder + program_invocation_short_name));
}
