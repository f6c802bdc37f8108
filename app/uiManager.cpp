#include "app/uiManager.h"

#include "app/appinfo.h"
#include "app/mainForm.h"
#include "app/shellopen.h"
#include "app/stillreelapp.h"
#include "app/tristanStyle.h"
#include "convert/_consts.h"
#include "job/choices.h"
#include "job/prepare.h"
#include "job/statuslines.h"
#include "job/subtitles.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"

#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QLocale>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <optional>

std::string FormatInfoLine(double Fps, std::int32_t Width, std::int32_t Height, const THms& Duration,
                           const THms& Timestamp)
{
    return job::InfoLine(Fps, Width, Height, Duration, QLocale().decimalPoint().toStdString()) +
        " Timestamp: " + job::ClockText(Timestamp);
}

TUIManager::TUIManager(TmainDlg& Form, std::unique_ptr<TUIChoosers> Choosers)
    : FForm(Form), FChoosers(std::move(Choosers)), FSettings(std::make_unique<TConfigManager>())
{
}

TUIManager::~TUIManager()
{
    FForm.removeEventFilter(this);
    FForm.OnCloseQuery = nullptr;
    FSettings.reset();
    FPlayManager.reset();
    FPanel.reset();
}

void TUIManager::BuildWindow()
{
    // Moves of the window come here first, so that it can be put back inside the work area.
    FForm.installEventFilter(this);
    FForm.setWindowTitle(QString::fromLatin1(ApplicationTitle));
    QApplication::setStyle(new TTristanStyle);
    FForm.lbVersion->setText(QStringLiteral("v%1").arg(QString::fromLatin1(ApplicationVersion)));

    FPanel = std::make_unique<TSDLPanel>(&FForm);
    FPanel->setGeometry(FForm.blView->geometry());
    FPanel->InitSDL();
    FPanel->hide();

    connect(FForm.SliderBar, &TSliderBar::OnMouseDown, this, [this] { SliderMouseDown(); });
    connect(FForm.SliderBar, &TSliderBar::OnMouseUp, this, [this] { SliderMouseUp(); });

    FPlayManager = std::make_unique<TPlayManager>();
    FPlayManager->Panel = FPanel.get();
    FPlayManager->OnPosition = [this](void*, bool FromConversion, const TConvertProgress*) {
        PositionChanged(FromConversion);
    };
    FPlayManager->OnPlayEnd = [this](void*, bool FromConversion, const TConvertProgress*) {
        PlaybackEnded(FromConversion);
    };
    FPlayManager->OnProgress = [this](void*, bool FromConversion, const TConvertProgress* Info) {
        ConvertProgress(FromConversion, Info);
    };
    FPlayManager->OnConvertDone = [this](void*, bool FromConversion, const TConvertProgress* Info) {
        ConvertDone(FromConversion, Info);
    };
    FPlayManager->OnConvertFailed = [this](void*, bool FromConversion, const TConvertProgress*) {
        ConvertFailed(FromConversion);
    };
    WireCommands();
}

