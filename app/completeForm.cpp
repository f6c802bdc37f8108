#include "app/completeForm.h"

#include "app/dialogparts.h"
#include "app/shellopen.h"

#include <QKeyEvent>
#include <QPushButton>

TcompleteDlg::TcompleteDlg(QWidget* Owner) : QDialog(Owner)
{
    SetupDialogFrame(*this, 692, 166, QStringLiteral("Congratulations"));

    Label1 = AddLabel(*this, QStringLiteral("The thumbnails are saved successfully in"), 16, 16, 230, 18, true);

    lbPath = new TLinkLabel(this, QColor(0, 0, 128), false);
    lbPath->setGeometry(16, 48, 657, 18);

    Label2 = AddLabel(*this, QStringLiteral("click the link to open the folder in explorer."), 16, 88, 257, 18, true);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setGeometry(16, 128, 100, 26);
    btnOK->setFocus();

    lbUnreadable = AddLabel(*this, QString(), 16, 120, 657, 18, false);
    QPalette warning = lbUnreadable->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    lbUnreadable->setPalette(warning);
    lbUnreadable->hide();

    connect(lbPath, &TLinkLabel::Clicked, this, &TcompleteDlg::lbPathClick);
    connect(btnOK, &QPushButton::clicked, this, &TcompleteDlg::btnOKClick);
}

void TcompleteDlg::ShowUnreadable(const QString& Text)
{
    Label1->setText(QStringLiteral("The thumbnails are saved in"));
    lbUnreadable->setText(Text + QStringLiteral(": pictures there may be damaged or missing."));
    lbUnreadable->show();
    // The line takes the button's row; the button and the frame move down by one.
    constexpr int kRow = 32;
    btnOK->move(btnOK->x(), btnOK->y() + kRow);
    setFixedSize(width(), height() + kRow);
}

void TcompleteDlg::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

// The whole path, however much of it the label shows.
void TcompleteDlg::lbPathClick()
{
    ShellOpen(lbPath->text().toStdString());
}

void TcompleteDlg::btnOKClick()
{
    accept();
}
