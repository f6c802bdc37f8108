#include "bindingtest.h"

#include <cerrno>
#include <cstring>

namespace {

std::string FakeFolder(const std::string& variant)
{
    return std::string(STILLREEL_FAKES_DIR) + "/" + variant;
}

std::string LoaderErrorStart()
{
    return "System Error.  Code: " + std::to_string(ELIBACC) + ".\n";
}

std::uint32_t FirstPixel(PDecodedFrame frame)
{
    std::uint32_t word;
    std::memcpy(&word, frame->Pixels, sizeof word);
    return word;
}

// ---- Loading --------------------------------------------------------------------------------

class DecoderLoadingTest : public TBindingTest, public testing::WithParamInterface<const char*> {};

TEST_P(DecoderLoadingTest, FirstBindingLoadsTheLibraryInItsFolderDirectly)
{
    const TDecoder decoder(FakeFolder("complete") + GetParam());

    EXPECT_NE(decoder.LibraryHandle(), nullptr);
    EXPECT_EQ(decoder.TempLibrary(), "");
    EXPECT_EQ(LoadedFile(decoder), FakeFolder("complete") + "/libdecoder.so");
    EXPECT_TRUE(FTempFolder.Entries().empty());
    EXPECT_EQ(DecoderCount, FCountBefore + 1);
}

INSTANTIATE_TEST_SUITE_P(FolderSpellings, DecoderLoadingTest, testing::Values("", "/"),
                         [](const auto& paramInfo) { return *paramInfo.param ? "trailingSlash" : "plain"; });

using DecoderCopyTest = TBindingTest;

TEST_F(DecoderCopyTest, SecondLiveBindingLoadsAPrivateCopyFromTheTempFolder)
{
    const TDecoder first(FakeFolder("complete"));
    const TDecoder second(FakeFolder("complete"));

    const std::filesystem::path copy = second.TempLibrary();
    EXPECT_EQ(copy.parent_path(), FTempFolder.Path());
    EXPECT_EQ(copy.filename().string().substr(0, 3), "dec");
    EXPECT_EQ(FileBytes(copy), FileBytes(FakeFolder("complete") + "/libdecoder.so"));
    EXPECT_EQ(LoadedFile(second), copy.string());
    EXPECT_EQ(first.TempLibrary(), "");
    EXPECT_EQ(DecoderCount, FCountBefore + 2);
}

TEST_F(DecoderCopyTest, PrivateCopyHasGlobalsOfItsOwn)
{
    TDecoder first(FakeFolder("complete"));
    const TDecoder second(FakeFolder("complete"));

    first.OpenFile("/videos/a.vob", 0, 0);

    EXPECT_EQ(FakeOpenCount(first), 1);
    EXPECT_EQ(FakeOpenCount(second), 0);
}

TEST_F(DecoderCopyTest, PrivateCopyIsDeletedWithItsBinding)
{
    const TDecoder first(FakeFolder("complete"));
    std::string copy;
    {
        const TDecoder second(FakeFolder("complete"));
        copy = second.TempLibrary();
        ASSERT_TRUE(std::filesystem::exists(copy));
    }
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(FTempFolder.Entries().empty());
    EXPECT_EQ(DecoderCount, FCountBefore + 1);
}

TEST_F(DecoderCopyTest, CopyFromAMissingLibraryFailsAsALoadAndLeavesNoFile)
{
    const TDecoder first(FakeFolder("complete"));

    try {
        const TDecoder second(FEmptyFolder.Path().string());
        FAIL() << "a binding was built without a library";
    } catch (const EOSError& error) {
        // The empty file that the copy left is what the loader refuses.
        EXPECT_EQ(error.Message().rfind(LoaderErrorStart() + FTempFolder.Path().string() + "/dec", 0), 0u)
            << error.Message();
    }
    EXPECT_TRUE(FTempFolder.Entries().empty());
    EXPECT_EQ(DecoderCount, FCountBefore + 1);
}

TEST_F(DecoderCopyTest, UnusableTempFolderRaisesTheSystemError)
{
    const TDecoder first(FakeFolder("complete"));
    const TScopedEnv missingTemp("TMPDIR", (FTempFolder.Path() / "missing").string());

    try {
        const TDecoder second(FakeFolder("complete"));
        FAIL() << "a binding was built without its copy";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.Message(), "System Error.  Code: " + std::to_string(ENOENT) + ".\n" +
                                       std::strerror(ENOENT));
    }
    EXPECT_EQ(DecoderCount, FCountBefore + 1);
}

// ---- Failing construction -------------------------------------------------------------------

struct TMissingExport {
    const char* Variant;
    const char* Name;
};