void TUIManager::WireCommands()
{
    FForm.OnCloseQuery = [this] { return MainClose(); };
    // An exception that escapes a command reaches the default error display, as one that escapes
    // any other event handler does.
    const auto guarded = [this](void (TUIManager::*Handler)()) {
        return [this, Handler] {
            try {
                (this->*Handler)();
            } catch (const std::exception& e) {
                FChoosers->ShowError(&FForm, WithFullStop(e.what()));
            }
        };
    };
    connect(FForm.btnOpen, &QPushButton::clicked, this, guarded(&TUIManager::OpenClick));
    connect(FForm.tmiOpen, &QAction::triggered, this, guarded(&TUIManager::OpenClick));
    connect(FForm.btnPlay, &TImageButton::OnClick, this, guarded(&TUIManager::PlayClick));
    connect(FForm.tmiPlay, &QAction::triggered, this, guarded(&TUIManager::PlayClick));
    connect(FForm.btnPause, &TImageButton::OnClick, this, guarded(&TUIManager::PauseClick));
    connect(FForm.tmiPause, &QAction::triggered, this, guarded(&TUIManager::PauseClick));
    connect(FForm.btnStop, &TImageButton::OnClick, this, guarded(&TUIManager::StopClick));
    connect(FForm.tmiStop, &QAction::triggered, this, guarded(&TUIManager::StopClick));
    connect(FForm.btnStartPoint, &TImageButton::OnClick, this, guarded(&TUIManager::StartPointClick));
    connect(FForm.btnEndPoint, &TImageButton::OnClick, this, guarded(&TUIManager::EndPointClick));
    connect(FForm.btnSaveFolder, &QPushButton::clicked, this, guarded(&TUIManager::SaveFolderClick));
    connect(FForm.btnGenerate, &QPushButton::clicked, this, guarded(&TUIManager::GenerateClick));
    connect(FForm.rbWhole, &QRadioButton::toggled, this, guarded(&TUIManager::ModeChange));
    connect(FForm.rbPieces, &QRadioButton::toggled, this, guarded(&TUIManager::ModeChange));
    connect(FForm.rbStartEnd, &QRadioButton::toggled, this, guarded(&TUIManager::ModeChange));
    connect(FForm.tmiSheet, &QAction::triggered, this, guarded(&TUIManager::SheetClick));
    connect(FForm.tmiChapters, &QAction::triggered, this, guarded(&TUIManager::ChaptersClick));
    connect(FForm.tmiChapterSheet, &QAction::triggered, this, guarded(&TUIManager::ChapterSheetClick));
    // The submenu's entries change with each video; the menu tells of any of them.
    connect(FForm.tmiSubtitles, &QMenu::aboutToShow, this, guarded(&TUIManager::ListSubtitleStreams));
    connect(FForm.tmiSubtitles, &QMenu::triggered, this, guarded(&TUIManager::SubtitlesClick));
    connect(FForm.tmiConfig, &QAction::triggered, this, guarded(&TUIManager::ConfigClick));
    connect(FForm.tmiExit, &QAction::triggered, this, guarded(&TUIManager::ExitClick));
    connect(FForm.tmiHelp, &QAction::triggered, this, guarded(&TUIManager::HelpClick));
    connect(FForm.tmiSupport, &QAction::triggered, this, guarded(&TUIManager::SupportClick));
    connect(FForm.tmiAbout, &QAction::triggered, this, guarded(&TUIManager::AboutClick));
}

bool TUIManager::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type type = Event->type();
    if (Watched == &FForm && (type == QEvent::Move || type == QEvent::Resize) && FForm.isVisible())
        KeepInWorkArea(type == QEvent::Resize);
    return QObject::eventFilter(Watched, Event);
}

