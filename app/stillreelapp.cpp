#include "app/stillreelapp.h"

#include "app/appinfo.h"
#include "platform/thread.h"

#include <QFont>
#include <QMessageBox>

std::string WithFullStop(const std::string& Message)
{
    if (Message.empty())
        return Message;
    // A reason in parentheses ends the sentence, as a word would.
    const auto last = static_cast<unsigned char>(Message.back());
    if (last > static_cast<unsigned char>('.') || last == ')')
        return Message + ".";
    return Message;
}

void ShowErrorMessage(QWidget* Owner, const std::string& Text)
{
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(ApplicationTitle), QString::fromStdString(Text),
                    QMessageBox::Ok, Owner);
    box.exec();
}

TStillreelApplication::TStillreelApplication(int& Argc, char** Argv) : QApplication(Argc, Argv)
{
    setApplicationName(QString::fromLatin1(ApplicationTitle));
    QFont::insertSubstitution(QStringLiteral("Trebuchet MS"), QStringLiteral("Open Sans"));
    TThread::SetWakeMainThread([] {
        // Called on a worker: a queued call runs the hand-offs on the main thread's event loop.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection);
    });
}

TStillreelApplication::~TStillreelApplication()
{
    TThread::SetWakeMainThread({});
}

bool TStillreelApplication::notify(QObject* Receiver, QEvent* Event)
{
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        ShowException(std::current_exception());
        return true;
    }
}

void TStillreelApplication::ShowException(std::exception_ptr Error)
{
    std::string message;
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    message = WithFullStop(message);
    try {
        if (OnError)
            OnError(message);
        else
            ShowErrorMessage(activeWindow(), message);
    } catch (...) {
        // The display itself failed; there is nowhere left to report to, and nothing may escape.
    }
}
