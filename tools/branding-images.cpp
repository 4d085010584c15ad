// Draws the images built into the program for branding: one icon per resource id (16, 32 and
// 48 pixels) and the logo and background bitmaps; with --hicolor, the application icon (the
// drawing of id 306) at the sizes of the desktop's hicolor icon theme, as
// <folder>/<size>x<size>/apps/<name>.png. The PNGs are committed, so the build does not need
// this tool; run it again after changing a drawing:
//
//   g++ -std=c++20 -fPIC tools/branding-images.cpp -o /tmp/branding-images \
//       $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/branding-images src/language/images
//   QT_QPA_PLATFORM=offscreen /tmp/branding-images --hicolor src/app/desktop/icons \
//       com.quorvane.Tidewell
//
// Every icon uses one grid of 48 units, one outline colour and a small palette, so the set
// looks alike at every size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor kOutline(30, 45, 60);
const QColor kTeal(22, 138, 158);
const QColor kBlue(48, 102, 190);
const QColor kYellow(240, 184, 64);
const QColor kGreen(46, 160, 67);
const QColor kRed(210, 52, 52);
const QColor kGrey(120, 132, 144);
const QColor kPaper(250, 250, 246);
const QColor kGold(230, 170, 40);

void Pen(QPainter& p, const QColor& color, double width = 2.0) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Bubble(QPainter& p, const QRectF& r, const QColor& fill) {
    QPainterPath path;
    path.addRoundedRect(r, r.height() * 0.25, r.height() * 0.25);
    QPainterPath tail;
    const double x = r.left() + r.width() * 0.2;
    tail.moveTo(x, r.bottom() - 2);
    tail.lineTo(x - r.width() * 0.06, r.bottom() + r.height() * 0.32);
    tail.lineTo(x + r.width() * 0.22, r.bottom() - 2);
    tail.closeSubpath();
    path = path.united(tail);
    Pen(p, kOutline);
    p.setBrush(fill);
    p.drawPath(path);
}

void TextLines(QPainter& p, const QRectF& r, int lines, const QColor& color) {
    Pen(p, color, 2.5);
    const double step = r.height() / (lines + 1);
    for (int i = 1; i <= lines; ++i) {
        const double width = (i == lines) ? r.width() * 0.6 : r.width();
        p.drawLine(QPointF(r.left(), r.top() + step * i),
                   QPointF(r.left() + width, r.top() + step * i));
    }
}

void Wave(QPainter& p, double x, double y, double w, double amplitude, const QColor& color,
          double width) {
    QPainterPath path;
    path.moveTo(x, y);
    const int steps = 24;
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        path.lineTo(x + w * t, y - amplitude * std::sin(t * 2 * M_PI));
    }
    Pen(p, color, width);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void Badge(QPainter& p, const QColor& fill, const std::function<void(QPainter&)>& mark) {
    Pen(p, kOutline, 1.5);
    p.setBrush(fill);
    p.drawEllipse(QRectF(28, 28, 19, 19));
    Pen(p, Qt::white, 3.0);
    p.setBrush(Qt::NoBrush);
    mark(p);
}

void Plus(QPainter& p) {
    p.drawLine(QPointF(37.5, 32), QPointF(37.5, 43));
    p.drawLine(QPointF(32, 37.5), QPointF(43, 37.5));
}
void Check(QPainter& p) {
    p.drawPolyline(QPolygonF({QPointF(32, 38), QPointF(36, 42), QPointF(43, 33)}));
}
void Cross(QPainter& p) {
    p.drawLine(QPointF(33, 33), QPointF(42, 42));
    p.drawLine(QPointF(42, 33), QPointF(33, 42));
}
void InArrow(QPainter& p) {
    p.drawLine(QPointF(43, 32), QPointF(33, 42));
    p.drawPolyline(QPolygonF({QPointF(33, 35), QPointF(33, 42), QPointF(40, 42)}));
}
void OutArrow(QPainter& p) {
    p.drawLine(QPointF(32, 37.5), QPointF(43, 37.5));
    p.drawPolyline(QPolygonF({QPointF(39, 33), QPointF(43, 37.5), QPointF(39, 42)}));
}

void Folder(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.38, r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.46, r.top() + 9);
    path.lineTo(r.right(), r.top() + 9);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    Pen(p, kOutline);
    p.setBrush(kYellow);
    p.drawPath(path);
    p.setBrush(kYellow.lighter(115));
    p.drawRect(QRectF(r.left(), r.top() + 14, r.width(), r.height() - 14));
}

