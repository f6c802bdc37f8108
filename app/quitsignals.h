// SIGTERM, SIGINT and SIGHUP end the program in order: the event loops are left, the modal dialogs
// among them, so that main() can free the window and its workers and release the instance.
#pragma once

#include <QSocketNotifier>

#include <memory>

// Catches the three signals from now on; keep the notifier alive as long as they should be served.
// Null when the pipe cannot be made (the signals then keep their defaults).
std::unique_ptr<QSocketNotifier> QuitOnSignals();

// Whether one of them has come: set before the event loops are told to end.
bool QuitRequested();
