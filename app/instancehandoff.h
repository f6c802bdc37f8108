// Hands a file from a second copy of the program to the running one over a local socket named after
// the instance, so that "stillreel FILE.vob" opens the file in the window that is already there. The
// running copy answers once it has decided, so the second copy can say whether the file was taken.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLocalServer;

// Sends FileName to the copy listening on ServerName and waits, as long as that copy lives, for its
// answer: "" when it took the file, else why it did not. Nothing when no copy answered.
std::optional<std::string> HandOffFile(const std::string& ServerName, const std::string& FileName,
                                       int ConnectTimeoutMs = 3000);

// The running copy's side: listens on ServerName and calls OnFile on the main thread with every file
// a second copy hands over, and with the answer to give once it has decided ("" when it took the
// file). The answer may come later; it goes nowhere when the second copy has gone.
class TInstanceServer : public QObject {
public:
    using TAnswer = std::function<void(const std::string& Refusal)>;

    TInstanceServer(const std::string& ServerName, std::function<void(const std::string&, TAnswer)> OnFile);
    ~TInstanceServer() override;
    bool Listening() const;

private:
    std::unique_ptr<QLocalServer> FServer;
    std::function<void(const std::string&, TAnswer)> FOnFile;
};