void PrintTo(const TMissingExport& missing, std::ostream* out)
{
    *out << missing.Variant;
}

class DecoderMissingExportTest : public TBindingTest, public testing::WithParamInterface<TMissingExport> {};

TEST_P(DecoderMissingExportTest, FirstBindingFailsWithTheLoaderText)
{
    const std::string library = FakeFolder(GetParam().Variant) + "/libdecoder.so";
    try {
        const TDecoder decoder(FakeFolder(GetParam().Variant));
        FAIL() << "a binding was built without " << GetParam().Name;
    } catch (const EOSError& error) {
        EXPECT_EQ(error.Message(), LoaderErrorStart() + library + ": undefined symbol: " + GetParam().Name);
    }
    EXPECT_EQ(DecoderCount, FCountBefore);
}

TEST_P(DecoderMissingExportTest, SecondBindingFailsAndDeletesItsCopy)
{
    const TDecoder first(FakeFolder("complete"));
    try {
        const TDecoder second(FakeFolder(GetParam().Variant));
        FAIL() << "a binding was built without " << GetParam().Name;
    } catch (const EOSError& error) {
        const std::string tail = std::string(": undefined symbol: ") + GetParam().Name;
        EXPECT_EQ(error.Message().rfind(LoaderErrorStart() + FTempFolder.Path().string() + "/dec", 0), 0u)
            << error.Message();
        EXPECT_TRUE(error.Message().ends_with(tail)) << error.Message();
    }
    EXPECT_TRUE(FTempFolder.Entries().empty());
    EXPECT_EQ(DecoderCount, FCountBefore + 1);
}

INSTANTIATE_TEST_SUITE_P(Exports, DecoderMissingExportTest,
                         testing::Values(TMissingExport{"nogetframe", "getFrame"},
                                         TMissingExport{"noconvert", "convert"}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.Name); });

using DecoderMissingLibraryTest = TBindingTest;

TEST_F(DecoderMissingLibraryTest, FailsWithTheLoaderText)
{
    const std::string library = FEmptyFolder.Path().string() + "/libdecoder.so";
    try {
        const TDecoder decoder(FEmptyFolder.Path().string());
        FAIL() << "a binding was built without a library";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.Message(),
                  LoaderErrorStart() + library + ": cannot open shared object file: No such file or directory");
    }
    EXPECT_EQ(DecoderCount, FCountBefore);
}

// ---- Opening and reading --------------------------------------------------------------------

class DecoderVideoTest : public TBindingTest {
protected:
    TDecoder FDecoder{FakeFolder("complete")};
};

TEST_F(DecoderVideoTest, OpenFileTakesTheLibraryRecords)
{
    SetScript("fps=29.97;seconds=3725;width=720;height=576;aspect=1.7778");

    FDecoder.OpenFile("/videos/a.vob", 0, 0);

    const auto getFileInfo = LibrarySymbol<TGetFileInfoProc>(FDecoder, "getFileInfo");
    const auto getFrameInfo = LibrarySymbol<TGetFrameInfoProc>(FDecoder, "getFrameInfo");
    ASSERT_EQ(FDecoder.FileInfo(), getFileInfo());
    EXPECT_EQ(FDecoder.FrameInfo(), getFrameInfo());
    EXPECT_EQ(FDecoder.Width(), 720);
    EXPECT_EQ(FDecoder.Height(), 576);
    EXPECT_DOUBLE_EQ(FDecoder.Fps(), 29.97);
    EXPECT_DOUBLE_EQ(FDecoder.AspectRatio(), 1.7778);
    EXPECT_EQ(FDecoder.FileInfo()->TotalSeconds, 3725);
    EXPECT_EQ(FDecoder.FileInfo()->DurationHours, 1);
    EXPECT_EQ(FDecoder.FileInfo()->DurationMinutes, 2);
    EXPECT_EQ(FDecoder.FileInfo()->DurationSeconds, 5);
    EXPECT_EQ(FDecoder.FrameInfo()->Timestamp, 0);
}

