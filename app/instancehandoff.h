// Hands a file from a second copy of the program to the running one over a local socket named after
// the instance, so that "stillreel FILE.vob" opens the file in the window that is already there.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

// Sends FileName to the copy listening on ServerName; answers whether that copy received it.
bool HandOffFile(const std::string& ServerName, const std::string& FileName, int TimeoutMs = 3000);

// The running copy's side: listens on ServerName and calls OnFile on the main thread with every file
// a second copy hands over.
class TInstanceServer : public QObject {
public:
    TInstanceServer(const std::string& ServerName, std::function<void(const std::string&)> OnFile);
    ~TInstanceServer() override;
    bool Listening() const;

private:
    std::unique_ptr<QLocalServer> FServer;
    std::function<void(const std::string&)> FOnFile;
};