void Gear(QPainter& p, QPointF c, double radius, const QColor& fill) {
    QPolygonF teeth;
    const int count = 8;
    for (int i = 0; i < count * 2; ++i) {
        const double a = i * M_PI / count;
        const double r = (i % 2 == 0) ? radius : radius * 0.72;
        teeth << QPointF(c.x() + r * std::cos(a - 0.18), c.y() + r * std::sin(a - 0.18))
              << QPointF(c.x() + r * std::cos(a + 0.18), c.y() + r * std::sin(a + 0.18));
    }
    Pen(p, kOutline);
    p.setBrush(fill);
    p.drawPolygon(teeth);
    p.setBrush(Qt::white);
    p.drawEllipse(c, radius * 0.3, radius * 0.3);
}

void Book(QPainter& p, const QColor& fill) {
    Pen(p, kOutline);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(9, 4, 30, 40), 3, 3);
    p.setBrush(kPaper);
    p.drawRect(QRectF(13, 4, 4, 40));
    Pen(p, Qt::white, 2.5);
    p.drawLine(QPointF(22, 14), QPointF(34, 14));
    p.drawLine(QPointF(22, 20), QPointF(31, 20));
}

void Person(QPainter& p, QPointF at, double scale, const QColor& fill) {
    Pen(p, kOutline);
    p.setBrush(fill);
    QPainterPath body;
    body.moveTo(at.x() - 14 * scale, at.y() + 20 * scale);
    body.cubicTo(at.x() - 14 * scale, at.y() + 6 * scale, at.x() + 14 * scale, at.y() + 6 * scale,
                 at.x() + 14 * scale, at.y() + 20 * scale);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(fill.lighter(135));
    p.drawEllipse(QPointF(at.x(), at.y()), 8 * scale, 8 * scale);
}

void Document(QPainter& p, const QRectF& r, int lines) {
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - 9, r.top());
    page.lineTo(r.right(), r.top() + 9);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    Pen(p, kOutline);
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(r.right() - 9, r.top()), QPointF(r.right() - 9, r.top() + 9),
                              QPointF(r.right(), r.top() + 9)}));
    TextLines(p, QRectF(r.left() + 5, r.top() + 8, r.width() - 12, r.height() - 12), lines, kGrey);
}

void Clock(QPainter& p, QPointF c, double r, const QColor& ring) {
    Pen(p, kOutline);
    p.setBrush(ring);
    p.drawEllipse(c, r, r);
    p.setBrush(kPaper);
    p.drawEllipse(c, r * 0.78, r * 0.78);
    Pen(p, kOutline, 2.5);
    p.drawLine(c, QPointF(c.x(), c.y() - r * 0.55));
    p.drawLine(c, QPointF(c.x() + r * 0.42, c.y() + r * 0.1));
}

void Arrow(QPainter& p, bool right, const QColor& fill) {
    QPolygonF shape;
    shape << QPointF(6, 18) << QPointF(26, 18) << QPointF(26, 8) << QPointF(43, 24)
          << QPointF(26, 40) << QPointF(26, 30) << QPointF(6, 30);
    if (!right) {
        for (QPointF& point : shape)
            point.setX(48 - point.x());
    }
    Pen(p, kOutline);
    p.setBrush(fill);
    p.drawPolygon(shape);
}

using Drawing = std::function<void(QPainter&)>;

struct Icon {
    unsigned id;
    Drawing draw;
};

