// TmainDlg: the main window, a fixed layout of controls at their pixel positions. It holds the
// controls and two handlers of its own: FormCreate builds the controller, FormDestroy frees it.
// Everything the controls do is wired by the controller (TUIManager).
#pragma once

#include "controls/FlatEditUnit.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/TFlatEditUnit.h"
#include "controls/imagebutton.h"
#include "controls/sliderbar.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <memory>

class TUIManager;
class TUIChoosers;

class TmainDlg : public QWidget {
public:
    // Choosers: how the controller reaches every modal thing; none takes the real dialogs.
    explicit TmainDlg(std::unique_ptr<TUIChoosers> Choosers = nullptr);
    ~TmainDlg() override;

    TUIManager& Manager() const noexcept { return *FManager; }

    // Asked on every attempt to close: false refuses it.
    std::function<bool()> OnCloseQuery;

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image4;
    QWidget* blView;
    QLabel* Image5;
    TSliderBar* SliderBar;
    QLabel* lbVersion;
    QLabel* lbInfo;
    QLabel* lbConvertInfo;
    TImageButton* btnPlay;
    TImageButton* btnPause;
    TImageButton* btnStop;
    TImageButton* btnStartPoint;
    TImageButton* btnEndPoint;
    QLabel* Label1;
    QWidget* TBXDock1;
    QMenuBar* ActionBar;
    QMenuBar* HelpBar;
    QAction* tmiOpen;
    QAction* tmiPlay;
    QAction* tmiPause;
    QAction* tmiStop;
    // Filled by the controller for each video it opens.
    QMenu* tmiSubtitles;
    QAction* tmiSheet;
    QAction* tmiChapters;
    QAction* tmiChapterSheet;
    QAction* tmiConfig;
    QAction* tmiExit;
    QAction* tmiHelp;
    QAction* tmiSupport;
    QAction* tmiAbout;
    QPushButton* btnOpen;
    QPushButton* btnSaveFolder;
    TFlatEdit* etSaveFolder;
    QRadioButton* rbWhole;
    QRadioButton* rbPieces;
    TMyFlatEdit* etPieces;
    QRadioButton* rbStartEnd;
    QPushButton* btnGenerate;
    TMyFlatHint* MyFlatHint1;

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateControls();
    void CreateMenus();
    void FormCreate(std::unique_ptr<TUIChoosers> Choosers);
    void FormDestroy();

    std::unique_ptr<TUIManager> FManager;
};

// A colour stored as one 24-bit number, red in the low byte and blue in the high byte.
QColor ColorRef(int Value);
