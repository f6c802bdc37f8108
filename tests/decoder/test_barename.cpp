// This test program sits in a folder of its own beside a copy of the fake libdecoder.so, so the
// bare name that an empty library folder stands for resolves, through the program's RUNPATH of
// $ORIGIN, to that fake and never to the real library in the build's bin folder.
#include "bindingtest.h"

#include "platform/paths.h"

namespace {

using DecoderBareNameTest = TBindingTest;

TEST_F(DecoderBareNameTest, EmptyFolderLoadsTheLibraryBesideTheProgram)
{
    const TDecoder decoder;

    EXPECT_EQ(decoder.TempLibrary(), "");
    EXPECT_EQ(LoadedFile(decoder), ProgramFolder() + "/libdecoder.so");
    EXPECT_EQ(FakeOpenCount(decoder), 0);
}

TEST_F(DecoderBareNameTest, SecondBindingCopiesTheLibraryBesideTheProgram)
{
    const TDecoder first;
    std::string copy;
    {
        const TDecoder second;
        copy = second.TempLibrary();
        EXPECT_EQ(std::filesystem::path(copy).parent_path(), FTempFolder.Path());
        EXPECT_EQ(FileBytes(copy), FileBytes(ProgramFolder() + "/libdecoder.so"));
        EXPECT_EQ(LoadedFile(second), copy);
        EXPECT_NE(second.LibraryHandle(), first.LibraryHandle());
    }
    EXPECT_FALSE(std::filesystem::exists(copy));
}

} // namespace
