#include "app/mainForm.h"

#include "app/uiManager.h"
#include "assets/artwork.h"
#include "assets/palette.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPalette>
#include <QPixmap>

QColor ColorRef(int Value)
{
    return QColor(Value & 0xFF, (Value >> 8) & 0xFF, (Value >> 16) & 0xFF);
}

namespace {

QFont TrebuchetFont(int PixelHeight, bool Bold, bool Italic)
{
    QFont font(QStringLiteral("Trebuchet MS"));
    font.setPixelSize(PixelHeight);
    font.setBold(Bold);
    font.setItalic(Italic);
    return font;
}

QLabel* Picture(QWidget* Parent, const char* Name, const char* Resource, int Left, int Top, int Width, int Height)
{
    auto* label = new QLabel(Parent);
    label->setObjectName(QString::fromLatin1(Name));
    label->setGeometry(Left, Top, Width, Height);
    label->setPixmap(QPixmap(QString::fromLatin1(Resource)));
    label->setScaledContents(true);
    return label;
}

QLabel* Text(QWidget* Parent, const char* Name, const QString& Caption, int Left, int Top, int Width, int Height)
{
    auto* label = new QLabel(Caption, Parent);
    label->setObjectName(QString::fromLatin1(Name));
    label->setGeometry(Left, Top, Width, Height);
    return label;
}

void SetTextColor(QWidget* Widget, const QColor& Color)
{
    QPalette palette = Widget->palette();
    palette.setColor(QPalette::WindowText, Color);
    palette.setColor(QPalette::ButtonText, Color);
    palette.setColor(QPalette::Text, Color);
    Widget->setPalette(palette);
}

TImageButton* PlayerButton(QWidget* Parent, const char* Name, const Artwork::TButtonArtwork& Looks, int Left,
                           const char* Hint)
{
    auto* button = new TImageButton(Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setGeometry(Left, 374, 32, 32);
    Artwork::SetButtonArtwork(*button, Looks);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(QString::fromLatin1(Hint));
    return button;
}

QPushButton* PushButton(QWidget* Parent, const char* Name, const char* Caption, int Top, int Height, const char* Hint)
{
    auto* button = new QPushButton(QString::fromLatin1(Caption), Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setGeometry(485, Top, 281, Height);
    button->setFont(TrebuchetFont(16, true, true));
    button->setToolTip(QString::fromLatin1(Hint));
    return button;
}

QRadioButton* RadioButton(QWidget* Parent, const char* Name, const char* Caption, int Top, int Width)
{
    auto* button = new QRadioButton(QString::fromLatin1(Caption), Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setGeometry(485, Top, Width, 22);
    return button;
}

}  // namespace

TmainDlg::TmainDlg(std::unique_ptr<TUIChoosers> Choosers)
    : QWidget(nullptr,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("mainDlg"));
    setFixedSize(792, 518);
    setFont(TrebuchetFont(12, false, false));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    CreateControls();
    FormCreate(std::move(Choosers));
}

TmainDlg::~TmainDlg()
{
    FormDestroy();
}

void TmainDlg::CreateControls()
{
    // Created back to front: later siblings are drawn over earlier ones.
    Image1 = Picture(this, "Image1", Artwork::Header, 0, 0, 792, 92);
    Image2 = Picture(this, "Image2", Artwork::Footer, 0, 490, 792, 28);
    Image4 = Picture(this, "Image4", Artwork::Backdrop, -21, 104, 512, 400);
    blView = new QWidget(this);
    blView->setObjectName(QStringLiteral("blView"));
    blView->setGeometry(37, 151, 395, 193);
    blView->hide();
    Image5 = Picture(this, "Image5", Artwork::Logo, 0, 0, 600, 92);

    SliderBar = new TSliderBar(this);
    SliderBar->setObjectName(QStringLiteral("SliderBar"));
    SliderBar->setGeometry(35, 346, 401, 41);
    Artwork::SetSliderArtwork(*SliderBar);
    SliderBar->SetMax(100);
    SliderBar->setEnabled(false);

    lbVersion = Text(this, "lbVersion", QStringLiteral("v0.0.1"), 744, 495, 36, 18);
    lbVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbVersion->setFont(TrebuchetFont(12, true, true));
    SetTextColor(lbVersion, Qt::white);
    lbInfo = Text(this, "lbInfo", QString(), 8, 496, 649, 16);
    lbInfo->setFont(TrebuchetFont(12, true, true));
    SetTextColor(lbInfo, Qt::white);
    lbConvertInfo = Text(this, "lbConvertInfo", QStringLiteral("Processing: 0/0"), 493, 463, 273, 22);
    lbConvertInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbConvertInfo->setFont(TrebuchetFont(16, false, true));
    SetTextColor(lbConvertInfo, Qt::black);

    btnPlay = PlayerButton(this, "btnPlay", Artwork::Play, 217, "play");
    btnPause = PlayerButton(this, "btnPause", Artwork::Pause, 177, "pause");
    btnStop = PlayerButton(this, "btnStop", Artwork::Stop, 257, "stop");
    btnStartPoint = PlayerButton(this, "btnStartPoint", Artwork::StartPoint, 31, "start point");
    btnEndPoint = PlayerButton(this, "btnEndPoint", Artwork::EndPoint, 409, "end point");
    Label1 = Text(this, "Label1", QStringLiteral("pieces"), 616, 330, 36, 18);

    TBXDock1 = new QWidget(this);
    TBXDock1->setObjectName(QStringLiteral("TBXDock1"));
    TBXDock1->setGeometry(0, 92, 792, 28);
    QPalette dock = TBXDock1->palette();
    dock.setBrush(QPalette::Window, QBrush(QPixmap(QString::fromLatin1(Artwork::Dock))));
    TBXDock1->setPalette(dock);
    TBXDock1->setAutoFillBackground(true);
    CreateMenus();

    btnOpen = PushButton(this, "btnOpen", "&Open a Video", 136, 49, "open a video from disk");
    btnSaveFolder = PushButton(this, "btnSaveFolder", "&Select Save Folder", 192, 49,
                               "select a folder for saving thumbnails (Optional)");
    etSaveFolder = new TFlatEdit(this);
    etSaveFolder->setObjectName(QStringLiteral("etSaveFolder"));
    etSaveFolder->setGeometry(485, 256, 281, 28);
    etSaveFolder->setReadOnly(true);
    etSaveFolder->setToolTip(QStringLiteral("save folder (leave blank to use global save folder)"));
    etSaveFolder->SetColorBorder(ColorRef(10070188));
    etSaveFolder->setFont(TrebuchetFont(16, false, false));
    SetTextColor(etSaveFolder, Palette::GreyText);
    rbWhole = RadioButton(this, "rbWhole", "convert whole video", 296, 281);
    rbWhole->setChecked(true);
    rbPieces = RadioButton(this, "rbPieces", "only", 328, 52);
    etPieces = new TMyFlatEdit(this);
    etPieces->setObjectName(QStringLiteral("etPieces"));
    etPieces->setGeometry(544, 327, 57, 24);
    etPieces->setText(QStringLiteral("12"));
    etPieces->setMaxLength(8);
    etPieces->setEnabled(false);
    rbStartEnd = RadioButton(this, "rbStartEnd", "from start point to end point", 360, 281);
    rbStartEnd->setFocusPolicy(Qt::ClickFocus);
    btnGenerate = PushButton(this, "btnGenerate", "GENERATE", 392, 65, "start generating thumbnails from the video");
    SetTextColor(btnGenerate, QColor(0, 128, 0));

    setTabOrder(btnOpen, btnSaveFolder);
    setTabOrder(btnSaveFolder, btnGenerate);
    setTabOrder(btnGenerate, etSaveFolder);
    setTabOrder(etSaveFolder, rbWhole);
    setTabOrder(rbWhole, rbPieces);
    setTabOrder(rbPieces, etPieces);
    setTabOrder(etPieces, rbStartEnd);

    MyFlatHint1 = new TMyFlatHint(this);
    MyFlatHint1->setObjectName(QStringLiteral("MyFlatHint1"));
    const QColor tooltip = QPalette().color(QPalette::ToolTipBase);
    MyFlatHint1->SetColorBackground(tooltip);
    MyFlatHint1->SetColorArrowBackground(tooltip);
    MyFlatHint1->SetColorBorder(Palette::GreyText);
    MyFlatHint1->SetColorArrow(Palette::GreyText);
    MyFlatHint1->SetMaxHintWidth(500);
    MyFlatHint1->SetFont(TrebuchetFont(16, false, true));
    MyFlatHint1->SetFontColor(Palette::GreyText);
}

void TmainDlg::CreateMenus()
{
    const QFont font = TrebuchetFont(12, false, false);
    const auto menuBar = [&](const char* Name) {
        auto* bar = new QMenuBar(TBXDock1);
        bar->setObjectName(QString::fromLatin1(Name));
        bar->setNativeMenuBar(false);
        bar->setFont(font);
        SetTextColor(bar, Palette::GreyText);
        return bar;
    };
    const auto item = [&](QMenu* Menu, const char* Name, const char* Caption) {
        QAction* action = Menu->addAction(QString::fromLatin1(Caption));
        action->setObjectName(QString::fromLatin1(Name));
        action->setFont(font);
        return action;
    };
    const auto subMenu = [&](QMenu* Parent, const char* Caption) {
        QMenu* menu = Parent->addMenu(QString::fromLatin1(Caption));
        menu->setFont(font);
        SetTextColor(menu, Palette::GreyText);
        return menu;
    };

    ActionBar = menuBar("ActionBar");
    QMenu* action = ActionBar->addMenu(QStringLiteral("&Action"));
    action->setFont(font);
    SetTextColor(action, Palette::GreyText);
    tmiOpen = item(subMenu(action, "&File"), "tmiOpen", "&Open");
    QMenu* playback = subMenu(action, "&Playback");
    tmiPlay = item(playback, "tmiPlay", "&Play");
    tmiPause = item(playback, "tmiPause", "&Pause");
    tmiStop = item(playback, "tmiStop", "&Stop");
    tmiSubtitles = subMenu(action, "&Subtitles");
    tmiSubtitles->setObjectName(QStringLiteral("tmiSubtitles"));
    tmiSubtitles->setEnabled(false);
    // Beyond GENERATE's three modes: the whole video on one sheet, and a disc title's chapters.
    QMenu* pictures = subMenu(action, "P&ictures");
    tmiSheet = item(pictures, "tmiSheet", "Contact &Sheet of the Whole Video");
    tmiChapters = item(pictures, "tmiChapters", "One Still per &Chapter");
    tmiChapterSheet = item(pictures, "tmiChapterSheet", "Contact Sheet of the C&hapters");
    for (QAction* command : {tmiSheet, tmiChapters, tmiChapterSheet})
        command->setEnabled(false);
    tmiConfig = item(action, "tmiConfig", "&Config");
    tmiConfig->setEnabled(false);
    tmiExit = item(action, "tmiExit", "&Exit");

    HelpBar = menuBar("HelpBar");
    QMenu* help = HelpBar->addMenu(QStringLiteral("&Help"));
    help->setFont(font);
    SetTextColor(help, Palette::GreyText);
    tmiHelp = item(help, "tmiHelp", "&Online");
    tmiSupport = item(help, "tmiSupport", "&Support");
    help->addSeparator();
    tmiAbout = item(help, "tmiAbout", "&About");

    // "&Action" at the dock's left, "&Help" docked at the right end of the first toolbar.
    auto* layout = new QHBoxLayout(TBXDock1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionBar);
    layout->addWidget(HelpBar);
    layout->addStretch(1);
}

void TmainDlg::FormCreate(std::unique_ptr<TUIChoosers> Choosers)
{
    if (!Choosers)
        Choosers = std::make_unique<TUIChoosers>();
    FManager = std::make_unique<TUIManager>(*this, std::move(Choosers));
    FManager->BuildWindow();
}

void TmainDlg::FormDestroy()
{
    FManager.reset();
}

void TmainDlg::closeEvent(QCloseEvent* Event)
{
    if (OnCloseQuery && !OnCloseQuery()) {
        Event->ignore();
        return;
    }
    QWidget::closeEvent(Event);
}