TEST_F(DecoderVideoTest, RejectedFileRaisesAndKeepsThePreviousFile)
{
    SetScript("fps=25;width=64;height=48;aspect=1.3333;reject=bad");
    FDecoder.OpenFile("/videos/good.vob", 0, 0);
    const TDecoderFileInfo* fileInfo = FDecoder.FileInfo();
    const TDecoderFrameInfo* frameInfo = FDecoder.FrameInfo();
    SetScript("fps=50;width=32;height=16;aspect=2;reject=bad");

    const std::string path = "/videos/bad movie.vob";
    try {
        FDecoder.OpenFile(path, 0, 0);
        FAIL() << "a rejected file was opened";
    } catch (const EMPEG2Error& error) {
        // The fake has no getLastError, as a library from before it: the message gives no reason.
        ASSERT_EQ(LibrarySymbol<TGetLastErrorProc>(FDecoder, "getLastError"), nullptr);
        EXPECT_EQ(error.Message(), "Unable to open video file: /videos/bad movie.vob");
    }
    EXPECT_EQ(FDecoder.FileInfo(), fileInfo);
    EXPECT_EQ(FDecoder.FrameInfo(), frameInfo);
    EXPECT_EQ(FDecoder.FileInfo()->FrameWidth, 64);
    EXPECT_EQ(FDecoder.Width(), 64);
    EXPECT_EQ(FDecoder.Height(), 48);
    EXPECT_DOUBLE_EQ(FDecoder.Fps(), 25);
    EXPECT_DOUBLE_EQ(FDecoder.AspectRatio(), 1.3333);
}

TEST_F(DecoderVideoTest, FrameInfoFollowsEachDeliveredFrame)
{
    SetScript("fps=2;seconds=3");
    FDecoder.OpenFile("/videos/a.vob", 0, 0);
    // The fake has no frameDeinterlaced, as a library from before it: no frame counts as deinterlaced.
    ASSERT_EQ(LibrarySymbol<TFrameDeinterlacedProc>(FDecoder, "frameDeinterlaced"), nullptr);

    for (std::uint32_t index = 0; index < 6; ++index) {
        const PDecodedFrame frame = FDecoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "frame " << index;
        EXPECT_EQ(FirstPixel(frame), index);
        EXPECT_EQ(FDecoder.FrameInfo()->Timestamp, index / 2) << "frame " << index;
        EXPECT_FALSE(FDecoder.FrameDeinterlaced()) << "frame " << index;
    }
}

TEST_F(DecoderVideoTest, EndOfStreamStaysEmpty)
{
    SetScript("fps=25;frames=3");
    FDecoder.OpenFile("/videos/a.vob", 0, 0);
    for (int index = 0; index < 3; ++index)
        ASSERT_NE(FDecoder.GetNextFrame(), nullptr);

    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(FDecoder.GetNextFrame(), nullptr) << "call " << call;
}

TEST_F(DecoderVideoTest, FrameInfoIsRefreshedAlsoForAnEmptyFrame)
{
    SetScript("fps=25;frames=1");
    FDecoder.OpenFile("/videos/a.vob", 0, 0);
    ASSERT_NE(FDecoder.GetNextFrame(), nullptr);

    ASSERT_EQ(FDecoder.GetNextFrame(), nullptr);

    EXPECT_EQ(FDecoder.FrameInfo(), LibrarySymbol<TGetFrameInfoProc>(FDecoder, "getFrameInfo")());
}

TEST_F(DecoderVideoTest, RewindAfterTheEndDeliversTheFirstFrameAgain)
{
    SetScript("fps=25;seconds=2");
    FDecoder.OpenFile("/videos/a.vob", 0, 0);
    while (FDecoder.GetNextFrame()) {
    }

    FDecoder.Rewind();
    const PDecodedFrame frame = FDecoder.GetNextFrame();

    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FirstPixel(frame), 0u);
    EXPECT_EQ(FDecoder.FrameInfo()->Timestamp, 0);
}

struct TSeekCase {
    const char* Script;
    std::int32_t Second;
    std::uint32_t Frame;
};

void PrintTo(const TSeekCase& seek, std::ostream* out)
{
    *out << seek.Script << ", second " << seek.Second;
}

class DecoderSeekTest : public DecoderVideoTest, public testing::WithParamInterface<TSeekCase> {};

TEST_P(DecoderSeekTest, NextFrameIsTheFirstOfThatSecond)
{
    SetScript(GetParam().Script);
    FDecoder.OpenFile("/videos/a.vob", 0, 0);

    FDecoder.Seek(GetParam().Second);
    const PDecodedFrame frame = FDecoder.GetNextFrame();

    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FirstPixel(frame), GetParam().Frame);
    EXPECT_EQ(FDecoder.FrameInfo()->Timestamp, GetParam().Second);
}

INSTANTIATE_TEST_SUITE_P(Rates, DecoderSeekTest,
                         testing::Values(TSeekCase{"fps=25;seconds=100", 4, 100},
                                         TSeekCase{"fps=29.97;seconds=200", 100, 2997},
                                         TSeekCase{"fps=29.97;seconds=200", 10, 300}),
                         [](const auto& paramInfo) { return "frame" + std::to_string(paramInfo.param.Frame); });

} // namespace
