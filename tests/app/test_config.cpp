// The settings: the aspect-ratio arithmetic, the settings dialog driven through its own widgets, and
// the Config command storing (or keeping) the values.

#include "app/configForm.h"
#include "app/configManager.h"
#include "app/stillreelapp.h"
#include "controls/FlatEditUnit.h"
#include "job/thumbsize.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

// Types Keys into Field as the user would: the field takes the focus and its text is replaced.
void TypeInto(TMyFlatEdit& Field, const QString& Keys)
{
    Field.setFocus();
    QVERIFY(Field.hasFocus());
    Field.selectAll();
    QTest::keyClicks(&Field, Keys);
}

// A dialog on screen and active, as RunConfigDialog shows it, without its modal loop.
struct TShownDialog {
    TShownDialog(std::int32_t Width, std::int32_t Height, double Ratio)
    {
        dialog.WidthValue = Width;
        dialog.HeightValue = Height;
        dialog.AspectRatio = Ratio;
        dialog.show();
        dialog.activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&dialog)); }();
    }
    QString WidthText() const { return dialog.WidthEdit->text(); }
    QString HeightText() const { return dialog.HeightEdit->text(); }

    TconfigDlg dialog;
};

// Runs the Config command on Settings while Act plays the user in the modal dialog; a dialog Act
// leaves open is cancelled, so a failed check cannot hang the test. Returns whether the dialog
// had been freed by the time the command returned or raised.
bool RunConfig(TConfigManager& Settings, double Ratio, const std::function<void(TconfigDlg&)>& Act)
{
    QPointer<TconfigDlg> seen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TconfigDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = dialog;
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        Act(*dialog);
        if (seen && dialog->isVisible())
            dialog->reject();
    });
    try {
        RunConfigDialog(nullptr, Settings, true, Ratio);
    } catch (...) {
        if (seen)
            return false;
        throw;
    }
    return seen.isNull();
}

}  // namespace

class TestConfig : public QObject {
    Q_OBJECT

private slots:
    void sizeKeepsTheAspectRatioRoundingTiesToEven()
    {
        // 4/3 held as a double: the exact quotient lies just above 10.5.
        QCOMPARE(job::HeightForWidth(14, 4.0 / 3.0), 11);
        QCOMPARE(job::HeightForWidth(640, 16.0 / 9.0), 360);
        QCOMPARE(job::WidthForHeight(200, 16.0 / 9.0), 356);
        QCOMPARE(job::HeightForWidth(3, 2.0), 2);
        QCOMPARE(job::HeightForWidth(5, 2.0), 2);
        QCOMPARE(job::HeightForWidth(7, 2.0), 4);
        // A ratio the library does not know leaves the value as it is.
        QCOMPARE(job::HeightForWidth(720, 0.0), 720);
        QCOMPARE(job::WidthForHeight(480, -1.0), 480);
        // An absurd ratio stops at the largest size instead of wrapping to a negative one.
        QCOMPARE(job::WidthForHeight(99999, 1e300), std::numeric_limits<std::int32_t>::max());

        TConfigManager settings;
        settings.Constrain = false;
        ResetToVideo(settings, 720, 480, 4.0 / 3.0);
        QCOMPARE(settings.Width, 720);
        QCOMPARE(settings.Height, 540);
        QVERIFY(settings.Constrain);
        // No ratio from the library: the frame's own shape.
        ResetToVideo(settings, 720, 576, 0.0);
        QCOMPARE(settings.Height, 576);
    }

    void typingIntoAFocusedFieldUpdatesTheOther()
    {
        TShownDialog shown(720, 405, 16.0 / 9.0);
        // Both fields line up after the "Width" label, each centred on its own label.
        QCOMPARE(shown.dialog.WidthEdit->pos(), QPoint(66, 13));
        QCOMPARE(shown.dialog.HeightEdit->pos(), QPoint(66, 45));
        QCOMPARE(shown.WidthText(), QStringLiteral("720"));
        QCOMPARE(shown.HeightText(), QStringLiteral("405"));
        TypeInto(*shown.dialog.WidthEdit, QStringLiteral("640"));
        QCOMPARE(shown.HeightText(), QStringLiteral("360"));
        TypeInto(*shown.dialog.HeightEdit, QStringLiteral("200"));
        QCOMPARE(shown.WidthText(), QStringLiteral("356"));
        // Clearing the width leaves "0", and a height of 0.
        shown.dialog.WidthEdit->setFocus();
        shown.dialog.WidthEdit->selectAll();
        QTest::keyClick(shown.dialog.WidthEdit, Qt::Key_Backspace);
        QCOMPARE(shown.WidthText(), QStringLiteral("0"));
        QCOMPARE(shown.HeightText(), QStringLiteral("0"));
    }

