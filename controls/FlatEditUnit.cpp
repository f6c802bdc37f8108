#include "controls/FlatEditUnit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QValidator>
#include <QWheelEvent>

#include <algorithm>
#include <charconv>
#include <optional>

namespace {

constexpr QChar Backspace(8);

// The character a key press types, as a character stream sees it: Backspace is character 8 (127
// with Ctrl), Ctrl with a letter is that letter's control character (so the clipboard shortcuts
// count as typed characters), and keys that type nothing give none. Return, Enter, Escape and Tab
// belong to the dialog around the field, not to its text.
std::optional<QChar> TypedCharacter(const QKeyEvent& Event)
{
    const int key = Event.key();
    const Qt::KeyboardModifiers modifiers = Event.modifiers();
    switch (key) {
    case Qt::Key_Backspace:
        return modifiers & Qt::ControlModifier ? QChar(127) : Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return std::nullopt;
    default:
        break;
    }
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(key - Qt::Key_A + 1);
    const QString text = Event.text();
    if (text.isEmpty())
        return std::nullopt;
    return text.front();
}

}  // namespace

// The limit on the length of what the user enters. As a validator it meets every way in (keys,
// input methods, pasting, dropping); Qt validates the program's own setText as well, so it binds only
// while the user edits. It refuses only an edit that makes the text longer than the limit and longer
// than it was, so a longer number the program set can still be shortened.
class TTypingLimit : public QValidator {
public:
    explicit TTypingLimit(QLineEdit* Field) : QValidator(Field)
    {
        connect(Field, &QLineEdit::textChanged, this, [this](const QString& Value) { FShown = Value; });
    }

    State validate(QString& Input, int&) const override
    {
        const bool tooLong = Input.size() > Limit && Input.size() > FShown.size();
        return UserEdits && tooLong ? Invalid : Acceptable;
    }

    int Limit = 32767;
    bool UserEdits = false;

private:
    // The text before the edit being validated.
    QString FShown;
};

TMyCustomFlatEdit::TMyCustomFlatEdit(QWidget* Parent) : TFlatEditFrame(Parent), FTypingLimit(new TTypingLimit(this))
{
    setValidator(FTypingLimit);
}

int TMyCustomFlatEdit::maxLength() const noexcept
{
    return FTypingLimit->Limit;
}

void TMyCustomFlatEdit::setMaxLength(int Value)
{
    FTypingLimit->Limit = std::max(Value, 0);
}

void TMyCustomFlatEdit::SetTextUnlimited(const QString& Value)
{
    const QScopedValueRollback program(FTypingLimit->UserEdits, false);
    setText(Value);
}

bool TMyCustomFlatEdit::IsSameKind(const QWidget* Widget) const
{
    return qobject_cast<const TMyFlatEdit*>(Widget) != nullptr;
}

bool TMyCustomFlatEdit::IsValidChar(QChar C) const
{
    if (FValueType != TEditValueType::evtInteger)
        return false;
    return (C >= u'0' && C <= u'9') || C == Backspace;
}

std::int32_t TMyCustomFlatEdit::asInteger() const
{
    const QString value = text();
    if (value.isEmpty())
        return 0;
    const QByteArray digits = value.toUtf8();
    const char* first = digits.constData();
    const char* last = first + digits.size();
    // A leading plus is a sign like the minus.
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    std::int32_t result = 0;
    const auto [end, error] = std::from_chars(first, last, result, 10);
    if (error != std::errc() || end != last)
        throw EConvertError("'" + value.toStdString() + "' is not a valid integer value");
    return result;
}

void TMyCustomFlatEdit::StepUp()
{
    if (FValueType != TEditValueType::evtInteger)
        return;
    const std::int32_t value = asInteger();
    if (FMaxValue == 0 || value < FMaxValue)
        SetTextUnlimited(QString::number(static_cast<std::int64_t>(value) + 1));
}

void TMyCustomFlatEdit::StepDown()
{
    if (FValueType != TEditValueType::evtInteger)
        return;
    const std::int32_t value = asInteger();
    if (value > FMinValue)
        SetTextUnlimited(QString::number(static_cast<std::int64_t>(value) - 1));
}

bool TMyCustomFlatEdit::AcceptTyped(QChar C)
{
    if (!IsValidChar(C))
        return false;
    // A digit typed into "0" lands in front of it.
    if (text() == u"0")
        setCursorPosition(0);
    const bool wholeSelected = hasSelectedText() && selectedText().size() == text().size();
    // Erasing the last digit, or everything, leaves "0"; the Backspace then finds nothing before the caret.
    if (C == Backspace && (text().size() <= 1 || wholeSelected)) {
        setText(QStringLiteral("0"));
        setCursorPosition(0);
    }
    const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    // No leading zeros.
    return !(C == u'0' && !text().isEmpty() && selStart == 0);
}

bool TMyCustomFlatEdit::event(QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::MouseButtonRelease:  // pastes the selection on X11
    {
        const QScopedValueRollback user(FTypingLimit->UserEdits, true);
        return TFlatEditFrame::event(Event);
    }
    default:
        return TFlatEditFrame::event(Event);
    }
}

void TMyCustomFlatEdit::keyPressEvent(QKeyEvent* Event)
{
    switch (Event->key()) {
    case Qt::Key_Delete:
        Event->accept();
        return;
    case Qt::Key_Up:
        StepUp();
        break;
    case Qt::Key_Down:
        StepDown();
        break;
    default:
        if (const std::optional<QChar> typed = TypedCharacter(*Event); typed && !AcceptTyped(*typed)) {
            Event->accept();
            return;
        }
        break;
    }
    QLineEdit::keyPressEvent(Event);
}

void TMyCustomFlatEdit::wheelEvent(QWheelEvent* Event)
{
    if (!hasFocus()) {
        QLineEdit::wheelEvent(Event);
        return;
    }
    const QPoint delta = Event->angleDelta();
    // A sideways scroll steps nothing, nor do the empty events that open and close a touchpad
    // gesture; a plain wheel event without any delta still steps down.
    if (delta.y() == 0 && (delta.x() != 0 || Event->phase() != Qt::NoScrollPhase)) {
        QLineEdit::wheelEvent(Event);
        return;
    }
    if (delta.y() > 0)
        StepUp();
    else
        StepDown();
    Event->accept();
}

void TMyCustomFlatEdit::contextMenuEvent(QContextMenuEvent* Event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Its paste runs after this handler has returned, when the menu's action fires.
    FTypingLimit->UserEdits = true;
    connect(menu, &QObject::destroyed, FTypingLimit, [limit = FTypingLimit] { limit->UserEdits = false; });
    menu->popup(Event->globalPos());
}

void TMyCustomFlatEdit::focusOutEvent(QFocusEvent* Event)
{
    TFlatEditFrame::focusOutEvent(Event);
    if (FValueType == TEditValueType::evtFloat)
        setCursorPosition(0);
}
