#include "app/aboutForm.h"

#include "app/appinfo.h"
#include "app/dialogparts.h"
#include "app/shellopen.h"

#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

std::string SupportMailUrl()
{
    std::string subject = std::string(ApplicationTitle) + " Support";
    std::string encoded;
    for (const char c : subject)
        encoded += c == ' ' ? std::string("%20") : std::string(1, c);
    return std::string("mailto:") + VendorSupportMail + "?subject=" + encoded;
}

TaboutDlg::TaboutDlg(QWidget* Owner) : QDialog(Owner)
{
    SetupDialogFrame(*this, 442, 270, QStringLiteral("About %1").arg(QLatin1String(ApplicationTitle)));

    Label1 = AddLabel(*this, QStringLiteral("Stillreel is a easy-to-use video capture tool that help you to"), 16, 16,
                      417, 16, false);
    Label2 = AddLabel(*this, QStringLiteral("generate thumbnails from DVD video."), 16, 32, 417, 16, false);
    Label3 = AddLabel(*this, QString::fromUtf8(VendorCredit), 240, 64, 185, 16, false);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    const QColor blue(0, 0, 255);
    lbWeb = new TLinkLabel(this, blue, true);
    lbWeb->setText(QString::fromUtf8(VendorWebSite));
    lbWeb->move(16, 112);
    lbWeb->resize(std::max(159, lbWeb->sizeHint().width()), 18);
    lbMail = new TLinkLabel(this, blue, true);
    lbMail->setText(QString::fromUtf8(VendorSupportMail));
    lbMail->move(16, 136);
    lbMail->resize(std::max(157, lbMail->sizeHint().width()), 18);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setGeometry(328, 232, 100, 26);
    btnOK->setFocus();

    connect(lbWeb, &TLinkLabel::Clicked, this, &TaboutDlg::lbWebClick);
    connect(lbMail, &TLinkLabel::Clicked, this, &TaboutDlg::lbMailClick);
    connect(btnOK, &QPushButton::clicked, this, &TaboutDlg::btnOKClick);
}

void TaboutDlg::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TaboutDlg::lbWebClick()
{
    ShellOpen(VendorWebSite);
}

void TaboutDlg::lbMailClick()
{
    ShellOpen(SupportMailUrl());
}

void TaboutDlg::btnOKClick()
{
    accept();
}
