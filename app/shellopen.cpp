#include "app/shellopen.h"

#include <QDesktopServices>
#include <QFileInfo>

#include <utility>

namespace {

std::function<void(const std::string&)>& Replacement()
{
    static std::function<void(const std::string&)> handler;
    return handler;
}

}  // namespace

QUrl ShellOpenUrl(const std::string& Target)
{
    const QString text = QString::fromStdString(Target);
    if (!text.startsWith(u'/')) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            return url;
    }
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

void ShellOpen(const std::string& Target)
{
    if (const auto& handler = Replacement()) {
        handler(Target);
        return;
    }
    QDesktopServices::openUrl(ShellOpenUrl(Target));
}

void SetShellOpenHandler(std::function<void(const std::string&)> Handler)
{
    Replacement() = std::move(Handler);
}
