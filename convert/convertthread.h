// The worker that carries out one conversion job: it takes frames from the open video by the job's
// mode, scales each to the thumbnail size, has it encoded as a JPEG beside the next ones, writes the
// numbered files in order and reports every file and the job's end to the main thread.
#pragma once

#include "convert/FastDIB.h"
#include "convert/FreeBitmap.h"
#include "convert/_consts.h"
#include "convert/frametime.h"
#include "convert/picturesink.h"
#include "convert/thumbnailwriter.h"
#include "decoder/decoder.h"
#include "platform/thread.h"

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

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
    void ConvertSpread();
    void ConvertChapters();
    // Seeks so that the decoder's next frame is the point's; false when the video ended before it.
    bool SeekPoint(const TStillPoint& Point);
    // The frame nearest Centre in [First, End) that shows anything, found by probing whole seconds
    // outward, alternately later and earlier, and then decoding up to the probe that found one;
    // Centre when none is found within kSearchSeconds on either side.
    std::int64_t NearestVisible(std::int64_t First, std::int64_t Centre, std::int64_t End);
    // Whether frame Frame, or the decoder's next frame, shows anything: decoded, not nearly uniform.
    bool Visible(std::int64_t Frame);
    bool VisibleNext();
    // The first frame from From on before Probe that shows anything, else Probe; the last after Probe
    // before To, else Probe.
    std::int64_t FirstVisible(std::int64_t From, std::int64_t Probe);
    std::int64_t LastVisible(std::int64_t Probe, std::int64_t To);
    // The decoder's next frame, frame Frame of the video, becomes picture Index; false when the
    // decoder had no frame left.
    bool FrameStep(std::int32_t Index, std::int64_t Frame);
    bool Deliver(PDecodedFrame Decoded, std::int32_t Index, std::int64_t Frame);
    // Picture at the job's size, the right way up, from the frame in FSourceDib.
    void Scale(TFastDIB& Picture) const;
    // Starts encoding the frame as picture Index; it is written and announced in its turn.
    void WriteThumbnail(std::int32_t Index);
    // Writes the oldest picture begun and reports it as saved, waiting for its encoding; throws when
    // it could not be encoded or written, dropping those after it. Nothing is announced that is not
    // on disk. Drops every picture begun instead once the job is to stop.
    void WriteOldest();
    // WriteOldest until every picture begun is written, or dropped.
    void AnnounceWritten();
    void DropPending();
    // A whole-video job told to stop, or a job whose owner let go: no picture is begun or written.
    bool Stopping() const noexcept;
    // Reports picture Index as done.
    void Announce(std::int32_t Index);
    static std::string WriteFailure(const std::string& FileName, const std::system_error& Error);

    // One picture on its way to disk: the 24-bit bitmap the JPEG writer encodes, the same pixels as
    // the resampler writes them, the bytes once encoded, and the file they go to.
    struct TOutPicture {
        TFreeBitmap Bitmap;
        TFastDIB Pixels;
        std::vector<BYTE> Jpeg;
        std::string FileName;
        std::int32_t Index = -1;
    };
    // The picture in ring place Place (counted from the oldest begun), made at the job's size when first needed.
    TOutPicture& OutPicture(std::size_t Place);

    const TStatusEvent FOnStatus;
    TDecoder& FDecoder;
    const std::int32_t FTotalSeconds;
    // The open video's rate, for frames reached from whole seconds.
    TFrameRate FRate;
    // The frame where the decoder delivered it, rows top-down, so the bitmap stands upside down.
    TFastDIB FSourceDib;
    // A sheet's picture.
    TFastDIB FThumbDib;
    // Pictures encoding or encoded and not yet written, in a ring: FOutCount of them from FOutFirst
    // on, oldest first. Four more than the writer's threads: with two more, the threads often sat
    // idle while the oldest waited for its encoding and then its file (1.88 of 2 CPUs used against
    // 1.95, at a picture's worth of memory each). Memory stays the same however long the job.
    std::vector<std::unique_ptr<TOutPicture>> FOut;
    std::size_t FOutFirst = 0;
    std::size_t FOutCount = 0;
    // Declared after the pictures, so that it is gone, with the encodings it had under way, before them.
    TThumbnailWriter FWriter;
    const std::unique_ptr<TPictureSink> FSheet;
    TStatusFlags FStatus;
    TConvertProgress FProgress;
    std::int32_t FSaved = 0; // pictures announced as written
    std::int64_t FFrequency;
    std::int64_t FRateMark = 0;
    std::string FLastError;
};