void TUIManager::KeepInWorkArea(bool Sized)
{
    // X11 tells of a move or a resize only after it happened, so the window is put back rather than held.
    if (FFiltering)
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect frame = FForm.frameGeometry();
    TScreenRect rect{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
    const TScreenRect proposed = rect;
    if (Sized)
        ClampSizing(rect);
    else
        ClampMoving(rect);
    if (rect == proposed)
        return;
    FFiltering = true;
    if (Sized) {
        const QRect client = FForm.geometry();
        const QMargins border(client.left() - frame.left(), client.top() - frame.top(),
                              frame.right() - client.right(), frame.bottom() - client.bottom());
        FForm.setGeometry(QRect(QPoint(rect.Left, rect.Top), QPoint(rect.Right - 1, rect.Bottom - 1)) - border);
    } else {
        FForm.move(rect.Left, rect.Top);
    }
    FFiltering = false;
}

void TUIManager::ClampMoving(TScreenRect& Rect)
{
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QRect frame = FForm.frameGeometry();
    ::ClampMoving(Rect, work.width(), work.height(), frame.width(), frame.height());
}

void TUIManager::ClampSizing(TScreenRect& Rect)
{
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    ::ClampSizing(Rect, work.width(), work.height());
}

void TUIManager::WriteInfo(const THms& Timestamp)
{
    const TPlayManager& pm = *FPlayManager;
    const THms duration{pm.DurationHours(), pm.DurationMinutes(), pm.DurationSeconds()};
    FForm.lbInfo->setText(
        QString::fromStdString(FormatInfoLine(pm.Fps(), pm.Width(), pm.Height(), duration, Timestamp)));
}

void TUIManager::WriteInfoAtStart()
{
    WriteInfo({});
}

void TUIManager::OpenClick()
{
    if (FPlayManager->Converting())
        return;
    const bool wasPlaying = FPlayManager->Playing();
    if (wasPlaying)
        FPlayManager->Pause();
    const std::string fileName = FChoosers->ChooseVideoFile(&FForm);
    FForm.repaint();
    const bool opened = !fileName.empty() && OpenVideo(fileName) == TOpenResult::Opened;
    if (!opened && wasPlaying)
        FPlayManager->Play();
}

TUIManager::TOpenResult TUIManager::OpenVideo(const std::string& FileName)
{
    if (FPlayManager->Converting())
        return TOpenResult::Busy;
    const std::optional<job::Video> video =
        job::FindVideo(FileName, {}, [this](const std::vector<dvd::TitleInfo>& Titles, int MainTitle) {
            return FChoosers->ChooseTitle(&FForm, Titles, MainTitle);
        });
    if (!video)
        return TOpenResult::Cancelled;
    // A folder that holds no disc goes to the library too, which says so.
    std::error_code error;
    if (video->title == 0 && !job::HasVideoExtension(FileName) && !std::filesystem::is_directory(FileName, error))
        return TOpenResult::NotAVideo;
    FPlayManager->Pause();
    TPlayManager& pm = *FPlayManager;
    pm.OpenFile(video->path, video->title, video->angle);
    TSliderBar& slider = *FForm.SliderBar;
    slider.setEnabled(true);
    slider.SetSelStart(0);
    slider.SetSelEnd(0);
    FPanel->show();
    slider.SetMax(pm.TotalSeconds());
    slider.SetPosition(0);
    WriteInfoAtStart();
    FForm.tmiConfig->setEnabled(true);
    FForm.tmiSheet->setEnabled(true);
    FForm.tmiChapters->setEnabled(!video->chapters.empty());
    FForm.tmiChapterSheet->setEnabled(!video->chapters.empty());
    ResetSubtitlesMenu();
    FJob.VideoName = video->name;
    FVideo = *video;
    ResetToVideo(*FSettings, pm.Width(), pm.Height(), pm.AspectRatio());
    return TOpenResult::Opened;
}

QAction* TUIManager::AddSubtitlesEntry(const QString& Caption, std::int32_t Number)
{
    QMenu& menu = *FForm.tmiSubtitles;
    QAction* item = menu.addAction(Caption);
    item->setFont(menu.font());
    item->setCheckable(true);
    item->setData(Number);
    return item;
}

void TUIManager::ResetSubtitlesMenu()
{
    FForm.tmiSubtitles->clear();
    FForcedOnly = nullptr;
    FSubtitleStreams = std::make_unique<QActionGroup>(nullptr);
    FSubtitleStreams->addAction(AddSubtitlesEntry(QStringLiteral("&Off"), 0));
    FSubtitlesListed = false;
    FSubtitleStream = 0;
    FSubtitlesForcedOnly = false;
    ShowSubtitleChoice();
    FForm.tmiSubtitles->setEnabled(true);
}

void TUIManager::ListSubtitleStreams()
{
    // Listed when first looked at rather than at the open: a plain file's streams are found by
    // reading all of it, which a user who never asks should not wait for.
    if (FSubtitlesListed || !FPlayManager->Opened() || FPlayManager->Converting())
        return;
    FSubtitlesListed = true;
    const std::vector<job::SubtitleStream> streams = job::SubtitleStreams(FPlayManager->SubtitleStreams());
    if (streams.empty())
        return;
    for (const job::SubtitleStream& stream : streams)
        FSubtitleStreams->addAction(AddSubtitlesEntry(QString::fromStdString(job::StreamText(stream)), stream.number));
    FForm.tmiSubtitles->addSeparator();
    FForcedOnly = AddSubtitlesEntry(QStringLiteral("&Forced only"), 0);
}

void TUIManager::ShowSubtitleChoice()
{
    for (QAction* item : FSubtitleStreams->actions())
        item->setChecked(item->data().toInt() == FSubtitleStream);
    if (FForcedOnly != nullptr)
        FForcedOnly->setChecked(FSubtitlesForcedOnly);
}

void TUIManager::SubtitlesClick()
{
    const QAction* checked = FSubtitleStreams->checkedAction();
    const std::int32_t stream = checked != nullptr ? checked->data().toInt() : 0;
    const bool forcedOnly = FForcedOnly != nullptr && FForcedOnly->isChecked();
    // Off with Forced only is what a player shows with subtitles off: the first stream's forced subpictures.
    const QAction* first = FSubtitleStreams->actions().value(1);
    const std::int32_t drawn = stream == 0 && forcedOnly && first != nullptr ? first->data().toInt() : stream;
    if (FPlayManager->Converting() || !FPlayManager->SetSubtitles(drawn, forcedOnly)) {
        ShowSubtitleChoice();
        return;
    }
    FSubtitleStream = stream;
    FSubtitlesForcedOnly = forcedOnly;
    // Paused, the preview went back to the first frame of its second.
    if (!FPlayManager->Playing())
        PositionChanged(false);
}

void TUIManager::PlayClick()
{
    if (!FPlayManager->Converting())
        FPlayManager->Play();
}

void TUIManager::PauseClick()
{
    if (!FPlayManager->Converting())
        FPlayManager->Pause();
}

void TUIManager::StopClick()
{
    if (FPlayManager->Converting() || !FPlayManager->Opened())
        return;
    FPlayManager->Stop();
    FForm.SliderBar->SetPosition(0);
    WriteInfoAtStart();
}

void TUIManager::StartPointClick()
{
    if (!FPlayManager->Converting())
        FForm.SliderBar->SetSelStart(FPlayManager->Position());
}

void TUIManager::EndPointClick()
{
    if (!FPlayManager->Converting())
        FForm.SliderBar->SetSelEnd(FPlayManager->Position());
}

void TUIManager::SaveFolderClick()
{
    std::string folder = FChoosers->ChooseFolder(&FForm, "Select Folder");
    if (folder.empty())
        return;
    if (folder.back() != '/')
        folder += '/';
    FForm.etSaveFolder->setText(QString::fromStdString(folder));
}

bool TUIManager::MayStartJob()
{
    if (FPlayManager->Converting())
        return false;
    if (!FPlayManager->Opened()) {
        FChoosers->ShowMessage(&FForm, "No video is opened!", true);
        return false;
    }
    return true;
}

void TUIManager::GenerateClick()
{
    if (!MayStartJob())
        return;
    const TSliderBar& slider = *FForm.SliderBar;
    if (FForm.rbStartEnd->isChecked() && slider.SelStart() == slider.SelEnd()) {
        FChoosers->ShowMessage(&FForm, "You have to select start position and end position for the option.", false);
        return;
    }
    job::Choices choices;
    if (FForm.rbWhole->isChecked())
        choices.mode = job::Mode::Whole;
    else if (FForm.rbStartEnd->isChecked())
        choices.mode = job::Mode::Range;
    choices.start = slider.SelStart();
    choices.end = slider.SelEnd();
    choices.pieces = FForm.etPieces->asInteger();
    choices.width = FSettings->Width;
    choices.height = FSettings->Height;
    StartJob(std::move(choices));
}

void TUIManager::SheetClick()
{
    if (!MayStartJob())
        return;
    job::Choices choices;
    choices.pieces = FForm.etPieces->asInteger();
    // As near a square as the cells make: 12 lie 4 x 3, 16 lie 4 x 4.
    choices.sheet = job::SheetChoice{};
    choices.sheet->columns = std::max(1, static_cast<std::int32_t>(std::ceil(std::sqrt(std::max(1, choices.pieces)))));
    StartJob(std::move(choices));
}

void TUIManager::ChaptersClick()
{
    StartChapterJob(false);
}

void TUIManager::ChapterSheetClick()
{
    StartChapterJob(true);
}

void TUIManager::StartChapterJob(bool OnSheet)
{
    if (!MayStartJob())
        return;
    job::Choices choices;
    choices.mode = job::Mode::Chapters;
    if (OnSheet)
        choices.sheet = job::SheetChoice{};
    StartJob(std::move(choices));
}

void TUIManager::StartJob(job::Choices Choices)
{
    TPlayManager& pm = *FPlayManager;
    PauseClick();
    Choices.saveFolder = FForm.etSaveFolder->text().toStdString();
    const THms length{pm.DurationHours(), pm.DurationMinutes(), pm.DurationSeconds()};
    job::PreparedJob prepared = job::PrepareJob(
        Choices, FVideo, {{pm.Width(), pm.Height(), pm.AspectRatio()}, pm.FileFps(), pm.TotalSeconds(), length},
        job::Front::Window);
    // The completion dialog names the folder really written to, so the job carries the root itself.
    FJob = prepared.record;
    FDoneFolder = prepared.folder;
    FProgress = {};
    FForm.SliderBar->setEnabled(false);
    FForm.tmiSubtitles->setEnabled(false);
    pm.Convert(std::move(prepared.record), std::move(prepared.sheet));
}

void TUIManager::ModeChange()
{
    if (FForm.rbPieces->isChecked())
        FForm.etPieces->setEnabled(true);
    if (FForm.rbWhole->isChecked())
        FForm.etPieces->setEnabled(false);
    if (FForm.rbStartEnd->isChecked())
        FForm.etPieces->setEnabled(false);
}

void TUIManager::ConfigClick()
{
    const TPlayManager& pm = *FPlayManager;
    double ratio = pm.AspectRatio();
    // The library answers 0 when it knows no ratio: the picture's own shape stands in.
    if (ratio <= 0 && pm.Height() > 0)
        ratio = static_cast<double>(pm.Width()) / pm.Height();
    FChoosers->RunConfig(&FForm, *FSettings, pm.Opened(), ratio);
}

void TUIManager::ExitClick()
{
    FForm.close();
}

void TUIManager::HelpClick()
{
    ShellOpen(std::string(VendorWebSite) + "/help");
}

void TUIManager::SupportClick()
{
    ShellOpen(std::string(VendorWebSite) + "/support");
}

void TUIManager::AboutClick()
{
    FChoosers->ShowAbout(&FForm);
}

void TUIManager::SliderMouseDown()
{
    if (!FPlayManager->Converting() && FForm.SliderBar->MouseOnPointer() && FPlayManager->Playing()) {
        FResumeAfterDrag = true;
        PauseClick();
    }
}

void TUIManager::SliderMouseUp()
{
    TSliderBar& slider = *FForm.SliderBar;
    if (FPlayManager->Converting() || !slider.MouseOnPointer())
        return;
    if (slider.Position() == slider.Max()) {
        StopClick();
    } else {
        FPlayManager->Seek(static_cast<std::int32_t>(slider.Position()));
        WriteInfo(SplitSeconds(FPlayManager->Position()));
        if (FResumeAfterDrag)
            FPlayManager->Play();
    }
    FResumeAfterDrag = false;
}

bool TUIManager::MainClose()
{
    return !FPlayManager->Converting();
}

void TUIManager::PositionChanged(bool FromConversion)
{
    if (FromConversion)
        return;
    WriteInfo(SplitSeconds(FPlayManager->Position()));
    FForm.SliderBar->SetPosition(FPlayManager->Position());
}

void TUIManager::PlaybackEnded(bool FromConversion)
{
    if (FromConversion)
        return;
    TSliderBar& slider = *FForm.SliderBar;
    slider.SetPosition(slider.Max());
    const TPlayManager& pm = *FPlayManager;
    WriteInfo({pm.DurationHours(), pm.DurationMinutes(), pm.DurationSeconds()});
}

void TUIManager::ConvertProgress(bool FromConversion, const TConvertProgress* Info)
{
    if (FromConversion && Info != nullptr)
        FForm.lbConvertInfo->setText(QString::fromStdString(FProgress.Saved(*Info)));
}

void TUIManager::ConvertDone(bool FromConversion, const TConvertProgress* Info)
{
    if (!FromConversion)
        return;
    if (Info != nullptr)
        FForm.lbConvertInfo->setText(QString::fromStdString(FProgress.Done(*Info)));
    EndJobControls();
    FChoosers->ShowComplete(&FForm, FDoneFolder, job::UnreadableLine(FPlayManager->Unreadable()));
}

void TUIManager::EndJobControls()
{
    FForm.SliderBar->setEnabled(true);
    FForm.tmiSubtitles->setEnabled(true);
}

void TUIManager::ConvertFailed(bool FromConversion)
{
    if (!FromConversion)
        return;
    EndJobControls();
    FChoosers->ShowError(&FForm, FPlayManager->ConvertError());
}
