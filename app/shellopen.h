// Opening a web page, a mail link or a folder with the desktop's default handler. Nothing reports
// back whether it worked: a missing folder or an absent browser shows nothing.
#pragma once

#include <QUrl>

#include <functional>
#include <string>

void ShellOpen(const std::string& Target);
// Tests replace what ShellOpen does; an empty handler brings back the real one. Main thread only.
void SetShellOpenHandler(std::function<void(const std::string&)> Handler);

// What the real handler hands to the desktop: a URL with a scheme as it is, anything else as a local
// path (made absolute), so a folder named "a#b" or "50%" is not read as a URL.
QUrl ShellOpenUrl(const std::string& Target);
