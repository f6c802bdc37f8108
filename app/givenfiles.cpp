#include "app/givenfiles.h"

#include "app/mainForm.h"
#include "app/quitsignals.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "job/video.h"

#include <exception>

namespace {

struct TGivenResult {
    std::string Refusal;  // "" when the file was opened
    std::exception_ptr Error = nullptr;  // the open failed
};

TGivenResult OpenGivenFile(TmainDlg& Window, const std::string& FileName)
{
    try {
        switch (Window.Manager().OpenVideo(FileName)) {
        case TUIManager::TOpenResult::Opened:
            return {};
        case TUIManager::TOpenResult::Busy:
            return {"Stillreel is generating pictures and opens no video until it has finished: " + FileName};
        case TUIManager::TOpenResult::NotAVideo: {
            std::string endings;
            for (const std::string_view extension : job::kVideoExtensions)
                endings += (endings.empty() ? "" : ", ") + std::string(extension);
            return {FileName + " is not a DVD video file (" + endings + "), a DVD folder or a disc image"};
        }
        case TUIManager::TOpenResult::Cancelled:
            return {"no title of " + FileName + " was chosen"};
        }
    } catch (const std::exception& e) {
        return {e.what(), std::current_exception()};
    } catch (...) {
        return {"Unable to open video file: " + FileName, std::current_exception()};
    }
    return {};
}

}  // namespace

TGivenFiles::TGivenFiles(TStillreelApplication& App) : FApp(App)
{
    FRetry.setInterval(100);
    connect(&FRetry, &QTimer::timeout, this, [this] { Serve(); });
}

void TGivenFiles::SetWindow(TmainDlg* Window)
{
    FWindow = Window;
}

void TGivenFiles::Add(const std::string& FileName, TInstanceServer::TAnswer Answer, bool First)
{
    if (First)
        FFiles.emplace_front(FileName, std::move(Answer));
    else
        FFiles.emplace_back(FileName, std::move(Answer));
    Serve();
}

void TGivenFiles::Serve()
{
    // An open may itself show a dialog (the title chooser, an error) whose event loop comes back
    // here: the modal test holds every file until that dialog has closed.
    while (FWindow != nullptr && !FFiles.empty() && QApplication::activeModalWidget() == nullptr && !QuitRequested()) {
        auto [file, answer] = std::move(FFiles.front());
        FFiles.pop_front();
        const TGivenResult result = OpenGivenFile(*FWindow, file);
        // The other copy hears the answer before the window shows anything that waits for the user.
        answer(result.Refusal);
        if (result.Error)
            FApp.ShowException(result.Error);
        FWindow->raise();
        FWindow->activateWindow();
    }
    if (FFiles.empty())
        FRetry.stop();
    else if (!FRetry.isActive())
        FRetry.start();
}
