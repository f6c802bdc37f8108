// TStillreelApplication: the program's application object. It serves the worker threads' hand-offs
// from the event loop and catches whatever an event handler raises, showing it in the default error
// display, so that nothing escapes the event loop.
#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <string>

class QWidget;

// The single-instance guard's name: one running copy at a time holds it.
inline constexpr char InstanceMutexName[] = "Stillreel-D8878971-95AF-47A5-B114-CFB8B209EF67";

// The message as the default error display shows it: a full stop is appended when the last character
// sorts after ".", so a message that ends in a reason in parentheses is shown as it is.
std::string WithFullStop(const std::string& Message);

// The default error display: a message box with the application's title, the error icon and OK.
void ShowErrorMessage(QWidget* Owner, const std::string& Text);

class TStillreelApplication : public QApplication {
public:
    // Also registers "Open Sans" as the substitute of "Trebuchet MS" and installs the hand-off hook.
    TStillreelApplication(int& Argc, char** Argv);
    ~TStillreelApplication() override;

    bool notify(QObject* Receiver, QEvent* Event) override;

    // Shows the message of an exception in the error display, with the full-stop rule.
    void ShowException(std::exception_ptr Error);

    // Replaces the error display (tests); empty: ShowErrorMessage over the active window.
    std::function<void(const std::string&)> OnError;
};
