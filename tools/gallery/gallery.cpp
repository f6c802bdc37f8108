// gallery FOLDER: renders every skinned control in each of its states, every picture, and the
// pictures and controls together where the main window puts them, as PNG files into FOLDER.

#include "assets/artwork.h"
#include "assets/palette.h"
#include "controls/FlatEditUnit.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/TFlatEditUnit.h"
#include "controls/imagebutton.h"
#include "controls/sliderbar.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cstdio>
#include <functional>

namespace {

QDir Folder;
bool AllSaved = true;

void Save(const QString& name, const QImage& image)
{
    const QString path = Folder.filePath(name + QStringLiteral(".png"));
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(path));
        AllSaved = false;
    }
}

void Save(const QString& name, QWidget& widget)
{
    Save(name, widget.grab().toImage());
}

// A white surface for the windowless controls, as in the main window.
class TStage : public QWidget {
public:
    TStage(int width, int height)
    {
        QPalette white = palette();
        white.setColor(QPalette::Window, Qt::white);
        setPalette(white);
        setAutoFillBackground(true);
        QFont font(QStringLiteral("Trebuchet MS"));
        font.setPixelSize(12);
        setFont(font);
        resize(width, height);
    }
};

void Send(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void Enter(QWidget& widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &event);
}

void RenderPictures()
{
    const std::pair<const char*, const char*> pictures[] = {
        {"header", Artwork::Header},     {"footer", Artwork::Footer}, {"dock", Artwork::Dock},
        {"logo", Artwork::Logo},         {"backdrop", Artwork::Backdrop}, {"splash", Artwork::Splash},
        {"slider_bar_left", Artwork::SliderBarLeft}, {"slider_bar_right", Artwork::SliderBarRight},
        {"slider_bar", Artwork::SliderBar}, {"slider_bar_progress", Artwork::SliderBarProgress},
        {"slider_pointer", Artwork::SliderPointer}, {"slider_pointer_down", Artwork::SliderPointerDown},
    };
    for (const auto& [name, path] : pictures)
        Save(QStringLiteral("picture_") + name, QImage(path));
}

void RenderSlider()
{
    const std::pair<const char*, std::function<void(TSliderBar&)>> states[] = {
        {"start", [](TSliderBar&) {}},
        {"position", [](TSliderBar& s) { s.SetPosition(40); }},
        {"range", [](TSliderBar& s) {
             s.SetPosition(45);
             s.grab();  // the band takes the track's height from the last paint
             s.SetSelStart(20);
             s.SetSelEnd(70);
         }},
        {"held", [](TSliderBar& s) {
             s.SetPosition(40);
             s.grab();  // places the pointer, so that the press finds it
             Send(s, QEvent::MouseButtonPress, s.PointerRect().center());
         }},
        {"end", [](TSliderBar& s) { s.SetPosition(100); }},
    };
    for (const auto& [name, prepare] : states) {
        TStage stage(401, 41);
        TSliderBar slider(&stage);
        slider.setGeometry(0, 0, 401, 41);
        Artwork::SetSliderArtwork(slider);
        slider.SetMax(100);
        prepare(slider);
        Save(QStringLiteral("slider_") + name, stage);
    }
}

void RenderButtons()
{
    const std::pair<const char*, Artwork::TButtonArtwork> buttons[] = {
        {"play", Artwork::Play}, {"pause", Artwork::Pause}, {"stop", Artwork::Stop},
        {"startpoint", Artwork::StartPoint}, {"endpoint", Artwork::EndPoint},
    };
    const std::pair<const char*, std::function<void(TImageButton&)>> looks[] = {
        {"normal", [](TImageButton&) {}},
        {"over", [](TImageButton& b) { Enter(b); }},
        {"pressed", [](TImageButton& b) {
             Enter(b);
             Send(b, QEvent::MouseButtonPress, QPoint(16, 16));
         }},
        {"disabled", [](TImageButton& b) { b.SetEnabled(false); }},
    };
    for (const auto& [name, artwork] : buttons)
        for (const auto& [look, prepare] : looks) {
            TStage stage(36, 36);
            TImageButton button(&stage);
            button.setGeometry(2, 2, 32, 32);
            button.SetUseDown(false);
            Artwork::SetButtonArtwork(button, artwork);
            prepare(button);
            Save(QStringLiteral("imagebutton_%1_%2").arg(name, look), stage);
        }
}

// The main window's colours for the fields.
void StyleField(TFlatEditFrame& field)
{
    QFont font = field.font();
    font.setPixelSize(16);
    field.setFont(font);
    QPalette text = field.palette();
    text.setColor(QPalette::Text, Palette::GreyText);
    field.setPalette(text);
    field.SetColorBorder(QColor(172, 168, 153));
}

