// The flat fields: the numeric field's typing rules, stepping and asInteger; the frame, its colours,
// its height, and the rule that lights a field up.

#include "controls/FlatEditUnit.h"
#include "controls/TFlatEditUnit.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

// An active window with two numeric fields and two text fields, on white.
struct TFieldsFixture {
    TFieldsFixture()
    {
        QPalette white = window.palette();
        white.setColor(QPalette::Window, Qt::white);
        window.setPalette(white);
        window.setAutoFillBackground(true);
        window.setGeometry(50, 50, 300, 200);
        numeric.setGeometry(10, 10, 57, 24);
        otherNumeric.setGeometry(10, 50, 57, 24);
        text.setGeometry(100, 10, 150, 28);
        otherText.setGeometry(100, 50, 150, 28);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Activation gave the first field the focus; the tests start with none.
        numeric.clearFocus();
        QCOMPARE(QApplication::focusWidget(), nullptr);
    }

    static void PointAt(QWidget& widget)
    {
        QCursor::setPos(widget.mapToGlobal(QPoint(5, 5)));
        QApplication::processEvents();
    }

    // Types into the numeric field, which holds text with the caret at caret (-1: at the end).
    void Type(const QString& start, int caret, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        numeric.setText(start);
        numeric.setCursorPosition(caret < 0 ? start.size() : caret);
        QTest::keyClick(&numeric, key, modifiers);
    }

    QWidget window;
    TMyFlatEdit numeric{&window};
    TMyFlatEdit otherNumeric{&window};
    TFlatEdit text{&window};
    TFlatEdit otherText{&window};
};

void Wheel(QWidget& widget, int delta, int sideways = 0, Qt::ScrollPhase phase = Qt::NoScrollPhase)
{
    QWheelEvent event(QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(sideways, delta), Qt::NoButton,
                      Qt::NoModifier, phase, false);
    QApplication::sendEvent(&widget, &event);
}

}  // namespace

class TestFlatEdit : public QObject {
    Q_OBJECT

private slots:
    void init() { QCursor::setPos(QPoint(1, 1)); }

