// The completion and about dialogs' links, the keys that do not close them, the shell's URLs, the
// folder chooser's answers, and the title chooser's.

#include "app/aboutForm.h"
#include "app/appinfo.h"
#include "app/browseFolder.h"
#include "app/completeForm.h"
#include "app/dialogparts.h"
#include "app/shellopen.h"
#include "app/titleForm.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace {

// Collects what the dialogs hand to the shell instead of opening it.
struct TShellRecorder {
    TShellRecorder()
    {
        SetShellOpenHandler([this](const std::string& target) { Opened.push_back(target); });
    }
    ~TShellRecorder() { SetShellOpenHandler({}); }
    std::vector<std::string> Opened;
};

void Show(QDialog& dialog)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

// Runs the folder chooser while Act answers it; returns its result and the dialog's title.
std::string Browse(const std::string& initial, const std::function<void(QFileDialog&)>& act, QString* title = nullptr)
{
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (title)
            *title = dialog->windowTitle();
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    return BrowseForFolder(nullptr, "Select Folder", initial);
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void theCompletionLinkOpensTheWholePathHoweverLong()
    {
        TShellRecorder shell;
        TcompleteDlg dialog;
        const QString path = QStringLiteral("/media/thumbs/") + QString(120, u'x') + QStringLiteral(" & #1/clip");
        dialog.lbPath->setText(path);
        Show(dialog);
        // Cut off at the label's fixed right edge, not grown past the dialog.
        QVERIFY(dialog.lbPath->sizeHint().width() > dialog.lbPath->width());
        QCOMPARE(dialog.lbPath->geometry(), QRect(16, 48, 657, 18));
        QTest::mouseClick(dialog.lbPath, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(shell.Opened, std::vector<std::string>{path.toStdString()});
    }

    void theAboutLinksOpenTheWebSiteAndTheSupportMail()
    {
        TShellRecorder shell;
        TaboutDlg dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Stillreel"));
        QTest::mouseClick(dialog.lbWeb, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(dialog.lbMail, Qt::LeftButton, {}, QPoint(5, 5));
        const std::vector<std::string> expected{"https://stillreel.example",
                                                "mailto:support@stillreel.example?subject=Stillreel%20Support"};
        QCOMPARE(shell.Opened, expected);
        // A press that ends outside the link is no click.
        QTest::mousePress(dialog.lbWeb, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(dialog.lbWeb, Qt::LeftButton, {}, QPoint(5, 300));
        QCOMPARE(shell.Opened.size(), 2u);
    }

    void escapeClosesNeitherDialogButOkDoes()
    {
        TcompleteDlg complete;
        TaboutDlg about;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&complete, &about}) {
            Show(*dialog);
            auto* ok = dialog->findChild<QPushButton*>();
            QVERIFY(ok);
            QVERIFY(ok->hasFocus());
            QTest::keyClick(ok, Qt::Key_Escape);
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            QTest::mouseClick(ok, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
    }

    void theShellGetsLocalPathsAsFilesAndLinksAsTheyAre()
    {
        const QUrl folder = ShellOpenUrl("/tmp/50% off/#1 a&b");
        QVERIFY(folder.isLocalFile());
        QCOMPARE(folder.toLocalFile(), QStringLiteral("/tmp/50% off/#1 a&b"));
        QCOMPARE(ShellOpenUrl("clip").toLocalFile(), QDir::current().absoluteFilePath(QStringLiteral("clip")));
        const QUrl mail = ShellOpenUrl("mailto:support@stillreel.example?subject=Stillreel%20Support");
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:support@stillreel.example?subject=Stillreel%20Support"));
        QCOMPARE(ShellOpenUrl(std::string(VendorWebSite) + "/help").toString(),
                 QStringLiteral("https://stillreel.example/help"));
    }

    void theTitleChooserOffersTheMainTitleAndAnglesOnlyWhereThereAreAny()
    {
        std::vector<dvd::TitleInfo> titles(3);
        for (int i = 0; i < 3; ++i) {
            titles[static_cast<std::size_t>(i)].number = 2 * i + 1;
            titles[static_cast<std::size_t>(i)].lengthMs = 60000;
        }
        titles[2].angles = 3;
        TtitleDlg dialog(nullptr, titles, 3);
        Show(dialog);
        QCOMPARE(dialog.Title(), 3);
        QVERIFY(dialog.cbAngle->isHidden());
        QCOMPARE(dialog.Angle(), 1);

        dialog.lvTitles->selectRow(2);
        QCOMPARE(dialog.Title(), 5);
        QVERIFY(!dialog.cbAngle->isHidden());
        QCOMPARE(dialog.cbAngle->count(), 3);
        dialog.cbAngle->setCurrentIndex(2);
        QCOMPARE(dialog.Angle(), 3);

        // Enter on the list takes the selected title.
        dialog.lvTitles->setFocus();
        QTest::keyClick(dialog.lvTitles, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Title(), 5);
        QCOMPARE(dialog.Angle(), 3);
    }

    void theFolderChooserAnswersAPathOrNothing()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString folder = QDir(temporary.path()).absoluteFilePath(QStringLiteral("shots"));
        QVERIFY(QDir().mkpath(folder));

        QString title;
        QString opened;
        QCOMPARE(Browse(
                     folder.toStdString(),
                     [&](QFileDialog& dialog) {
                         opened = dialog.directory().absolutePath();
                         dialog.reject();
                     },
                     &title),
                 std::string());
        QCOMPARE(title, QStringLiteral("Select Folder"));
        QCOMPARE(opened, folder);

        const auto choose = [](const QString& path) {
            return [path](QFileDialog& dialog) {
                dialog.setDirectory(path);
                static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it
            };
        };
        QCOMPARE(Browse("", choose(folder + QStringLiteral("/"))), folder.toStdString());
        QCOMPARE(Browse("", choose(QStringLiteral("/"))), std::string("/"));
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
