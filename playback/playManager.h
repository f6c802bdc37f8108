// TPlayManager: the one object through which the window drives the video. It opens a file and
// shows its first frame, plays, pauses, stops and seeks the preview, starts conversion jobs, and
// turns the workers' reports, which it receives on the main thread, into its events. Every
// operation and every event runs on the main thread.
#pragma once

#include "convert/_consts.h"
#include "convert/convertthread.h"
#include "decoder/decoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TPreviewSurface;
class TPlayThread;

// Sender is always none. Info is none for the playback events and the conversion's progress block
// for the conversion events, valid only during the call.
using TManagerEvent = std::function<void(void* Sender, bool FromConversion, const TConvertProgress* Info)>;

class TPlayManager {
public:
    // Loads the decoder library beside the program; a failure to load it propagates.
    TPlayManager();
    // Stops and frees the conversion thread, then the playback thread, then the decoder.
    ~TPlayManager();
    TPlayManager(const TPlayManager&) = delete;
    TPlayManager& operator=(const TPlayManager&) = delete;

    // What the window may ask, in the order it may ask it: Panel is assigned first; no operation is
    // called while Converting; Seek only once Opened; Convert and OpenFile only after Pause.

    // Opens the file (of a disc: the title and angle, 0 for the main title and the first angle) and
    // shows its first frame; a following Play starts with the second. A file the library refuses
    // raises EMPEG2Error and leaves everything but FileName as it was.
    void OpenFile(const std::string& FileName, std::int32_t Title = 0, std::int32_t Angle = 0);
    // Starts playing from the decoder's current place; nothing while playing or without a file.
    void Play();
    // Stops the playback thread; the picture stays.
    void Pause();
    // Back to the start, showing the first frame.
    void Stop();
    // Shows the frame at that second; playback goes on from there if it was running.
    void Seek(std::int32_t Seconds);
    // Draws subtitle stream Stream (its number from SubtitleStreams; 0: none), only its forced
    // subpictures with ForcedOnly, into the preview and every later job, until the next OpenFile,
    // which starts with none. While paused, the preview shows the first frame of the second on screen
    // again, with them. False, with the earlier choice kept, where the decoder refuses it.
    bool SetSubtitles(std::int32_t Stream, bool ForcedOnly);
    // The open video's subtitle streams. The first call after an open may read the whole file (a
    // plain program stream's are found only by walking it).
    std::vector<TDecoderSubtitleStream> SubtitleStreams();
    // Starts a conversion thread for the job; with a Sheet its pictures go there.
    void Convert(TConvertRec Job, std::unique_ptr<TPictureSink> Sheet = nullptr);

    // The workers' report, run on the main thread while the reporting worker waits.
    void ThreadStatus(TStatusFlags Status, const TConvertProgress* Info);
    // Copies the decoder's information into the fields.
    void UpdateInfo();

    std::int32_t Width() const noexcept { return FWidth; }
    std::int32_t Height() const noexcept { return FHeight; }
    double AspectRatio() const noexcept { return FAspectRatio; }
    std::int32_t DurationHours() const noexcept { return FDurationHours; }
    std::int32_t DurationMinutes() const noexcept { return FDurationMinutes; }
    std::int32_t DurationSeconds() const noexcept { return FDurationSeconds; }
    std::int32_t TotalSeconds() const noexcept { return FTotalSeconds; }
    // Whole seconds of the frame last delivered.
    std::int64_t Position() const noexcept { return FPosition; }
    // The file's nominal rate after open, stop and seek; the measured display rate while playing.
    double Fps() const noexcept { return FFps; }
    // The file's own rate, also while playing.
    double FileFps() const noexcept { return FDecoder.Fps(); }
    bool Opened() const noexcept { return FOpened; }
    bool Playing() const noexcept { return FPlaying; }
    const std::string& FileName() const noexcept { return FFileName; }
    // From Convert until the job has reported its end (done or failed) and that event has returned.
    bool Converting() const noexcept { return FConverting; }
    // Why the last conversion failed; readable during OnConvertFailed and after it.
    std::string ConvertError() const;
    // What could not be read of the open video since it opened.
    TDecoderUnreadable Unreadable() const { return FDecoder.Unreadable(); }

    // The preview surface; not owned.
    TPreviewSurface* Panel = nullptr;
    // Position and Fps were refreshed during playback.
    TManagerEvent OnPosition;
    // Playback reached the end of the stream.
    TManagerEvent OnPlayEnd;
    TManagerEvent OnProgress;
    TManagerEvent OnConvertDone;
    // The conversion failed and ends without OnConvertDone; ConvertError tells why.
    TManagerEvent OnConvertFailed;

private:
    // Sizes the panel to the picture and shows the frame there, if there is one.
    void ShowFrame(PDecodedFrame Frame);
    // Runs Use with the playback thread stopped, as the decoder serves one thread at a time, and
    // plays on afterwards if it was playing.
    void WhilePaused(const std::function<void()>& Use);
    // Leaves the converting state after the job's last event; the next Play starts at the beginning.
    void EndConversion();
    // ThreadStatus, as both workers' OnStatus.
    TStatusEvent StatusHandler();

    // Declared in this order so that they are freed as ConvertThread, PlayThread, Decoder.
    TDecoder FDecoder;
    std::unique_ptr<TPlayThread> FPlayThread;
    std::unique_ptr<TConvertThread> FConvertThread;

    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    double FAspectRatio = 1.0;
    std::int32_t FDurationHours = 0;
    std::int32_t FDurationMinutes = 0;
    std::int32_t FDurationSeconds = 0;
    // Read by the conversion thread when a job starts.
    std::int32_t FTotalSeconds = 0;
    std::int64_t FPosition = 0;
    double FFps = 0;
    bool FOpened = false;
    bool FPlaying = false;
    std::string FFileName;
    bool FConverting = false;
};
