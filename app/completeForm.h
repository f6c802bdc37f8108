// TcompleteDlg: shown when a thumbnail job has finished; the folder that received the pictures is a
// link that opens it in the file manager.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TLinkLabel;

class TcompleteDlg : public QDialog {
    Q_OBJECT

public:
    explicit TcompleteDlg(QWidget* Owner = nullptr);
    // After a job that met parts of the video it could not read: the dialog says so under the link, in
    // a line of its own, and no longer calls the job a success.
    void ShowUnreadable(const QString& Text);

    QLabel* Label1;
    // Its text is the folder, set by the window; a long one is cut off at the right edge.
    TLinkLabel* lbPath;
    QLabel* Label2;
    QPushButton* btnOK;
    // Shown only by ShowUnreadable.
    QLabel* lbUnreadable;

protected:
    // Escape does not close this dialog.
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void lbPathClick();
    void btnOKClick();
};
