// TMyCustomFlatEdit / TMyFlatEdit: a flat-framed field for a non-negative whole number. It takes only
// digits, keeps leading zeros out, and steps its value with the arrow keys and the mouse wheel.
#pragma once

#include "controls/FlatUtilitys.h"

#include "common/exceptions.h"

#include <cstdint>

// A text that is not a number where one is needed.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

enum class TEditValueType { evtInteger, evtFloat };

class TTypingLimit;

class TMyCustomFlatEdit : public TFlatEditFrame {
    Q_OBJECT

public:
    explicit TMyCustomFlatEdit(QWidget* Parent = nullptr);

    TEditValueType ValueType() const noexcept { return FValueType; }
    std::int32_t MinValue() const noexcept { return FMinValue; }
    // 0: no upper bound.
    std::int32_t MaxValue() const noexcept { return FMaxValue; }
    void SetValueType(TEditValueType Value) { FValueType = Value; }
    void SetMinValue(std::int32_t Value) { FMinValue = Value; }
    void SetMaxValue(std::int32_t Value) { FMaxValue = Value; }

    // 0 for an empty text; raises EConvertError for a text that is not a 32-bit decimal number.
    std::int32_t asInteger() const;
    // One up or down within the bounds, as if typed; only with evtInteger. Raise as asInteger does.
    void StepUp();
    void StepDown();

    // These hide QLineEdit's own: its limit also cuts the text the program sets, so a step up from
    // "99999" in a 5-digit field would read "10000". This limit binds only what the user enters.
    int maxLength() const noexcept;
    void setMaxLength(int Value);

protected:
    virtual bool IsValidChar(QChar C) const;
    bool IsSameKind(const QWidget* Widget) const override;

    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    // The typing filter: whether a typed character may reach the edit.
    bool AcceptTyped(QChar C);
    // Sets a text past the typing limit.
    void SetTextUnlimited(const QString& Value);

    TEditValueType FValueType = TEditValueType::evtInteger;
    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 0;
    TTypingLimit* FTypingLimit;  // a child object
};

class TMyFlatEdit : public TMyCustomFlatEdit {
    Q_OBJECT

public:
    using TMyCustomFlatEdit::TMyCustomFlatEdit;
};
