// The worker that carries out one conversion job: it takes frames from the open video by the job's
// mode, scales each to the thumbnail size, writes it as a numbered JPEG file and reports every file
// and the job's end to the main thread.
#pragma once

#include "convert/FastDIB.h"
#include "convert/FreeBitmap.h"
#include "convert/_consts.h"
#include "convert/picturesink.h"
#include "convert/thumbnailwriter.h"
#include "decoder/decoder.h"
#include "platform/thread.h"

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

class TConvertThread : public TThread {
public:
    // Created suspended, with all it needs: TotalSeconds is the video's length in whole seconds (used
    // by whole-video and pieces jobs), and OnStatus receives every report on the main thread.
    // Decoder must outlive the thread. With a Sheet the pictures go there instead of files of their
    // own, and it is finished once the last one is in.
    TConvertThread(TDecoder& Decoder, std::int32_t TotalSeconds, TConvertRec AJob, TStatusEvent OnStatus,
                   std::unique_ptr<TPictureSink> Sheet = nullptr);
    // Stops the reports, ends the job before its next picture (a range or pieces job too: it runs on
    // past a stop request, but not once its owner is gone, as when the program is told to end) and
    // waits for its end while serving its hand-offs.
    ~TConvertThread() override;

    const TConvertRec Job;

    // Why the job failed: readable during the report [stConvertError, stConvertStopped] and after it.
    const std::string& LastError() const noexcept { return FLastError; }

protected:
    void Execute() override;

private:
    void DoStatus();
    // Hands Status over to OnStatus on the main thread and waits until it has run.
    void Notify();
    void Fail(const std::string& Message);

    double Fps() const;
    void SizeThumbDib();
    void ConvertWhole();
    void ConvertRange();
    void ConvertPieces();
    void ConvertChapters();
    // One frame becomes file number Index; false when the decoder had no frame left.
    bool FrameStep(std::int32_t Index);
    // Prepares the picture and starts writing it; it is announced once it is on disk.
    void WriteThumbnail(const TFastDIB& Picture, std::int32_t Index);
    // Waits for the picture being written and reports it as saved; throws when it could not be
    // written. Nothing is announced that is not on disk.
    void AnnounceWritten();
    // Reports picture Index as done.
    void Announce(std::int32_t Index);
    static std::string WriteFailure(const std::string& FileName, const std::system_error& Error);

    const TStatusEvent FOnStatus;
    TDecoder& FDecoder;
    const std::int32_t FTotalSeconds;
    // Declared in this order so that they are freed as the writer, OutBitmap, ThumbDib, SourceDib.
    TFastDIB FSourceDib;
    TFastDIB FThumbDib;
    TFreeBitmap FOutBitmap[2];
    // Encoding and writing a picture overlap the decoding and scaling of the next one on the
    // second core; pictures are still written and announced one after another, in order.
    TThumbnailWriter FWriter;
    const std::unique_ptr<TPictureSink> FSheet;
    std::int32_t FWriting = -1; // index of the picture being written, -1 when none
    std::string FWritingName;
    TStatusFlags FStatus;
    TConvertProgress FProgress;
    std::int32_t FSaved = 0; // pictures announced as written
    std::int64_t FFrequency;
    std::int64_t FRateMark = 0;
    std::string FLastError;
};
