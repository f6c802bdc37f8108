// artgen FOLDER: draws every picture of the program into FOLDER at its fixed size. The build runs it
// and embeds the results as resources, so changing the look means changing this file.
// artgen --icons FOLDER: draws the desktop icon, stillreel_<n>.png at each size the package installs.
//
// One look throughout: a white window, blue accents, a film strip and a disc.

#include "assets/palette.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <functional>
#include <string>

namespace {

const QString FontFamily = QStringLiteral("Open Sans");

QImage Canvas(int width, int height, bool alpha)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? Qt::transparent : Qt::white);
    return image;
}

QLinearGradient Vertical(qreal top, qreal bottom, QColor from, QColor to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

QFont Font(int pixelSize, int weight, bool italic = false)
{
    QFont font(FontFamily);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// A disc seen from the front: rim, a blue sheen, the clear hub and the hole.
void DrawDisc(QPainter& painter, QPointF centre, qreal radius, qreal opacity = 1)
{
    painter.save();
    painter.setOpacity(opacity);
    QRadialGradient sheen(centre + QPointF(-radius * 0.3, -radius * 0.35), radius * 1.3);
    sheen.setColorAt(0, QColor(246, 250, 255));
    sheen.setColorAt(0.55, Palette::Haze);
    sheen.setColorAt(1, Palette::Sky);
    painter.setPen(QPen(Palette::Deep, radius / 18));
    painter.setBrush(sheen);
    painter.drawEllipse(centre, radius, radius);
    // Tracks.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 150), radius / 28));
    for (const qreal ring : {0.82, 0.68})
        painter.drawEllipse(centre, radius * ring, radius * ring);
    painter.setPen(QPen(Palette::Accent, radius / 22));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawEllipse(centre, radius * 0.36, radius * 0.36);
    painter.setPen(QPen(Palette::Deep, radius / 24));
    painter.setBrush(Palette::Accent);
    painter.drawEllipse(centre, radius * 0.12, radius * 0.12);
    painter.restore();
}

// A horizontal piece of film with perforations above and below and frames between them.
void DrawFilm(QPainter& painter, QRectF strip, int frames, QColor base, QColor frame, qreal opacity = 1)
{
    painter.save();
    painter.setOpacity(opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(base);
    painter.drawRoundedRect(strip, strip.height() * 0.06, strip.height() * 0.06);
    const qreal band = strip.height() * 0.18;
    const qreal hole = band * 0.5;
    painter.setBrush(QColor(255, 255, 255, 215));
    for (qreal x = strip.left() + hole; x + hole < strip.right(); x += hole * 2.2) {
        painter.drawRoundedRect(QRectF(x, strip.top() + band * 0.25, hole, hole), hole * 0.25, hole * 0.25);
        painter.drawRoundedRect(QRectF(x, strip.bottom() - band * 0.25 - hole, hole, hole), hole * 0.25, hole * 0.25);
    }
    const qreal gap = strip.height() * 0.06;
    const qreal width = (strip.width() - gap * (frames + 1)) / frames;
    painter.setBrush(frame);
    for (int i = 0; i < frames; ++i)
        painter.drawRect(QRectF(strip.left() + gap + i * (width + gap), strip.top() + band, width, strip.height() - 2 * band));
    painter.restore();
}

// The emblem: a short film strip sweeping behind a disc.
void DrawEmblem(QPainter& painter, QPointF centre, qreal radius)
{
    painter.save();
    painter.translate(centre);
    painter.rotate(-18);
    DrawFilm(painter, QRectF(-radius * 1.55, radius * 0.05, radius * 2.2, radius * 0.95), 3, Palette::Navy,
             QColor(120, 170, 230));
    painter.restore();
    DrawDisc(painter, centre + QPointF(radius * 0.28, -radius * 0.12), radius * 0.82);
}

void DrawWordmark(QPainter& painter, QPointF baseline, int pixelSize)
{
    const QFont font = Font(pixelSize, QFont::Bold);
    painter.setFont(font);
    painter.setPen(Palette::Deep);
    painter.drawText(baseline, QStringLiteral("Still"));
    const qreal still = QFontMetricsF(font).horizontalAdvance(QStringLiteral("Still"));
    painter.setPen(Palette::Accent);
    painter.drawText(baseline + QPointF(still, 0), QStringLiteral("reel"));
}

// Slider pieces ---------------------------------------------------------------------------------

// The trough: a darker edge above, lighter towards the bottom.
QImage SliderBar()
{
    QImage image = Canvas(5, 5, true);
    const QColor rows[5] = {{143, 166, 196}, {190, 206, 226}, {210, 222, 238}, {226, 235, 246}, {244, 248, 253}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixelColor(x, y, rows[y]);
    return image;
}

// The ends of the trough: its edge colour, with the corner pixels left clear so the ends look round.
QImage SliderCap()
{
    QImage image = Canvas(1, 5, true);
    for (int y = 1; y < 4; ++y)
        image.setPixelColor(0, y, QColor(143, 166, 196));
    return image;
}

QImage SliderProgress()
{
    QImage image = Canvas(5, 5, true);
    const QColor rows[5] = {{13, 63, 134}, {31, 111, 209}, {63, 134, 222}, {92, 155, 232}, {63, 134, 222}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixelColor(x, y, rows[y]);
    return image;
}

QImage SliderPointer(bool held)
{
    QImage image = Canvas(25, 14, true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, 24, 13);
    painter.setPen(QPen(held ? Palette::Navy : Palette::Accent, 1));
    painter.setBrush(held ? Vertical(0, 14, Palette::Accent, Palette::Deep) : Vertical(0, 14, Qt::white, Palette::Haze));
    painter.drawRoundedRect(body, 6.5, 6.5);
    // Grip.
    painter.setPen(QPen(held ? QColor(255, 255, 255, 220) : Palette::Accent, 1));
    for (const qreal x : {9.5, 12.5, 15.5})
        painter.drawLine(QPointF(x, 4), QPointF(x, 10));
    return image;
}

// Player buttons --------------------------------------------------------------------------------

enum class TLook { Normal, Over, Down, Disable };

struct TButtonColours {
    QColor Top, Bottom, Border, Glyph;
};

TButtonColours ColoursOf(TLook look)
{
    switch (look) {
    case TLook::Normal:
        return {Qt::white, QColor(226, 236, 249), QColor(143, 176, 219), Palette::Accent};
    case TLook::Over:
        return {QColor(240, 246, 255), Palette::Haze, Palette::Accent, Palette::Deep};
    case TLook::Down:
        return {Palette::Accent, Palette::Deep, Palette::Navy, Qt::white};
    case TLook::Disable:
        return {QColor(245, 245, 245), QColor(228, 228, 228), QColor(200, 200, 200), QColor(176, 176, 176)};
    }
    return {};
}

using TGlyph = std::function<void(QPainter&)>;

QPolygonF Triangle(QPointF a, QPointF b, QPointF c)
{
    return QPolygonF({a, b, c});
}

// A bracket with a small triangle pointing out of it; mirrored, it marks the end.
void DrawMark(QPainter& painter, bool end)
{
    painter.save();
    if (end) {
        painter.translate(32, 0);
        painter.scale(-1, 1);
    }
    QPainterPath bracket;
    bracket.addRect(QRectF(9, 9, 3, 14));
    bracket.addRect(QRectF(9, 9, 5.5, 2.6));
    bracket.addRect(QRectF(9, 20.4, 5.5, 2.6));
    painter.drawPath(bracket.simplified());
    painter.drawPolygon(Triangle({15.5, 11}, {15.5, 21}, {23.5, 16}));
    painter.restore();
}

const std::pair<const char*, TGlyph> Glyphs[] = {
    {"play", [](QPainter& p) { p.drawPolygon(Triangle({12.5, 9.5}, {12.5, 22.5}, {23, 16})); }},
    {"pause",
     [](QPainter& p) {
         p.drawRoundedRect(QRectF(10.5, 10, 4, 12), 1, 1);
         p.drawRoundedRect(QRectF(17.5, 10, 4, 12), 1, 1);
     }},
    {"stop", [](QPainter& p) { p.drawRoundedRect(QRectF(10.5, 10.5, 11, 11), 1.5, 1.5); }},
    {"startpoint", [](QPainter& p) { DrawMark(p, false); }},
    {"endpoint", [](QPainter& p) { DrawMark(p, true); }},
};

QImage PlayerButton(const TGlyph& glyph, TLook look)
{
    const TButtonColours colours = ColoursOf(look);
    QImage image = Canvas(32, 32, true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow under the disc, left out when it is pressed in.
    if (look != TLook::Down) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(13, 63, 134, 40));
        painter.drawEllipse(QRectF(1.5, 2.5, 29, 29));
    }
    painter.setPen(QPen(colours.Border, 1.2));
    painter.setBrush(Vertical(1, 31, colours.Top, colours.Bottom));
    painter.drawEllipse(QRectF(1.5, 1.5, 28.5, 28.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.Glyph);
    glyph(painter);
    return image;
}

// Window pictures -------------------------------------------------------------------------------

// Stretched sideways to 792 pixels, so only soft shapes: a light gradient, a glow and a blue rule.
QImage Header()
{
    QImage image = Canvas(283, 92, false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Vertical(0, 92, Qt::white, Palette::Mist));
    QRadialGradient glow(QPointF(240, 20), 90);
    glow.setColorAt(0, QColor(207, 225, 247, 170));
    glow.setColorAt(1, QColor(207, 225, 247, 0));
    painter.fillRect(image.rect(), glow);
    painter.fillRect(QRect(0, 89, 283, 1), Palette::Sky);
    painter.fillRect(QRect(0, 90, 283, 2), Palette::Accent);
    return image;
}

QImage Footer()
{
    QImage image = Canvas(283, 28, false);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Vertical(0, 28, Palette::Accent, Palette::Deep));
    painter.fillRect(QRect(0, 0, 283, 1), Palette::Sky);
    return image;
}

QImage Dock()
{
    QImage image = Canvas(2, 28, false);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Vertical(0, 27, QColor(246, 250, 255), QColor(212, 227, 247)));
    painter.fillRect(QRect(0, 27, 2, 1), QColor(175, 200, 234));
    return image;
}

QImage Logo()
{
    QImage image = Canvas(600, 92, true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawEmblem(painter, QPointF(50, 46), 30);
    DrawWordmark(painter, QPointF(104, 54), 40);
    painter.setFont(Font(14, QFont::Normal, true));
    painter.setPen(Palette::Slate);
    painter.drawText(QPointF(106, 74), QStringLiteral("DVD video to JPEG stills"));
    return image;
}

// Behind the preview, the slider and the player buttons. It sits at (-21, 104) in the window, so the
// preview area (37, 151, 395 x 193) is at (58, 47) here, the slider's track at y 260 and the buttons
// at y 270 to 302.
QImage Backdrop()
{
    QImage image = Canvas(512, 400, true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel(40.5, 22.5, 432, 292);
    // Shadow: widening, fading outlines.
    painter.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 10; ++i) {
        painter.setPen(QPen(QColor(13, 63, 134, 22 - 2 * i), 2));
        painter.drawRoundedRect(panel.adjusted(-i * 0.8, -i * 0.5, i * 0.8, i * 1.2), 12 + i, 12 + i);
    }
    painter.setPen(QPen(Palette::Line, 1));
    painter.setBrush(Vertical(22, 314, Qt::white, QColor(241, 246, 253)));
    painter.drawRoundedRect(panel, 12, 12);

    // The screen is framed like a strip of film: perforations along its top edge.
    const QRectF bezel(52, 33, 407, 212);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::Screen);
    painter.drawRoundedRect(bezel, 4, 4);
    painter.setBrush(QColor(255, 255, 255, 120));
    for (qreal x = 60; x + 7 < bezel.right() - 4; x += 14)
        painter.drawRoundedRect(QRectF(x, 37.5, 7, 5), 1.2, 1.2);
    const QRect screen(58, 47, 395, 193);
    painter.fillRect(screen, Vertical(47, 240, QColor(22, 40, 68), QColor(9, 20, 38)));
    // What shows until a video is opened.
    painter.setClipRect(screen);
    painter.save();
    painter.setOpacity(0.3);
    DrawEmblem(painter, QPointF(255, 140), 52);
    painter.restore();
    painter.setClipping(false);
    return image;
}

QImage Splash()
{
    QImage image = Canvas(550, 300, false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(image.rect(), Vertical(0, 300, Qt::white, Palette::Mist));
    QRadialGradient glow(QPointF(140, 130), 170);
    glow.setColorAt(0, QColor(207, 225, 247, 200));
    glow.setColorAt(1, QColor(207, 225, 247, 0));
    painter.fillRect(image.rect(), glow);
    DrawEmblem(painter, QPointF(140, 128), 84);
    DrawWordmark(painter, QPointF(266, 140), 54);
    painter.setFont(Font(17, QFont::Normal, true));
    painter.setPen(Palette::Slate);
    painter.drawText(QPointF(270, 170), QStringLiteral("DVD video to JPEG stills"));
    // A film strip runs along the bottom edge.
    DrawFilm(painter, QRectF(-6, 252, 562, 48), 9, Palette::Deep, QColor(63, 134, 222));
    painter.fillRect(QRect(0, 250, 550, 2), Palette::Accent);
    return image;
}

// The desktop icon: the emblem on a light rounded tile, drawn on a 256-unit grid scaled to size.
QImage Icon(int size)
{
    QImage image = Canvas(size, size, true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    painter.setPen(QPen(Palette::Line, 4));
    painter.setBrush(Vertical(10, 246, QColor(250, 252, 255), Palette::Haze));
    painter.drawRoundedRect(QRectF(10, 10, 236, 236), 44, 44);
    DrawEmblem(painter, QPointF(140, 124), 80);
    return image;
}

constexpr int IconSizes[] = {16, 24, 32, 48, 64, 128, 256};

bool Save(const QDir& folder, const QString& name, const QImage& image)
{
    const QString path = folder.filePath(name);
    const bool jpeg = name.endsWith(QStringLiteral(".jpg"));
    if (image.save(path, jpeg ? "JPG" : "PNG", jpeg ? 92 : -1))
        return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: artgen FOLDER | artgen --icons FOLDER\n");
        return 2;
    }
    // Drawing needs fonts but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const char* const target = argv[argc - 1];
    const QDir folder(QString::fromLocal8Bit(target));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "artgen: cannot make %s\n", target);
        return 1;
    }
    bool saved = true;
    if (icons) {
        for (const int size : IconSizes)
            saved &= Save(folder, QStringLiteral("stillreel_%1.png").arg(size), Icon(size));
        return saved ? 0 : 1;
    }
    saved &= Save(folder, "slider_bar_left.png", SliderCap());
    saved &= Save(folder, "slider_bar_right.png", SliderCap());
    saved &= Save(folder, "slider_bar.png", SliderBar());
    saved &= Save(folder, "slider_bar_progress.png", SliderProgress());
    saved &= Save(folder, "slider_pointer.png", SliderPointer(false));
    saved &= Save(folder, "slider_pointer_down.png", SliderPointer(true));
    for (const auto& [name, glyph] : Glyphs) {
        const std::string base = std::string("button_") + name;
        saved &= Save(folder, QString::fromStdString(base + ".png"), PlayerButton(glyph, TLook::Normal));
        saved &= Save(folder, QString::fromStdString(base + "_over.png"), PlayerButton(glyph, TLook::Over));
        saved &= Save(folder, QString::fromStdString(base + "_down.png"), PlayerButton(glyph, TLook::Down));
        saved &= Save(folder, QString::fromStdString(base + "_disable.png"), PlayerButton(glyph, TLook::Disable));
    }
    saved &= Save(folder, "header.png", Header());
    saved &= Save(folder, "footer.png", Footer());
    saved &= Save(folder, "dock.png", Dock());
    saved &= Save(folder, "logo.png", Logo());
    saved &= Save(folder, "backdrop.png", Backdrop());
    saved &= Save(folder, "splash.jpg", Splash());
    return saved ? 0 : 1;
}
