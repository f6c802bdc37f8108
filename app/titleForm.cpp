#include "app/titleForm.h"

#include "app/dialogparts.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {

enum TColumn { colTitle, colLength, colChapters, colAngles, colAspect, colCount };

QTableWidgetItem* Cell(const QString& Text, Qt::Alignment Align)
{
    auto* item = new QTableWidgetItem(Text);
    item->setTextAlignment(Align | Qt::AlignVCenter);
    return item;
}

}  // namespace

TtitleDlg::TtitleDlg(QWidget* Owner, std::vector<dvd::TitleInfo> Titles, int MainTitle)
    : QDialog(Owner), FTitles(std::move(Titles))
{
    SetupDialogFrame(*this, 420, 280, QStringLiteral("Choose a title"));

    Label1 = AddLabel(*this,
                      FTitles.size() > 1
                          ? QStringLiteral("This DVD holds several titles. Which one do you want to open?")
                          : QStringLiteral("This title was filmed from several angles. Which one do you want?"),
                      16, 14, 388, 18, true);

    lvTitles = new QTableWidget(static_cast<int>(FTitles.size()), colCount, this);
    lvTitles->setGeometry(16, 40, 388, 160);
    lvTitles->setHorizontalHeaderLabels(
        {QStringLiteral("Title"), QStringLiteral("Length"), QStringLiteral("Chapters"), QStringLiteral("Angles"),
         QStringLiteral("Aspect")});
    lvTitles->verticalHeader()->hide();
    lvTitles->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lvTitles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTitles->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTitles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    int mainRow = 0;
    for (int row = 0; row < lvTitles->rowCount(); ++row) {
        const dvd::TitleInfo& title = FTitles[static_cast<std::size_t>(row)];
        lvTitles->setItem(row, colTitle, Cell(QString::number(title.number), Qt::AlignRight));
        lvTitles->setItem(row, colLength,
                          Cell(QString::fromStdString(dvd::LengthText(title.lengthMs)), Qt::AlignRight));
        lvTitles->setItem(row, colChapters, Cell(QString::number(title.chapters), Qt::AlignRight));
        lvTitles->setItem(row, colAngles, Cell(QString::number(title.angles), Qt::AlignRight));
        lvTitles->setItem(row, colAspect, Cell(QString::fromStdString(dvd::AspectText(title.aspect)), Qt::AlignLeft));
        if (title.number == MainTitle)
            mainRow = row;
    }

    lbAngle = AddLabel(*this, QStringLiteral("Angle:"), 16, 212, 50, 18, true);
    cbAngle = new QComboBox(this);
    cbAngle->setGeometry(72, 208, 120, 26);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setGeometry(196, 244, 100, 26);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setGeometry(304, 244, 100, 26);

    connect(lvTitles, &QTableWidget::itemSelectionChanged, this, &TtitleDlg::TitleChanged);
    // A double click, or Enter on the list, takes the title at once.
    connect(lvTitles, &QTableWidget::activated, this, &QDialog::accept);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    lvTitles->selectRow(mainRow);
    lvTitles->setFocus();
    TitleChanged();
}

int TtitleDlg::Title() const
{
    const int row = lvTitles->currentRow();
    return row >= 0 ? FTitles[static_cast<std::size_t>(row)].number : 0;
}

int TtitleDlg::Angle() const
{
    return cbAngle->isHidden() ? 1 : cbAngle->currentIndex() + 1;
}

// Only a title filmed from several angles offers a choice of them.
void TtitleDlg::TitleChanged()
{
    const int row = lvTitles->currentRow();
    const int angles = row >= 0 ? FTitles[static_cast<std::size_t>(row)].angles : 1;
    cbAngle->clear();
    for (int angle = 1; angle <= angles; ++angle)
        cbAngle->addItem(QStringLiteral("Angle %1").arg(angle));
    lbAngle->setVisible(angles > 1);
    cbAngle->setVisible(angles > 1);
}