    void backspaceLeavesZeroRatherThanNothing()
    {
        TFieldsFixture f;
        f.Type("12", -1, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("1"));
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));
        QCOMPARE(f.numeric.cursorPosition(), 0);
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));

        f.numeric.setText(QStringLiteral("345"));
        f.numeric.selectAll();
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));

        f.numeric.setText(QString());
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));

        f.numeric.setText(QStringLiteral("345"));
        f.numeric.setSelection(1, 2);  // not the whole text: an ordinary Backspace
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("3"));
    }

    void digitsAndNoLeadingZeros()
    {
        TFieldsFixture f;
        f.Type("0", -1, Qt::Key_5);
        QCOMPARE(f.numeric.text(), QStringLiteral("50"));
        f.Type("0", -1, Qt::Key_0);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));
        f.Type("12", 0, Qt::Key_0);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        f.Type("12", -1, Qt::Key_0);
        QCOMPARE(f.numeric.text(), QStringLiteral("120"));
        f.Type("12", 1, Qt::Key_0);
        QCOMPARE(f.numeric.text(), QStringLiteral("102"));
        f.numeric.setText(QStringLiteral("12"));
        f.numeric.selectAll();
        QTest::keyClick(&f.numeric, Qt::Key_0);  // the selection starts at the start
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        QTest::keyClick(&f.numeric, Qt::Key_7);
        QCOMPARE(f.numeric.text(), QStringLiteral("7"));
        f.Type("", -1, Qt::Key_0);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));
    }

    void everythingElseTypedIsDiscarded()
    {
        TFieldsFixture f;
        QApplication::clipboard()->setText(QStringLiteral("99"));
        // The same keys do reach a text field.
        f.text.setText(QString());
        QTest::keyClicks(&f.text, QStringLiteral("a- "));
        QTest::keyClick(&f.text, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.text.text(), QStringLiteral("a- 99"));

        QSignalSpy keyPresses(&f.numeric, &QLineEdit::textEdited);
        f.numeric.setText(QStringLiteral("12"));
        QTest::keyClicks(&f.numeric, QStringLiteral("a- x+.,"));
        QTest::keyClick(&f.numeric, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&f.numeric, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&f.numeric, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(&f.numeric, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        QVERIFY(!f.numeric.hasSelectedText());
        QCOMPARE(keyPresses.count(), 0);
    }

    void deleteIsSwallowed()
    {
        TFieldsFixture f;
        f.Type("12", 0, Qt::Key_Delete);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        f.numeric.selectAll();
        QTest::keyClick(&f.numeric, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        // The caret still moves.
        QTest::keyClick(&f.numeric, Qt::Key_End);
        QCOMPARE(f.numeric.cursorPosition(), 2);
    }

    void arrowsStepWithinTheBounds()
    {
        TFieldsFixture f;
        QSignalSpy changes(&f.numeric, &QLineEdit::textChanged);
        f.Type("12", -1, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("13"));
        QCOMPARE(changes.count(), 2);  // setting "12", then the step
        f.numeric.SetMaxValue(13);
        QTest::keyClick(&f.numeric, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("13"));
        QTest::keyClick(&f.numeric, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));

        f.Type("0", -1, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("0"));
        f.Type("", -1, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("1"));

        f.numeric.SetMinValue(3);
        f.Type("4", -1, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("3"));
        QTest::keyClick(&f.numeric, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("3"));
        // A text below the minimum stays where it is.
        f.numeric.SetMinValue(10);
        f.Type("4", -1, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("4"));
    }

    void wheelStepsOnlyTheFocusedField()
    {
        TFieldsFixture f;
        f.numeric.setText(QStringLiteral("12"));
        Wheel(f.numeric, 120);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        f.numeric.setFocus();
        QVERIFY(f.numeric.hasFocus());
        Wheel(f.numeric, 120);
        QCOMPARE(f.numeric.text(), QStringLiteral("13"));
        Wheel(f.numeric, -120);
        Wheel(f.numeric, -120);
        QCOMPARE(f.numeric.text(), QStringLiteral("11"));
        Wheel(f.numeric, 0);
        QCOMPARE(f.numeric.text(), QStringLiteral("10"));
    }

    void stepsPassTheTypingLimit()
    {
        TFieldsFixture f;
        f.numeric.setMaxLength(5);
        f.Type("99999", -1, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("100000"));
        // Typing still stops at five digits, but the longer number can be shortened.
        QTest::keyClick(&f.numeric, Qt::Key_1);
        QCOMPARE(f.numeric.text(), QStringLiteral("100000"));
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QCOMPARE(f.numeric.text(), QStringLiteral("10000"));
        QTest::keyClick(&f.numeric, Qt::Key_7);
        QCOMPARE(f.numeric.text(), QStringLiteral("10000"));
        f.Type("1234", -1, Qt::Key_5);
        QCOMPARE(f.numeric.text(), QStringLiteral("12345"));
        QTest::keyClick(&f.numeric, Qt::Key_6);
        QCOMPARE(f.numeric.text(), QStringLiteral("12345"));
        f.numeric.selectAll();
        QTest::keyClick(&f.numeric, Qt::Key_6);
        QCOMPARE(f.numeric.text(), QStringLiteral("6"));
        // Pasting is held to the limit too.
        QApplication::clipboard()->setText(QStringLiteral("777777"));
        f.Type("", -1, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(f.numeric.text(), QString());
        QApplication::clipboard()->setText(QStringLiteral("7777"));
        f.Type("1", -1, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(f.numeric.text(), QStringLiteral("17777"));

        f.numeric.setFocus();
        f.numeric.setText(QStringLiteral("99999"));
        Wheel(f.numeric, 120);
        QCOMPARE(f.numeric.text(), QStringLiteral("100000"));
        f.numeric.setMaxLength(8);
        f.numeric.setText(QStringLiteral("99999999"));
        QTest::keyClick(&f.numeric, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("100000000"));
        QTest::keyClick(&f.numeric, Qt::Key_Down);
        QCOMPARE(f.numeric.text(), QStringLiteral("99999999"));
        QCOMPARE(f.numeric.asInteger(), 99999999);
    }

    void sidewaysScrollDoesNotStep()
    {
        TFieldsFixture f;
        f.numeric.setFocus();
        f.numeric.setText(QStringLiteral("12"));
        Wheel(f.numeric, 0, 120);
        Wheel(f.numeric, 0, -120);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        // A touchpad's gesture starts and ends with empty events.
        Wheel(f.numeric, 0, 0, Qt::ScrollBegin);
        Wheel(f.numeric, 0, 0, Qt::ScrollEnd);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        Wheel(f.numeric, 120, 30);
        QCOMPARE(f.numeric.text(), QStringLiteral("13"));
    }

    void asIntegerReadsSignedDecimals()
    {
        TFieldsFixture f;
        QCOMPARE(f.numeric.asInteger(), 0);  // empty
        f.numeric.setText(QStringLiteral("-7"));
        QCOMPARE(f.numeric.asInteger(), -7);
        f.numeric.setText(QStringLiteral("2147483647"));
        QCOMPARE(f.numeric.asInteger(), 2147483647);
        for (const char* bad : {"2147483648", "12a", " 12", "0x10", "-", "+-1"}) {
            f.numeric.setText(QString::fromLatin1(bad));
            QVERIFY_THROWS_EXCEPTION(EConvertError, f.numeric.asInteger());
        }
        f.numeric.setText(QStringLiteral("+8"));
        QCOMPARE(f.numeric.asInteger(), 8);
    }

    void notANumberRaisesTheConversionError()
    {
        TFieldsFixture f;
        f.numeric.setText(QStringLiteral("abc"));  // as pasted through the context menu
        try {
            f.numeric.asInteger();
            QFAIL("no error");
        } catch (const EConvertError& error) {
            QCOMPARE(error.Message(), std::string("'abc' is not a valid integer value"));
        }
        QVERIFY_THROWS_EXCEPTION(EConvertError, f.numeric.StepUp());
        QVERIFY_THROWS_EXCEPTION(EConvertError, f.numeric.StepDown());
        QCOMPARE(f.numeric.text(), QStringLiteral("abc"));
    }

    void floatFieldsTakeNothingAndDoNotStep()
    {
        TFieldsFixture f;
        f.numeric.SetValueType(TEditValueType::evtFloat);
        f.Type("12", -1, Qt::Key_5);
        QTest::keyClick(&f.numeric, Qt::Key_Backspace);
        QTest::keyClick(&f.numeric, Qt::Key_Up);
        QCOMPARE(f.numeric.text(), QStringLiteral("12"));
        f.numeric.setFocus();
        f.numeric.setCursorPosition(2);
        f.otherNumeric.setFocus();
        QCOMPARE(f.numeric.cursorPosition(), 0);
    }

    void hoverLightsAFieldUnlessOneOfItsKindHasTheFocus()
    {
        TFieldsFixture f;
        f.PointAt(f.otherNumeric);
        QVERIFY(f.otherNumeric.Active());  // nothing of its kind has the focus
        f.PointAt(f.window);
        QVERIFY(!f.otherNumeric.Active());

        f.numeric.setFocus();
        QVERIFY(f.numeric.Active());
        f.PointAt(f.otherNumeric);
        QVERIFY(!f.otherNumeric.Active());
        f.PointAt(f.text);
        QVERIFY(f.text.Active());
        f.PointAt(f.window);
        QVERIFY(!f.text.Active());

        f.text.setFocus();
        QVERIFY(!f.numeric.Active());
        f.PointAt(f.otherText);
        QVERIFY(!f.otherText.Active());
        f.PointAt(f.numeric);
        QVERIFY(f.numeric.Active());
    }

    void frameShowsTheState()
    {
        TFieldsFixture f;
        f.numeric.SetColorFlat(QColor(235, 234, 225));
        f.numeric.SetColorBorder(QColor(172, 168, 153));
        f.numeric.SetColorFocused(QColor(250, 250, 200));
        const auto pixels = [&f] { return f.numeric.grab().toImage(); };
        const int right = f.numeric.width() - 1;
        const int bottom = f.numeric.height() - 1;
        QImage idle = pixels();
        QCOMPARE(idle.pixelColor(0, 0), QColor(172, 168, 153));
        QCOMPARE(idle.pixelColor(right, bottom), QColor(172, 168, 153));
        QCOMPARE(idle.pixelColor(1, 1), QColor(235, 234, 225));
        QCOMPARE(idle.pixelColor(right - 2, bottom - 2), QColor(235, 234, 225));
        QCOMPARE(idle.pixelColor(right - 4, bottom - 4), QColor(235, 234, 225));  // the text area
        f.numeric.setFocus();
        QImage active = pixels();
        QCOMPARE(active.pixelColor(0, 0), QColor(172, 168, 153));
        QCOMPARE(active.pixelColor(2, 2), QColor(250, 250, 200));
        QCOMPARE(active.pixelColor(right - 4, bottom - 4), QColor(250, 250, 200));
        // Disabling changes no colour of the frame.
        f.numeric.setEnabled(false);
        f.otherNumeric.setFocus();
        QCOMPARE(pixels().pixelColor(2, 2), QColor(235, 234, 225));
    }

    void flatColourFollowsTheParentUntilSetExplicitly()
    {
        TFieldsFixture f;
        QCOMPARE(f.numeric.ColorFlat(), QColor(Qt::white));
        QPalette grey = f.window.palette();
        grey.setColor(QPalette::Window, QColor(200, 200, 200));
        f.window.setPalette(grey);
        QCOMPARE(f.numeric.ColorFlat(), QColor(200, 200, 200));

        f.numeric.SetColorFlat(Qt::white);
        QVERIFY(!f.numeric.ParentColor());
        grey.setColor(QPalette::Window, QColor(100, 100, 100));
        f.window.setPalette(grey);
        QCOMPARE(f.numeric.ColorFlat(), QColor(Qt::white));
        f.numeric.SetParentColor(true);
        QCOMPARE(f.numeric.ColorFlat(), QColor(100, 100, 100));

        TMyFlatEdit unparented;
        QCOMPARE(unparented.ColorFlat(), QColor(235, 234, 225));
    }

    void advancedColoursComeFromTheFlatColour()
    {
        TFieldsFixture f;
        f.text.SetColorFlat(QColor(235, 234, 225));
        f.text.SetAdvColorBorder(20);
        QCOMPARE(f.text.ColorBorder(), QColor(160, 150, 131));  // nothing until they are switched on
        f.text.SetUseAdvColors(true);
        QVERIFY(f.text.ParentColor());
        QCOMPARE(f.text.ColorFlat(), QColor(Qt::white));
        QCOMPARE(f.text.ColorFocused(), QColor(106, 106, 106));  // white lightened stops at 100 of 240
        QCOMPARE(f.text.ColorBorder(), QColor(244, 244, 244));   // 230 of 240
        f.text.SetAdvColorBorder(50);
        QCOMPARE(f.text.ColorBorder(), QColor(212, 212, 212));   // 212.5 goes to the even 212
        QPalette grey = f.window.palette();
        grey.setColor(QPalette::Window, QColor(0, 0, 0));
        f.window.setPalette(grey);
        QCOMPARE(f.text.ColorBorder(), QColor(0, 0, 0));
        QCOMPARE(f.text.ColorFocused(), QColor(21, 21, 21));     // 20 of 240
    }

    void heightFollowsTheFont()
    {
        QWidget window;
        QFont font = window.font();
        font.setPixelSize(12);
        window.setFont(font);
        TMyFlatEdit field(&window);
        TFlatEdit big(&window);
        QCOMPARE(field.width(), 121);
        field.setGeometry(544, 327, 57, 24);  // a stored height is replaced when the field is first shown
        big.setGeometry(485, 256, 281, 28);
        font.setPixelSize(16);
        big.setFont(font);
        QCOMPARE(big.height(), QFontMetrics(big.font()).height() + 6);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(field.height(), QFontMetrics(field.font()).height() + 6);
        QCOMPARE(field.width(), 57);
        QVERIFY(field.height() != big.height());
    }
};

QTEST_MAIN(TestFlatEdit)
#include "test_flatedit.moc"
