#include "app/configForm.h"

#include "app/appinfo.h"
#include "app/configManager.h"
#include "app/dialogparts.h"
#include "assets/palette.h"
#include "controls/FlatEditUnit.h"
#include "job/thumbsize.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

constexpr int FieldMaxLength = 5;
constexpr int FieldWidth = 121;
constexpr int FieldHeight = 24;

// A computed value may be longer than typing may make it (a height of 99999 at 4:3 is a width of
// 133332); the field's limit is for typing only, so it is shown in full.
void ShowNumber(TMyFlatEdit& Field, std::int32_t Value)
{
    Field.setText(QString::number(Value));
}

TMyFlatEdit* CreateField(QWidget& Owner, int Left, const QLabel& Label)
{
    auto* field = new TMyFlatEdit(&Owner);
    field->SetColorBorder(QColor(172, 168, 153));
    QPalette text = field->palette();
    text.setColor(QPalette::Text, Palette::GreyText);
    field->setPalette(text);
    field->setMaxLength(FieldMaxLength);
    field->setText(QStringLiteral("0"));
    // Vertically centred on its label.
    field->setGeometry(Left, Label.y() - (FieldHeight - Label.height()) / 2, FieldWidth, FieldHeight);
    return field;
}

}  // namespace

TconfigDlg::TconfigDlg(QWidget* Owner) : QDialog(Owner)
{
    SetupDialogFrame(*this, 442, 270, QStringLiteral("Config %1").arg(QLatin1String(ApplicationTitle)));

    lbWidth = AddLabel(*this, QStringLiteral("Width"), 16, 16, 34, 18, false);
    lbHeight = AddLabel(*this, QStringLiteral("Height"), 16, 48, 37, 18, false);

    ckbConstrain = new QCheckBox(QStringLiteral("CONSTRAIN"), this);
    ckbConstrain->setGeometry(16, 240, 97, 17);
    ckbConstrain->setChecked(true);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(16, 80, 409, 137);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    Panel1->setPalette(grey);
    Panel1->setAutoFillBackground(true);

    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setGeometry(216, 232, 100, 26);
    btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setGeometry(325, 232, 100, 26);
    // Neither button is the dialog's default: Return in a field does nothing, and on a focused button
    // it presses that button (see eventFilter).
    for (QPushButton* button : {btnCancel, btnOk}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Both fields start 16 pixels after the "Width" label at its fixed width; only then do the labels
    // grow to their text, since Open Sans runs wider than Trebuchet MS.
    const int fieldLeft = lbWidth->x() + lbWidth->width() + 16;
    WidthEdit = CreateField(*this, fieldLeft, *lbWidth);
    HeightEdit = CreateField(*this, fieldLeft, *lbHeight);
    for (QLabel* label : {lbWidth, lbHeight})
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());

    // The fields were created last, so they come last in the tab order.
    setTabOrder(ckbConstrain, btnCancel);
    setTabOrder(btnCancel, btnOk);
    setTabOrder(btnOk, WidthEdit);
    setTabOrder(WidthEdit, HeightEdit);
    ckbConstrain->setFocus();

    for (QWidget* control : std::initializer_list<QWidget*>{ckbConstrain, btnCancel, btnOk, WidthEdit, HeightEdit})
        control->installEventFilter(this);

    connect(WidthEdit, &QLineEdit::textChanged, this, &TconfigDlg::WidthChanged);
    connect(HeightEdit, &QLineEdit::textChanged, this, &TconfigDlg::HeightChanged);
    // toggled, not clicked: the height follows also when the box is set in code.
    connect(ckbConstrain, &QCheckBox::toggled, this, &TconfigDlg::ckbConstrainClick);
    connect(btnOk, &QPushButton::clicked, this, &TconfigDlg::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TconfigDlg::btnCancelClick);
}

void TconfigDlg::showEvent(QShowEvent* Event)
{
    // Neither field has the focus yet, so this recomputes nothing. Only the first show fills them:
    // what was typed before the dialog was minimised stays.
    if (!FFilled) {
        ShowNumber(*WidthEdit, WidthValue);
        ShowNumber(*HeightEdit, HeightValue);
        FFilled = true;
    }
    QDialog::showEvent(Event);
}

bool TconfigDlg::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            reject();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (auto* button = qobject_cast<QPushButton*>(Watched)) {
                button->click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

// The focus test keeps the two handlers from driving each other: the field written here does not
// have the focus, so its own handler does nothing.
void TconfigDlg::WidthChanged()
{
    if (ckbConstrain->isChecked() && WidthEdit->hasFocus())
        FollowField(*WidthEdit, *HeightEdit, job::HeightForWidth);
}

void TconfigDlg::HeightChanged()
{
    if (ckbConstrain->isChecked() && HeightEdit->hasFocus())
        FollowField(*HeightEdit, *WidthEdit, job::WidthForHeight);
}

// Switching CONSTRAIN on makes the width lead; switching it off changes nothing.
void TconfigDlg::ckbConstrainClick()
{
    if (ckbConstrain->isChecked())
        FollowField(*WidthEdit, *HeightEdit, job::HeightForWidth);
}

void TconfigDlg::FollowField(TMyFlatEdit& Leading, TMyFlatEdit& Following, std::int32_t (*Rule)(std::int32_t, double))
{
    try {
        ShowNumber(Following, Rule(Leading.asInteger(), AspectRatio));
    } catch (...) {
        // A pasted non-number: the conversion error must not cross the field's own handling of the
        // change, so it is raised again from the event loop, whose handler shows it.
        QMetaObject::invokeMethod(
            qApp, [Error = std::current_exception()] { std::rethrow_exception(Error); }, Qt::QueuedConnection);
    }
}

void TconfigDlg::btnOkClick()
{
    Accepted = true;
    accept();
}

void TconfigDlg::btnCancelClick()
{
    reject();
}

void RunConfigDialog(QWidget* Owner, TConfigManager& Settings, bool Opened, double AspectRatio)
{
    const auto dialog = std::make_unique<TconfigDlg>(Owner);
    dialog->WidthValue = Settings.Width;
    dialog->HeightValue = Settings.Height;
    if (Opened)
        dialog->AspectRatio = AspectRatio;
    dialog->ckbConstrain->setChecked(Settings.Constrain);
    dialog->exec();
    if (!dialog->Accepted)
        return;
    Settings.Width = dialog->WidthEdit->asInteger();
    Settings.Height = dialog->HeightEdit->asInteger();
    Settings.Constrain = dialog->ckbConstrain->isChecked();
}