std::vector<Icon> Icons() {
    const QRectF bubble(5, 7, 38, 26);
    return {
        {306, // the application
         [=](QPainter& p) {
             Bubble(p, bubble, kTeal);
             Wave(p, 11, 20, 26, 4, Qt::white, 3);
         }},
        {282, [](QPainter& p) { Book(p, kBlue); }},
        {280, // message folders dialog
         [](QPainter& p) {
             Folder(p, QRectF(3, 8, 42, 34));
             Bubble(p, QRectF(16, 20, 22, 13), kTeal);
         }},
        {318, // new SMS
         [=](QPainter& p) {
             Bubble(p, bubble, kTeal);
             TextLines(p, QRectF(11, 10, 22, 18), 2, Qt::white);
             Badge(p, kGreen, Plus);
         }},
        {276, [](QPainter& p) { Gear(p, QPointF(24, 24), 20, kGrey); }},
        {314, // sent SMS
         [=](QPainter& p) {
             Bubble(p, bubble, kTeal);
             TextLines(p, QRectF(11, 10, 22, 18), 2, Qt::white);
             Badge(p, kGreen, Check);
         }},
        {319, // message status
         [](QPainter& p) {
             Document(p, QRectF(6, 3, 30, 40), 4);
             Badge(p, kGreen, Check);
         }},
        {316, // message options
         [](QPainter& p) {
             Pen(p, kOutline);
             p.setBrush(kPaper);
             p.drawRoundedRect(QRectF(4, 6, 40, 36), 5, 5);
             for (int i = 0; i < 3; ++i) {
                 const double y = 15 + i * 9;
                 Pen(p, kGrey, 3);
                 p.drawLine(QPointF(10, y), QPointF(38, y));
                 Pen(p, kOutline, 1.5);
                 p.setBrush(kTeal);
                 p.drawEllipse(QPointF(i == 1 ? 30 : 17, y), 4, 4);
             }
         }},
        {283, // select recipients
         [](QPainter& p) {
             Book(p, kBlue);
             Badge(p, kTeal, OutArrow);
         }},
        {321, // incoming SMS
         [=](QPainter& p) {
             Bubble(p, bubble, kBlue);
             TextLines(p, QRectF(11, 10, 22, 18), 2, Qt::white);
             Badge(p, kTeal, InArrow);
         }},
        {233, // send
         [](QPainter& p) {
             QPolygonF plane({QPointF(4, 22), QPointF(44, 6), QPointF(30, 42), QPointF(22, 28)});
             Pen(p, kOutline);
             p.setBrush(kTeal);
             p.drawPolygon(plane);
             p.drawLine(QPointF(22, 28), QPointF(44, 6));
         }},
        {295, [](QPainter& p) { Arrow(p, true, kTeal); }},
        {322, [](QPainter& p) { Arrow(p, false, kBlue); }},
        {317, // flash SMS
         [](QPainter& p) {
             QPolygonF bolt({QPointF(28, 2), QPointF(10, 27), QPointF(22, 27), QPointF(18, 46),
                             QPointF(38, 19), QPointF(26, 19), QPointF(32, 2)});
             Pen(p, kOutline);
             p.setBrush(kYellow);
             p.drawPolygon(bolt);
         }},
        {324, [](QPainter& p) { Folder(p, QRectF(3, 6, 42, 36)); }},
        {325, [](QPainter& p) { Gear(p, QPointF(24, 24), 19, kTeal); }},
        {297, // usage reminder
         [](QPainter& p) {
             QPainterPath bell;
             bell.moveTo(8, 36);
             bell.cubicTo(14, 30, 10, 8, 24, 8);
             bell.cubicTo(38, 8, 34, 30, 40, 36);
             bell.closeSubpath();
             Pen(p, kOutline);
             p.setBrush(kYellow);
             p.drawPath(bell);
             p.drawEllipse(QPointF(24, 40), 4, 4);
             p.drawEllipse(QPointF(24, 6), 2.5, 2.5);
         }},
        {300, [](QPainter& p) { Person(p, QPointF(24, 17), 1.35, kBlue); }},
        {301, // prepaid
         [](QPainter& p) {
             Pen(p, kOutline);
             p.setBrush(kGold);
             p.drawEllipse(QPointF(24, 24), 19, 19);
             p.setBrush(kGold.lighter(125));
             p.drawEllipse(QPointF(24, 24), 13, 13);
             Pen(p, kOutline, 3);
             p.drawLine(QPointF(24, 15), QPointF(24, 33));
         }},
        {304, // reply settings
         [=](QPainter& p) {
             Bubble(p, bubble, kTeal);
             Pen(p, Qt::white, 3.5);
             p.setBrush(Qt::NoBrush);
             QPainterPath path;
             path.moveTo(33, 26);
             path.cubicTo(33, 16, 24, 15, 16, 15);
             p.drawPath(path);
             p.drawPolyline(QPolygonF({QPointF(20, 10), QPointF(15, 15), QPointF(20, 20)}));
         }},
        {303, // regional settings
         [](QPainter& p) {
             Pen(p, kOutline);
             p.setBrush(kBlue.lighter(130));
             p.drawEllipse(QPointF(24, 24), 19, 19);
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(24, 24), 8, 19);
             p.drawLine(QPointF(5, 24), QPointF(43, 24));
             p.drawLine(QPointF(24, 5), QPointF(24, 43));
         }},
        {305, [](QPainter& p) { Document(p, QRectF(8, 3, 32, 42), 5); }},
        {307, // alerts
         [](QPainter& p) {
             QPolygonF triangle({QPointF(24, 4), QPointF(45, 42), QPointF(3, 42)});
             Pen(p, kOutline);
             p.setBrush(kYellow);
             p.drawPolygon(triangle);
             Pen(p, kOutline, 4);
             p.drawLine(QPointF(24, 16), QPointF(24, 30));
             p.drawPoint(QPointF(24, 36.5));
         }},
        {310, [](QPainter& p) { Clock(p, QPointF(24, 24), 20, kTeal); }},
        {311, // a message in a list
         [](QPainter& p) {
             Bubble(p, QRectF(4, 8, 40, 28), kTeal);
             TextLines(p, QRectF(11, 11, 26, 20), 2, Qt::white);
         }},
        {272, // delivery options
         [](QPainter& p) {
             Pen(p, kOutline);
             p.setBrush(kPaper);
             p.drawRoundedRect(QRectF(4, 8, 40, 36), 4, 4);
             p.setBrush(kRed);
             p.drawRect(QRectF(4, 8, 40, 9));
             p.drawLine(QPointF(14, 4), QPointF(14, 12));
             p.drawLine(QPointF(34, 4), QPointF(34, 12));
             p.setBrush(kTeal);
             for (int row = 0; row < 2; ++row)
                 for (int col = 0; col < 4; ++col)
                     p.drawRect(QRectF(9 + col * 8.5, 22 + row * 9, 5, 5));
         }},
        {312, [](QPainter& p) { Document(p, QRectF(8, 3, 32, 42), 3); }},
        {313, // signature
         [](QPainter& p) {
             Wave(p, 4, 38, 26, 5, kBlue, 3);
             QPolygonF pen({QPointF(26, 32), QPointF(41, 6), QPointF(46, 9), QPointF(31, 35),
                            QPointF(25, 38)});
             Pen(p, kOutline);
             p.setBrush(kYellow);
             p.drawPolygon(pen);
         }},
        {224,
         [](QPainter& p) {
             Person(p, QPointF(20, 14), 1.2, kBlue);
             Badge(p, kGreen, Check);
         }},
        {222,
         [](QPainter& p) {
             Person(p, QPointF(20, 14), 1.2, kGrey);
             Badge(p, kRed, Cross);
         }},
        {225,
         [](QPainter& p) {
             Person(p, QPointF(30, 12), 1.0, kBlue.lighter(120));
             Person(p, QPointF(17, 17), 1.1, kBlue);
             Badge(p, kGreen, Check);
         }},
        {223,
         [](QPainter& p) {
             Person(p, QPointF(30, 12), 1.0, kGrey.lighter(120));
             Person(p, QPointF(17, 17), 1.1, kGrey);
             Badge(p, kRed, Cross);
         }},
    };
}