void RenderFields()
{
    const std::pair<const char*, std::function<void(TStage&, TFlatEditFrame&)>> states[] = {
        {"idle", [](TStage&, TFlatEditFrame&) {}},
        {"active", [](TStage& stage, TFlatEditFrame& field) {
             stage.show();
             stage.activateWindow();
             QApplication::setActiveWindow(&stage);
             field.setFocus();
             QApplication::processEvents();
         }},
        {"disabled", [](TStage&, TFlatEditFrame& field) { field.setEnabled(false); }},
    };
    for (const auto& [state, prepare] : states) {
        {
            TStage stage(300, 40);
            TFlatEdit field(&stage);
            field.setGeometry(8, 8, 281, 28);
            StyleField(field);
            field.setText(QStringLiteral("/home/user/Pictures/"));
            prepare(stage, field);
            Save(QStringLiteral("flatedit_%1").arg(state), stage);
        }
        {
            TStage stage(80, 40);
            TMyFlatEdit field(&stage);
            field.setGeometry(8, 8, 57, 24);
            field.setMaxLength(8);
            field.setText(QStringLiteral("12"));
            prepare(stage, field);
            Save(QStringLiteral("myflatedit_%1").arg(state), stage);
        }
    }
}

// The main window's hint component on a form of its own.
void StyleHint(TMyFlatHint& hint)
{
    const QColor tooltip = QApplication::palette().color(QPalette::ToolTipBase);
    hint.SetColorBackground(tooltip);
    hint.SetColorArrowBackground(tooltip);
    hint.SetColorBorder(Palette::GreyText);
    hint.SetColorArrow(Palette::GreyText);
    hint.SetMaxHintWidth(500);
    QFont font(QStringLiteral("Trebuchet MS"));
    font.setPixelSize(16);
    font.setItalic(true);
    hint.SetFont(font);
    hint.SetFontColor(Palette::GreyText);
}

void RenderHints()
{
    QWidget form;
    TMyFlatHint hint(&form);
    StyleHint(hint);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QPoint quarter(screen.width() / 4, screen.height() / 4);
    const std::pair<const char*, QPoint> corners[] = {
        {"topleft", quarter},
        {"topright", QPoint(screen.width() - quarter.x(), quarter.y())},
        {"bottomleft", QPoint(quarter.x(), screen.height() - quarter.y())},
        {"bottomright", QPoint(screen.width() - quarter.x(), screen.height() - quarter.y())},
    };
    TMyFlatHintWindow window;
    for (const auto& [corner, cursor] : corners) {
        QCursor::setPos(cursor);
        window.ActivateHint(QStringLiteral("play"));
        Save(QStringLiteral("hint_play_%1").arg(corner), window);
    }
    QCursor::setPos(quarter);
    window.ActivateHint(QStringLiteral("save folder (leave blank to use global save folder) - the pictures of a "
                                       "video go into a folder named after the video, inside this one"));
    Save(QStringLiteral("hint_long"), window);
    window.hide();
}

// The pictures and the skinned controls where the main window puts them, to judge them together.
void RenderWindow()
{
    TStage stage(792, 518);
    QImage surface(792, 518, QImage::Format_RGB32);
    surface.fill(Qt::white);
    {
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, 792, 92), QImage(Artwork::Header));
        painter.drawImage(QRect(0, 490, 792, 28), QImage(Artwork::Footer));
        painter.drawImage(QPoint(-21, 104), QImage(Artwork::Backdrop));
        painter.drawImage(QPoint(0, 0), QImage(Artwork::Logo));
        painter.fillRect(QRect(0, 92, 792, 28), QBrush(QImage(Artwork::Dock)));
    }
    QPalette background = stage.palette();
    background.setBrush(QPalette::Window, QBrush(surface));
    stage.setPalette(background);

    TSliderBar slider(&stage);
    slider.setGeometry(35, 346, 401, 41);
    Artwork::SetSliderArtwork(slider);
    slider.SetMax(100);
    slider.SetPosition(30);
    slider.grab();  // the band takes the track's height from the last paint
    slider.SetSelStart(20);
    slider.SetSelEnd(55);
    const std::pair<int, Artwork::TButtonArtwork> buttons[] = {
        {217, Artwork::Play}, {177, Artwork::Pause}, {257, Artwork::Stop},
        {31, Artwork::StartPoint}, {409, Artwork::EndPoint},
    };
    std::vector<std::unique_ptr<TImageButton>> owned;
    for (const auto& [left, artwork] : buttons) {
        auto& button = *owned.emplace_back(std::make_unique<TImageButton>(&stage));
        button.setGeometry(left, 374, 32, 32);
        button.SetUseDown(false);
        Artwork::SetButtonArtwork(button, artwork);
    }
    TFlatEdit saveFolder(&stage);
    saveFolder.setGeometry(485, 256, 281, 28);
    StyleField(saveFolder);
    saveFolder.SetColorFlat(Qt::white);
    TMyFlatEdit pieces(&stage);
    pieces.setGeometry(544, 327, 57, 24);
    pieces.setText(QStringLiteral("12"));
    pieces.SetColorFlat(Qt::white);
    Save(QStringLiteral("window"), stage);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery FOLDER\n");
        return 2;
    }
    // Nothing is shown on a display; a user who wants another platform says so.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Trebuchet MS"), QStringLiteral("Open Sans"));
    Folder = QDir(QString::fromLocal8Bit(argv[1]));
    if (!Folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "gallery: cannot make %s\n", argv[1]);
        return 1;
    }
    RenderPictures();
    RenderSlider();
    RenderButtons();
    RenderFields();
    RenderHints();
    RenderWindow();
    return AllSaved ? 0 : 1;
}
