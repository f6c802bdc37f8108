// TtitleDlg: a disc holds several titles (the film, its extras, trailers); the user picks the one to
// open, and its angle where it was filmed from more than one.
#pragma once

#include "dvd/disc.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TtitleDlg : public QDialog {
public:
    // One row per title, the main title selected; a single row only offers its angles.
    TtitleDlg(QWidget* Owner, std::vector<dvd::TitleInfo> Titles, int MainTitle);

    // The selected title's number, and its angle counted from 1.
    int Title() const;
    int Angle() const;

    QLabel* Label1;
    QTableWidget* lvTitles;
    QLabel* lbAngle;
    QComboBox* cbAngle;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void TitleChanged();

    const std::vector<dvd::TitleInfo> FTitles;
};
