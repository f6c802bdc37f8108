// What the program's small dialogs share: the fixed white frame in the dialog font, and the label that
// acts as a link.
#pragma once

#include <QColor>
#include <QLabel>

class QDialog;

// A dialog frame of a fixed client size, no minimise or maximise box, white, in Trebuchet MS bold at a
// character height of 12 pixels.
void SetupDialogFrame(QDialog& Dialog, int ClientWidth, int ClientHeight, const QString& Caption);

// A plain-text label at a fixed position; AutoSize grows it to its text, for labels whose size is not
// fixed (Open Sans runs wider than Trebuchet MS).
QLabel* AddLabel(QWidget& Parent, const QString& Text, int Left, int Top, int Width, int Height, bool AutoSize);

// A label that is clicked like a link: hand cursor, underlined, in Colour; Clicked when the left
// button is released over it.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    TLinkLabel(QWidget* Parent, QColor Colour, bool Italic);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    bool FPressed = false;
};
