#include "app/browseFolder.h"

#include <QDir>
#include <QFileDialog>

std::string BrowseForFolder(QWidget* Owner, const std::string& Title, const std::string& InitialFolder)
{
    // An empty folder lets the chooser open at its default place.
    const QString chosen = QFileDialog::getExistingDirectory(
        Owner, QString::fromStdString(Title), QString::fromStdString(InitialFolder), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return {};
    // cleanPath drops a trailing "/" but keeps the root's.
    return QDir::cleanPath(chosen).toStdString();
}
