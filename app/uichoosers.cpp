// The real modal things behind TUIChoosers: the system's file dialog, message boxes and the dialogs.
#include "app/aboutForm.h"
#include "app/appinfo.h"
#include "app/browseFolder.h"
#include "app/completeForm.h"
#include "app/configForm.h"
#include "app/dialogparts.h"
#include "app/stillreelapp.h"
#include "app/titleForm.h"
#include "app/uiManager.h"

#include <QFileDialog>
#include <QMessageBox>

std::string TUIChoosers::ChooseVideoFile(QWidget* Owner)
{
    QStringList patterns;
    for (const std::string_view extension : job::kVideoExtensions)
        patterns << QStringLiteral("*") +
                QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
    const QString videos = QStringLiteral("DVD Video Files (%1)").arg(patterns.join(QLatin1Char(' ')));
    QFileDialog dialog(Owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({videos, QStringLiteral("DVD Folders and Images (VIDEO_TS.IFO video_ts.ifo *.iso *.ISO)"),
                           QStringLiteral("All Files (*)")});
    dialog.selectNameFilter(videos);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

job::TitleRequest TUIChoosers::ChooseTitle(QWidget* Owner, const std::vector<dvd::TitleInfo>& Titles, int MainTitle)
{
    TtitleDlg dialog(Owner, Titles, MainTitle);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return {dialog.Title(), dialog.Angle()};
}

std::string TUIChoosers::ChooseFolder(QWidget* Owner, const std::string& Title)
{
    return BrowseForFolder(Owner, Title, "");
}

void TUIChoosers::ShowMessage(QWidget* Owner, const std::string& Text, bool InformationIcon)
{
    QMessageBox box(InformationIcon ? QMessageBox::Information : QMessageBox::NoIcon,
                    QString::fromLatin1(ApplicationTitle), QString::fromStdString(Text), QMessageBox::Ok, Owner);
    box.exec();
}

void TUIChoosers::ShowError(QWidget* Owner, const std::string& Text)
{
    ShowErrorMessage(Owner, Text);
}

void TUIChoosers::RunConfig(QWidget* Owner, TConfigManager& Settings, bool Opened, double AspectRatio)
{
    RunConfigDialog(Owner, Settings, Opened, AspectRatio);
}

void TUIChoosers::ShowComplete(QWidget* Owner, const std::string& Folder, const std::string& Unreadable)
{
    TcompleteDlg dialog(Owner);
    dialog.lbPath->setText(QString::fromStdString(Folder));
    if (!Unreadable.empty())
        dialog.ShowUnreadable(QString::fromStdString(Unreadable));
    dialog.exec();
}

void TUIChoosers::ShowAbout(QWidget* Owner)
{
    TaboutDlg dialog(Owner);
    dialog.setWindowTitle(QStringLiteral("About %1").arg(QString::fromLatin1(ApplicationTitle)));
    dialog.exec();
}
