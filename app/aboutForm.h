// TaboutDlg: what the program is for, with links to the vendor's web site and support mail.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;
class TLinkLabel;

class TaboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TaboutDlg(QWidget* Owner = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    TLinkLabel* lbWeb;
    TLinkLabel* lbMail;
    QPushButton* btnOK;

protected:
    // Escape does not close this dialog.
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void lbWebClick();
    void lbMailClick();
    void btnOKClick();
};

// The support link: the address with the subject "<title> Support", blanks written as %20.
std::string SupportMailUrl();