    void theFieldWrittenInCodeDoesNotWriteBack()
    {
        // 641 wide at 16:9 is 361 high, and 361 high would be 642 wide; likewise turned on its side.
        for (const double ratio : {16.0 / 9.0, 9.0 / 16.0}) {
            TShownDialog shown(720, 720, ratio);
            TMyFlatEdit& typed = ratio > 1 ? *shown.dialog.WidthEdit : *shown.dialog.HeightEdit;
            TMyFlatEdit& other = ratio > 1 ? *shown.dialog.HeightEdit : *shown.dialog.WidthEdit;
            TypeInto(typed, QStringLiteral("641"));
            QCOMPARE(typed.text(), QStringLiteral("641"));
            QCOMPARE(other.text(), QStringLiteral("361"));
        }
    }

    void aComputedValueLongerThanTheTypingLimitShowsInFull()
    {
        TShownDialog shown(720, 540, 4.0 / 3.0);
        TypeInto(*shown.dialog.HeightEdit, QStringLiteral("99999"));
        QCOMPARE(shown.WidthText(), QStringLiteral("133332"));
        // Typing into either field is still limited to 5 characters.
        TypeInto(*shown.dialog.HeightEdit, QStringLiteral("1234567"));
        QCOMPARE(shown.HeightText(), QStringLiteral("12345"));
        QCOMPARE(shown.WidthText(), QStringLiteral("16460"));
        TypeInto(*shown.dialog.WidthEdit, QStringLiteral("1234567"));
        QCOMPARE(shown.WidthText(), QStringLiteral("12345"));
    }

    void uncheckedConstrainKeepsTheFieldsIndependentUntilCheckedAgain()
    {
        TShownDialog shown(720, 540, 4.0 / 3.0);
        shown.dialog.ckbConstrain->click();
        QVERIFY(!shown.dialog.ckbConstrain->isChecked());
        QCOMPARE(shown.HeightText(), QStringLiteral("540"));
        TypeInto(*shown.dialog.WidthEdit, QStringLiteral("1000"));
        QCOMPARE(shown.HeightText(), QStringLiteral("540"));
        TypeInto(*shown.dialog.HeightEdit, QStringLiteral("77"));
        QCOMPARE(shown.WidthText(), QStringLiteral("1000"));
        // Checking it again makes the width lead.
        shown.dialog.ckbConstrain->click();
        QCOMPARE(shown.HeightText(), QStringLiteral("750"));
    }

    void cancelAndEscapeLeaveTheSettingsAsTheyWere()
    {
        const auto edit = [](TconfigDlg& dialog) {
            dialog.ckbConstrain->click();
            TypeInto(*dialog.WidthEdit, QStringLiteral("320"));
            TypeInto(*dialog.HeightEdit, QStringLiteral("99"));
        };
        const std::function<void(TconfigDlg&)> closers[] = {
            [](TconfigDlg& dialog) { QTest::mouseClick(dialog.btnCancel, Qt::LeftButton); },
            [](TconfigDlg& dialog) { QTest::keyClick(dialog.HeightEdit, Qt::Key_Escape); },
            [](TconfigDlg& dialog) {
                dialog.ckbConstrain->setFocus();
                QTest::keyClick(dialog.ckbConstrain, Qt::Key_Escape);
            },
        };
        for (const auto& close : closers) {
            TConfigManager settings;
            ResetToVideo(settings, 720, 480, 4.0 / 3.0);
            bool closed = false;
            QVERIFY(RunConfig(settings, 4.0 / 3.0, [&](TconfigDlg& dialog) {
                edit(dialog);
                close(dialog);
                closed = !dialog.isVisible();
            }));
            QVERIFY(closed);
            QCOMPARE(settings.Width, 720);
            QCOMPARE(settings.Height, 540);
            QVERIFY(settings.Constrain);
        }
    }

