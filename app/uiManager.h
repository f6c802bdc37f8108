// TUIManager: the main window's controller. It builds the preview surface and the play manager,
// wires every command and event, checks and starts conversion jobs, writes the information and
// progress lines, shows the dialogs, and keeps the window inside the work area while it moves.
#pragma once

#include "app/configManager.h"
#include "app/windowplace.h"
#include "common/hms.h"
#include "convert/_consts.h"
#include "dvd/disc.h"
#include "job/choices.h"
#include "job/statuslines.h"
#include "job/video.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QActionGroup;
class QAction;
class QString;
class QWidget;
class TmainDlg;
class TPlayManager;
class TSDLPanel;

// Every modal thing the controller shows, in one place, so that tests can answer them.
class TUIChoosers {
public:
    virtual ~TUIChoosers() = default;
    // The file-open dialog; the chosen file's full path, or "" when cancelled.
    virtual std::string ChooseVideoFile(QWidget* Owner);
    // The title chooser of a disc, MainTitle selected: the chosen title's number and angle (from 1),
    // or title 0 when cancelled.
    virtual job::TitleRequest ChooseTitle(QWidget* Owner, const std::vector<dvd::TitleInfo>& Titles, int MainTitle);
    // The folder chooser; the chosen folder, or "" when cancelled.
    virtual std::string ChooseFolder(QWidget* Owner, const std::string& Title);
    // A plain message box, with the information icon or with none.
    virtual void ShowMessage(QWidget* Owner, const std::string& Text, bool InformationIcon);
    // A message box with the error icon.
    virtual void ShowError(QWidget* Owner, const std::string& Text);
    virtual void RunConfig(QWidget* Owner, TConfigManager& Settings, bool Opened, double AspectRatio);
    // The dialog after a job; Unreadable is empty, or says what of the video could not be read.
    virtual void ShowComplete(QWidget* Owner, const std::string& Folder, const std::string& Unreadable);
    virtual void ShowAbout(QWidget* Owner);
};

// "FPS: %.2f Size: %dx%d Duration: %0.2d:%0.2d:%0.2d Timestamp: %0.2d:%0.2d:%0.2d" with the locale's
// decimal separator.
std::string FormatInfoLine(double Fps, std::int32_t Width, std::int32_t Height, const THms& Duration,
                           const THms& Timestamp);

class TUIManager : public QObject {
public:
    TUIManager(TmainDlg& Form, std::unique_ptr<TUIChoosers> Choosers);
    // Frees the settings, the play manager (stopping its threads) and the panel, in this order.
    ~TUIManager() override;

    void BuildWindow();

    // Keep a move or a sizing of the window's frame rectangle inside the work area.
    virtual void ClampMoving(TScreenRect& Rect);
    virtual void ClampSizing(TScreenRect& Rect);

    void OpenClick();
    enum class TOpenResult { Opened, Busy, NotAVideo, Cancelled };
    // Opens that file as the open command does once a file is chosen: a DVD video file by its name
    // (job::HasVideoExtension), or a disc (a VIDEO_TS folder or its parent, VIDEO_TS.IFO, an image)
    // whose title the user picks when it has several. Nothing is opened while converting, for
    // another file, or when the user cancels the title chooser. Raises when the open fails.
    TOpenResult OpenVideo(const std::string& FileName);
    void PlayClick();
    void PauseClick();
    void StopClick();
    void StartPointClick();
    void EndPointClick();
    void SaveFolderClick();
    void GenerateClick();
    // A contact sheet of as many cells as the pieces field asks, over the whole video to the frame and
    // none of them blank where its share has a picture, in the save folder with its map.
    void SheetClick();
    // One still at the first frame of each chapter of the open disc title.
    void ChaptersClick();
    // A contact sheet with one cell per chapter.
    void ChapterSheetClick();
    // An entry of the Subtitles submenu was chosen: the preview and later jobs draw what it now shows.
    void SubtitlesClick();
    void ModeChange();
    void ConfigClick();
    void ExitClick();
    void HelpClick();
    void SupportClick();
    void AboutClick();
    void SliderMouseDown();
    void SliderMouseUp();
    // Whether the window may close now.
    bool MainClose();

    TPlayManager& PlayManager() const noexcept { return *FPlayManager; }
    TConfigManager& Settings() const noexcept { return *FSettings; }
    TSDLPanel& Panel() const noexcept { return *FPanel; }
    TUIChoosers& Choosers() const noexcept { return *FChoosers; }
    const TConvertRec& Job() const noexcept { return FJob; }
    bool ResumeAfterDrag() const noexcept { return FResumeAfterDrag; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void WireCommands();
    void PositionChanged(bool FromConversion);
    void PlaybackEnded(bool FromConversion);
    void ConvertProgress(bool FromConversion, const TConvertProgress* Info);
    void ConvertDone(bool FromConversion, const TConvertProgress* Info);
    void ConvertFailed(bool FromConversion);
    // Gives back what a job took away: the slider and the Subtitles submenu.
    void EndJobControls();
    // Whether a job may start: not while converting, and not without a video, which is said.
    bool MayStartJob();
    // One still per chapter, as loose pictures or on a sheet.
    void StartChapterJob(bool OnSheet);
    // Starts the job of these choices, into the save folder.
    void StartJob(job::Choices Choices);
    // Empties the Subtitles submenu for a video just opened: Off alone, checked.
    void ResetSubtitlesMenu();
    // Adds the open video's streams and Forced only, where it has streams, once per open.
    void ListSubtitleStreams();
    // A checkable entry of the Subtitles submenu that stands for that stream (0: Off).
    QAction* AddSubtitlesEntry(const QString& Caption, std::int32_t Number);
    // Checks the entries of the subtitles in effect.
    void ShowSubtitleChoice();
    void WriteInfo(const THms& Timestamp);
    void WriteInfoAtStart();
    // Puts the window back inside the work area after it was moved, or after it was sized.
    void KeepInWorkArea(bool Sized);

    TmainDlg& FForm;
    std::unique_ptr<TUIChoosers> FChoosers;
    bool FResumeAfterDrag = false;
    TConvertRec FJob;
    job::Video FVideo;
    // Where the completion dialog sends the user: the pictures' folder, or the sheet's.
    std::string FDoneFolder;
    job::Progress FProgress;
    // The Subtitles submenu's stream entries, Off first (its number 0), and its Forced only entry,
    // none until streams are listed; the entries belong to the menu.
    std::unique_ptr<QActionGroup> FSubtitleStreams;
    QAction* FForcedOnly = nullptr;
    bool FSubtitlesListed = false;
    // The subtitles in effect, as the submenu shows them: the stream's number (0: Off), Forced only.
    std::int32_t FSubtitleStream = 0;
    bool FSubtitlesForcedOnly = false;
    // Declared in reverse of their freeing order: settings, play manager, panel.
    std::unique_ptr<TSDLPanel> FPanel;
    std::unique_ptr<TPlayManager> FPlayManager;
    std::unique_ptr<TConfigManager> FSettings;
    bool FFiltering = false;
};