QImage DrawIcon(const Drawing& draw, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    draw(p);
    p.end();
    return image;
}

QImage DrawLogo() {
    QImage image(160, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    Wave(p, 8, 30, 36, 7, kTeal, 4);
    Wave(p, 8, 38, 36, 5, kBlue, 3);
    QFont font("DejaVu Sans", 17, QFont::Bold);
    p.setFont(font);
    p.setPen(kOutline);
    p.drawText(QRectF(50, 0, 110, 48), Qt::AlignVCenter | Qt::AlignLeft, "Tidewell");
    p.end();
    return image;
}

QImage DrawBackground() {
    const int width = 480;
    const int height = 320;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(236, 246, 248));
    sky.setColorAt(1, QColor(200, 230, 236));
    p.fillRect(image.rect(), sky);
    const QColor layers[] = {kTeal.lighter(160), kTeal.lighter(130), kTeal};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath sea;
        const double base = height - 70 + layer * 22;
        sea.moveTo(0, height);
        for (int x = 0; x <= width; x += 8)
            sea.lineTo(x, base - 10 * std::sin((x / double(width)) * 3 * M_PI + layer));
        sea.lineTo(width, height);
        sea.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(layers[layer]);
        p.drawPath(sea);
    }
    p.end();
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

// The application icon at every size of the hicolor theme that desktops look up.
int WriteHicolor(const QString& root, const QString& name) {
    const unsigned kApplication = 306;
    bool ok = true;
    for (const Icon& icon : Icons()) {
        if (icon.id != kApplication)
            continue;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString folder = QString("%1/%2x%2/apps").arg(root).arg(size);
            QDir().mkpath(folder);
            ok = Save(DrawIcon(icon.draw, size), folder + "/" + name + ".png") && ok;
        }
    }
    return ok ? 0 : 1;
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 4 && QString(argv[1]) == "--hicolor")
        return WriteHicolor(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <images folder>\n       %s --hicolor <folder> <name>\n",
                     argv[0], argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(root + "/icons");
    QDir().mkpath(root + "/bitmaps");
    bool ok = true;
    for (const Icon& icon : Icons()) {
        for (int size : {16, 32, 48})
            ok = Save(DrawIcon(icon.draw, size),
                      QString("%1/icons/%2-%3.png").arg(root).arg(icon.id).arg(size)) &&
                 ok;
    }
    ok = Save(DrawLogo(), root + "/bitmaps/294.png") && ok;
    ok = Save(DrawBackground(), root + "/bitmaps/323.png") && ok;
    return ok ? 0 : 1;
}
