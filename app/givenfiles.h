// Files given on the command line or handed over by another copy: opened in the window in turn, once
// it is there and no modal dialog is up (a file opened under a dialog would change the video that the
// dialog was made for), each answered with what became of it.
#pragma once

#include "app/instancehandoff.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <string>
#include <utility>

class TmainDlg;
class TStillreelApplication;

class TGivenFiles : public QObject {
public:
    explicit TGivenFiles(TStillreelApplication& App);

    // Files wait until there is a window; null again when it goes.
    void SetWindow(TmainDlg* Window);
    // Queued after those waiting, or before them with First. The answer is "" when the file was
    // opened, else why not; an open that fails is also shown in the window, after the answer.
    void Add(const std::string& FileName, TInstanceServer::TAnswer Answer, bool First = false);
    // Opens what may be opened now; what must wait is tried again shortly.
    void Serve();

private:
    TStillreelApplication& FApp;
    TmainDlg* FWindow = nullptr;
    std::deque<std::pair<std::string, TInstanceServer::TAnswer>> FFiles;
    QTimer FRetry;
};
