// TconfigDlg: the settings dialog for the thumbnail size, and the command that runs it.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class TConfigManager;
class TMyFlatEdit;

class TconfigDlg : public QDialog {
    Q_OBJECT

public:
    explicit TconfigDlg(QWidget* Owner = nullptr);

    QLabel* lbWidth;
    QLabel* lbHeight;
    QCheckBox* ckbConstrain;
    QWidget* Panel1;
    QPushButton* btnCancel;
    QPushButton* btnOk;
    TMyFlatEdit* WidthEdit;
    TMyFlatEdit* HeightEdit;

    std::int32_t WidthValue = 400;
    std::int32_t HeightValue = 400;
    // The video's display width over its display height.
    double AspectRatio = 1.0;
    bool Accepted = false;

protected:
    void showEvent(QShowEvent* Event) override;
    // Key preview: Escape closes the dialog from any control.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void WidthChanged();
    void HeightChanged();
    void ckbConstrainClick();
    // Following := Rule(Leading, AspectRatio); a Leading field that holds no number leaves it.
    void FollowField(TMyFlatEdit& Leading, TMyFlatEdit& Following, std::int32_t (*Rule)(std::int32_t, double));
    void btnOkClick();
    void btnCancelClick();

    // Set once the fields hold the values: a window restored from minimised is shown again.
    bool FFilled = false;
};

// The Config command: fills a dialog from Settings (the aspect ratio only while a video is Opened),
// runs it modally over Owner and, on OK, stores width, height and CONSTRAIN in that order. A field
// that holds no number raises EConvertError while storing, leaving the values before it stored; the
// dialog is freed in every case.
void RunConfigDialog(QWidget* Owner, TConfigManager& Settings, bool Opened, double AspectRatio);