    void okStoresTheSettings()
    {
        TConfigManager settings;
        ResetToVideo(settings, 720, 480, 16.0 / 9.0);
        QVERIFY(RunConfig(settings, 16.0 / 9.0, [](TconfigDlg& dialog) {
            QCOMPARE(dialog.WidthEdit->text(), QStringLiteral("720"));
            QCOMPARE(dialog.HeightEdit->text(), QStringLiteral("405"));
            TypeInto(*dialog.WidthEdit, QStringLiteral("640"));
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        }));
        QCOMPARE(settings.Width, 640);
        QCOMPARE(settings.Height, 360);
        QVERIFY(settings.Constrain);

        QVERIFY(RunConfig(settings, 16.0 / 9.0, [](TconfigDlg& dialog) {
            QVERIFY(dialog.ckbConstrain->isChecked());
            dialog.ckbConstrain->click();
            TypeInto(*dialog.HeightEdit, QStringLiteral("100"));
            // Return on the focused OK button presses it.
            dialog.btnOk->setFocus();
            QTest::keyClick(dialog.btnOk, Qt::Key_Return);
        }));
        QCOMPARE(settings.Width, 640);
        QCOMPARE(settings.Height, 100);
        QVERIFY(!settings.Constrain);
    }

    // A restore from minimised shows the dialog again; a pasted non-number while CONSTRAIN follows the
    // field must not raise through the field's own handling of the change.
    void editsSurviveARestoreAndAPastedNonNumberReachesTheErrorDisplay()
    {
        auto& app = *static_cast<TStillreelApplication*>(qApp);
        std::vector<std::string> shown;
        app.OnError = [&](const std::string& Message) { shown.push_back(Message); };
        {
            TShownDialog dialog(720, 540, 4.0 / 3.0);
            TypeInto(*dialog.dialog.WidthEdit, QStringLiteral("640"));
            dialog.dialog.hide();
            dialog.dialog.show();
            QCOMPARE(dialog.WidthText(), QStringLiteral("640"));
            QCOMPARE(dialog.HeightText(), QStringLiteral("480"));
        }
        {
            TShownDialog dialog(720, 540, 4.0 / 3.0);
            QGuiApplication::clipboard()->setText(QStringLiteral("12a"));
            TypeInto(*dialog.dialog.WidthEdit, QStringLiteral("640"));
            dialog.dialog.WidthEdit->selectAll();
            dialog.dialog.WidthEdit->paste();
            QCOMPARE(dialog.WidthText(), QStringLiteral("12a"));
            QCOMPARE(dialog.HeightText(), QStringLiteral("480"));
            QCoreApplication::processEvents();
        }
        app.OnError = nullptr;
        QCOMPARE(shown, std::vector<std::string>{"'12a' is not a valid integer value."});
    }

    void aPastedNonNumberFailsWhileStoringAfterTheWidth()
    {
        TConfigManager settings;
        ResetToVideo(settings, 720, 480, 4.0 / 3.0);
        QGuiApplication::clipboard()->setText(QStringLiteral("12a"));
        bool raised = false;
        try {
            RunConfig(settings, 4.0 / 3.0, [](TconfigDlg& dialog) {
                dialog.ckbConstrain->click();
                TypeInto(*dialog.WidthEdit, QStringLiteral("800"));
                // Pasted through the context menu, which the typing filter does not see.
                dialog.HeightEdit->selectAll();
                dialog.HeightEdit->paste();
                QCOMPARE(dialog.HeightEdit->text(), QStringLiteral("12a"));
                QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
            });
        } catch (const EConvertError& error) {
            raised = true;
            QCOMPARE(QString::fromStdString(error.Message()), QStringLiteral("'12a' is not a valid integer value"));
        }
        QVERIFY(raised);
        QCOMPARE(settings.Width, 800);
        QCOMPARE(settings.Height, 540);
        QVERIFY(settings.Constrain);
    }
};

// The application object of the program, whose handler shows what an event handler raises.
int main(int Argc, char** Argv)
{
    TStillreelApplication app(Argc, Argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestConfig test;
    return QTest::qExec(&test, Argc, Argv);
}
#include "test_config.moc"
