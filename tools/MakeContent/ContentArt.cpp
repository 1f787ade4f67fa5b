#include "tools/MakeContent/ContentArt.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QTransform>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace Art {

namespace {

constexpr double kPi = std::numbers::pi;

double Rad(double degrees) {
    return degrees * kPi / 180.0;
}

QPointF At(const QRectF& r, double fx, double fy) {
    return {r.left() + r.width() * fx, r.top() + r.height() * fy};
}

QRectF Part(const QRectF& r, double fx, double fy, double fw, double fh) {
    return {r.left() + r.width() * fx, r.top() + r.height() * fy, r.width() * fw, r.height() * fh};
}

// A path drawn step by step in fractions of r.
class Outline {
public:
    Outline(const QRectF& r, double fx, double fy) : r_(r) { path_.moveTo(At(r, fx, fy)); }
    Outline& Line(double fx, double fy) {
        path_.lineTo(At(r_, fx, fy));
        return *this;
    }
    // A cubic curve through two control points to (fx, fy).
    Outline& Curve(double cx1, double cy1, double cx2, double cy2, double fx, double fy) {
        path_.cubicTo(At(r_, cx1, cy1), At(r_, cx2, cy2), At(r_, fx, fy));
        return *this;
    }
    Outline& Quad(double cx, double cy, double fx, double fy) {
        path_.quadTo(At(r_, cx, cy), At(r_, fx, fy));
        return *this;
    }
    QPainterPath Closed() {
        path_.closeSubpath();
        return path_;
    }
    QPainterPath Open() const { return path_; }

private:
    QRectF r_;
    QPainterPath path_;
};

// The closed polygon through points given in fractions of r.
QPainterPath Polygon(const QRectF& r, std::initializer_list<QPointF> points) {
    Outline outline(r, points.begin()->x(), points.begin()->y());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        outline.Line(it->x(), it->y());
    return outline.Closed();
}

void Fill(QPainter& p, const QPainterPath& path, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
}

} // namespace

QPainterPath Ellipse(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r);
    return path;
}

QColor Rgb(uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * t)),
                  int(std::lround(a.green() + (b.green() - a.green()) * t)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

QPainterPath Heart(const QRectF& r) {
    return Outline(r, 0.5, 0.25)
        .Curve(0.5, 0.0, 0.0, -0.02, 0.02, 0.32)
        .Curve(0.04, 0.58, 0.35, 0.78, 0.5, 1.0)
        .Curve(0.65, 0.78, 0.96, 0.58, 0.98, 0.32)
        .Curve(1.0, -0.02, 0.5, 0.0, 0.5, 0.25)
        .Closed();
}

QPainterPath Star(const QRectF& r, int points, double innerRatio, double turnDegrees) {
    QPainterPath path;
    const QPointF c = r.center();
    for (int i = 0; i < points * 2; ++i) {
        const double a = Rad(turnDegrees - 90 + 180.0 * i / points);
        const double k = (i % 2 == 0) ? 1.0 : innerRatio;
        const QPointF q(c.x() + std::cos(a) * r.width() / 2 * k, c.y() + std::sin(a) * r.height() / 2 * k);
        if (i == 0)
            path.moveTo(q);
        else
            path.lineTo(q);
    }
    path.closeSubpath();
    return path;
}

QPainterPath Flower(const QRectF& r, int petals, double petalWidth, double turnDegrees) {
    QPainterPath path;
    const QPointF c = r.center();
    const double radius = std::min(r.width(), r.height()) / 2;
    for (int i = 0; i < petals; ++i) {
        QPainterPath petal;
        petal.addEllipse(QRectF(-radius * petalWidth / 2, -radius, radius * petalWidth, radius));
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(turnDegrees + 360.0 * i / petals);
        path = path.united(t.map(petal));
    }
    return path;
}

QPainterPath SakuraPetal(const QRectF& r) {
    return Outline(r, 0.5, 1.0)
        .Curve(0.05, 0.75, 0.0, 0.25, 0.3, 0.0)
        .Line(0.5, 0.16)
        .Line(0.7, 0.0)
        .Curve(1.0, 0.25, 0.95, 0.75, 0.5, 1.0)
        .Closed();
}

QPainterPath Leaf(const QRectF& r) {
    return Outline(r, 0.5, 0.0)
        .Curve(1.05, 0.3, 0.85, 0.8, 0.5, 1.0)
        .Curve(0.15, 0.8, -0.05, 0.3, 0.5, 0.0)
        .Closed();
}

QPainterPath Maple(const QRectF& r) {
    // Five pointed lobes over a short stem.
    QPainterPath path = Star(Part(r, 0, 0, 1, 0.9), 5, 0.45, 0);
    path = path.united(Star(Part(r, 0.12, 0.08, 0.76, 0.72), 10, 0.75, 18));
    QPainterPath stem;
    stem.addRect(Part(r, 0.48, 0.6, 0.04, 0.4));
    return path.united(stem);
}

QPainterPath Cloud(const QRectF& r) {
    QPainterPath path = Ellipse(Part(r, 0.0, 0.4, 0.4, 0.5));
    path = path.united(Ellipse(Part(r, 0.2, 0.1, 0.45, 0.65)));
    path = path.united(Ellipse(Part(r, 0.5, 0.2, 0.4, 0.55)));
    path = path.united(Ellipse(Part(r, 0.6, 0.45, 0.4, 0.45)));
    QPainterPath base;
    base.addRoundedRect(Part(r, 0.15, 0.55, 0.7, 0.4), r.height() * 0.2, r.height() * 0.2);
    return path.united(base);
}

QPainterPath Drop(const QRectF& r) {
    return Outline(r, 0.5, 0.0)
        .Curve(0.6, 0.25, 1.0, 0.5, 1.0, 0.7)
        .Curve(1.0, 0.9, 0.75, 1.0, 0.5, 1.0)
        .Curve(0.25, 1.0, 0.0, 0.9, 0.0, 0.7)
        .Curve(0.0, 0.5, 0.4, 0.25, 0.5, 0.0)
        .Closed();
}

QPainterPath Diamond(const QRectF& r) {
    return Polygon(r, {{0.5, 0}, {1, 0.5}, {0.5, 1}, {0, 0.5}});
}

QPainterPath SpeechBubble(const QRectF& r) {
    QPainterPath path = Ellipse(Part(r, 0, 0, 1, 0.8));
    QPainterPath tail = Polygon(r, {{0.25, 0.6}, {0.12, 1.0}, {0.45, 0.7}});
    return path.united(tail);
}

QPainterPath Butterfly(const QRectF& r) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const auto wing = [&](double fx, double fy, double fw, double fh, double turn) {
        QPainterPath w =
            Ellipse(QRectF(-r.width() * fw / 2, -r.height() * fh / 2, r.width() * fw, r.height() * fh));
        QTransform t;
        t.translate(At(r, fx, fy).x(), At(r, fx, fy).y());
        t.rotate(turn);
        path = path.united(t.map(w)).simplified();
    };
    wing(0.28, 0.32, 0.46, 0.5, -25);
    wing(0.72, 0.32, 0.46, 0.5, 25);
    wing(0.32, 0.7, 0.34, 0.38, 20);
    wing(0.68, 0.7, 0.34, 0.38, -20);
    QPainterPath body = Ellipse(Part(r, 0.46, 0.2, 0.08, 0.7));
    body.setFillRule(Qt::WindingFill);
    path.setFillRule(Qt::WindingFill);
    return path.united(body).simplified();
}

QPainterPath Clover(const QRectF& r) {
    QPainterPath path;
    for (int i = 0; i < 4; ++i) {
        QPainterPath leaf =
            Heart(QRectF(-r.width() * 0.26, -r.height() * 0.5, r.width() * 0.52, r.height() * 0.5));
        QTransform t;
        t.translate(r.center().x(), r.center().y());
        t.rotate(45 + 90 * i);
        path = path.united(t.map(leaf));
    }
    return path;
}

QPainterPath Moon(const QRectF& r) {
    return Ellipse(r).subtracted(Ellipse(Part(r, 0.3, -0.1, 0.9, 0.9)));
}

QPainterPath Scallops(const QRectF& r, double radius) {
    // A rectangle whose edges are rows of half circles cut inwards (a stamp's perforation).
    QPainterPath path;
    path.addRect(r);
    const int across = std::max(2, int(std::lround(r.width() / (radius * 3))));
    const int down = std::max(2, int(std::lround(r.height() / (radius * 3))));
    for (int i = 0; i <= across; ++i) {
        const double x = r.left() + r.width() * i / across;
        path = path.subtracted(Ellipse(QRectF(x - radius, r.top() - radius, 2 * radius, 2 * radius)));
        path = path.subtracted(Ellipse(QRectF(x - radius, r.bottom() - radius, 2 * radius, 2 * radius)));
    }
    for (int i = 1; i < down; ++i) {
        const double y = r.top() + r.height() * i / down;
        path = path.subtracted(Ellipse(QRectF(r.left() - radius, y - radius, 2 * radius, 2 * radius)));
        path = path.subtracted(Ellipse(QRectF(r.right() - radius, y - radius, 2 * radius, 2 * radius)));
    }
    return path;
}

void Shiny(QPainter& p, const QPainterPath& path, const QColor& base, double outline) {
    const QRectF b = path.boundingRect();
    QRadialGradient g(At(b, 0.35, 0.3), std::max(b.width(), b.height()) * 0.8);
    g.setColorAt(0, Mix(base, Qt::white, 0.45));
    g.setColorAt(0.55, base);
    g.setColorAt(1, Mix(base, Qt::black, 0.18));
    p.setBrush(g);
    if (outline > 0)
        p.setPen(QPen(Mix(base, Qt::black, 0.35), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
        p.setPen(Qt::NoPen);
    p.drawPath(path);
}

QPainterPath Placed(const QPainterPath& path, const QPointF& c, double turnDegrees) {
    const QPointF from = path.boundingRect().center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(turnDegrees);
    t.translate(-from.x(), -from.y());
    return t.map(path);
}

void Snowflake(QPainter& p, const QPointF& c, double radius, const QColor& color) {
    p.setPen(QPen(color, std::max(1.0, radius * 0.12), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 6; ++i) {
        const double a = Rad(60.0 * i);
        const QPointF dir(std::cos(a), std::sin(a));
        const QPointF tip = c + dir * radius;
        p.drawLine(c, tip);
        for (double k : {0.45, 0.7}) {
            const QPointF m = c + dir * radius * k;
            for (double s : {-1.0, 1.0}) {
                const double b = a + s * Rad(40);
                p.drawLine(m, m + QPointF(std::cos(b), std::sin(b)) * radius * 0.3);
            }
        }
    }
}

void Balloon(QPainter& p, const QRectF& r, const QColor& color) {
    QPainterPath string = Outline(r, 0.5, 0.78).Curve(0.4, 0.86, 0.6, 0.93, 0.5, 1.0).Open();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Rgb(0x8a8a8a), std::max(1.0, r.width() * 0.015)));
    p.drawPath(string);
    QPainterPath knot = Polygon(r, {{0.5, 0.74}, {0.44, 0.8}, {0.56, 0.8}});
    Fill(p, knot, Mix(color, Qt::black, 0.2));
    Shiny(p, Ellipse(Part(r, 0.1, 0.0, 0.8, 0.76)), color, r.width() * 0.015);
    Fill(p, Ellipse(Part(r, 0.25, 0.1, 0.14, 0.2)), QColor(255, 255, 255, 150));
}

void Sun(QPainter& p, const QRectF& r) {
    const QColor ray = Rgb(0xffb830);
    for (int i = 0; i < 12; ++i) {
        QPainterPath tri;
        tri.moveTo(0, -r.height() * 0.5);
        tri.lineTo(r.width() * 0.06, -r.height() * 0.33);
        tri.lineTo(-r.width() * 0.06, -r.height() * 0.33);
        tri.closeSubpath();
        QTransform t;
        t.translate(r.center().x(), r.center().y());
        t.rotate(30.0 * i);
        Fill(p, t.map(tri), ray);
    }
    Shiny(p, Ellipse(Part(r, 0.2, 0.2, 0.6, 0.6)), Rgb(0xffd23f), r.width() * 0.015);
}

void Tree(QPainter& p, const QRectF& r, const QColor& color) {
    Fill(
        p,
        [&] {
            QPainterPath trunk;
            trunk.addRect(Part(r, 0.43, 0.78, 0.14, 0.22));
            return trunk;
        }(),
        Rgb(0x8b5a2b));
    for (int i = 0; i < 3; ++i) {
        QPainterPath tier;
        const double top = 0.0 + 0.2 * i;
        const double half = 0.28 + 0.1 * i;
        tier.moveTo(At(r, 0.5, top));
        tier.lineTo(At(r, 0.5 + half, top + 0.42));
        tier.lineTo(At(r, 0.5 - half, top + 0.42));
        tier.closeSubpath();
        Shiny(p, tier, Mix(color, Qt::black, 0.08 * i), r.width() * 0.01);
    }
}

void Cake(QPainter& p, const QRectF& r) {
    QPainterPath plate = Ellipse(Part(r, 0.02, 0.86, 0.96, 0.14));
    Fill(p, plate, Rgb(0xdfe6ee));
    QPainterPath body;
    body.addRoundedRect(Part(r, 0.1, 0.45, 0.8, 0.47), r.width() * 0.04, r.width() * 0.04);
    Shiny(p, body, Rgb(0xfff1d6), r.width() * 0.01);
    QPainterPath cream;
    cream.addRoundedRect(Part(r, 0.08, 0.42, 0.84, 0.12), r.width() * 0.05, r.width() * 0.05);
    for (int i = 0; i < 6; ++i)
        cream = cream.united(Ellipse(Part(r, 0.1 + 0.13 * i, 0.48, 0.12, 0.1)));
    Fill(p, cream, Rgb(0xffffff));
    Fill(p, QPainterPath([&] {
             QPainterPath band;
             band.addRect(Part(r, 0.1, 0.66, 0.8, 0.06));
             return band;
         }()),
         Rgb(0xf48fb1));
    for (int i = 0; i < 3; ++i) {
        Shiny(p, Ellipse(Part(r, 0.2 + 0.22 * i, 0.3, 0.14, 0.14)), Rgb(0xe53950), r.width() * 0.008);
        QPainterPath candle;
        candle.addRect(Part(r, 0.26 + 0.22 * i, 0.12, 0.03, 0.2));
        Fill(p, candle, Rgb(0x7ec8e3));
        Fill(p, Drop(Part(r, 0.25 + 0.22 * i, 0.03, 0.05, 0.09)), Rgb(0xffb300));
    }
}

void Gift(QPainter& p, const QRectF& r, const QColor& box, const QColor& ribbon) {
    QPainterPath body;
    body.addRect(Part(r, 0.1, 0.4, 0.8, 0.6));
    Shiny(p, body, box, r.width() * 0.01);
    QPainterPath lid;
    lid.addRect(Part(r, 0.05, 0.3, 0.9, 0.14));
    Shiny(p, lid, Mix(box, Qt::white, 0.1), r.width() * 0.01);
    QPainterPath band;
    band.addRect(Part(r, 0.44, 0.3, 0.12, 0.7));
    Fill(p, band, ribbon);
    Shiny(p, Ellipse(Part(r, 0.2, 0.08, 0.3, 0.24)), ribbon, r.width() * 0.01);
    Shiny(p, Ellipse(Part(r, 0.5, 0.08, 0.3, 0.24)), ribbon, r.width() * 0.01);
    Fill(p, Ellipse(Part(r, 0.44, 0.2, 0.12, 0.12)), Mix(ribbon, Qt::black, 0.15));
}

void Bell(QPainter& p, const QRectF& r) {
    QPainterPath bell = Outline(r, 0.5, 0.05)
                            .Curve(0.8, 0.05, 0.8, 0.4, 0.85, 0.65)
                            .Quad(0.9, 0.8, 1.0, 0.85)
                            .Line(0.0, 0.85)
                            .Quad(0.1, 0.8, 0.15, 0.65)
                            .Curve(0.2, 0.4, 0.2, 0.05, 0.5, 0.05)
                            .Closed();
    Shiny(p, bell, Rgb(0xf2c230), r.width() * 0.015);
    Shiny(p, Ellipse(Part(r, 0.42, 0.82, 0.16, 0.16)), Rgb(0xd99a10), r.width() * 0.01);
}

void Pumpkin(QPainter& p, const QRectF& r) {
    for (int i : {0, 2, 1}) {
        const double x = 0.08 + 0.26 * i;
        Shiny(p, Ellipse(Part(r, x, 0.2, 0.32, 0.75)), i == 1 ? Rgb(0xff8c1a) : Rgb(0xf57c00),
              r.width() * 0.012);
    }
    QPainterPath stem;
    stem.addRoundedRect(Part(r, 0.45, 0.04, 0.1, 0.2), 4, 4);
    Fill(p, stem, Rgb(0x5d7d2a));
}

void Umbrella(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(QPen(Rgb(0x5b4636), r.width() * 0.03, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath handle = Outline(r, 0.5, 0.4).Line(0.5, 0.88).Open();
    handle.arcTo(Part(r, 0.36, 0.8, 0.14, 0.16), 0, -180);
    p.drawPath(handle);
    QPainterPath canopy;
    canopy.moveTo(At(r, 0.0, 0.45));
    canopy.arcTo(Part(r, 0.0, 0.05, 1.0, 0.8), 180, -180);
    for (int i = 4; i >= 1; --i)
        canopy.quadTo(At(r, 0.125 + 0.25 * (i - 1) + 0.125, 0.38), At(r, 0.25 * (i - 1), 0.45));
    canopy.closeSubpath();
    Shiny(p, canopy, color, r.width() * 0.012);
}

void Note(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(QPen(color, r.width() * 0.06));
    p.drawLine(At(r, 0.35, 0.8), At(r, 0.35, 0.1));
    p.drawLine(At(r, 0.85, 0.7), At(r, 0.85, 0.0));
    QPainterPath beam = Polygon(r, {{0.32, 0.1}, {0.88, 0.0}, {0.88, 0.12}, {0.32, 0.22}});
    Fill(p, beam, color);
    Fill(p, Placed(Ellipse(Part(r, 0, 0, 0.34, 0.22)), At(r, 0.22, 0.82), -20), color);
    Fill(p, Placed(Ellipse(Part(r, 0, 0, 0.34, 0.22)), At(r, 0.72, 0.72), -20), color);
}

void Fish(QPainter& p, const QRectF& r, const QColor& color) {
    QPainterPath body = Ellipse(Part(r, 0.05, 0.2, 0.7, 0.6));
    QPainterPath tail = Polygon(r, {{0.68, 0.5}, {1.0, 0.22}, {0.92, 0.5}, {1.0, 0.78}});
    Shiny(p, body.united(tail), color, r.width() * 0.012);
    Fill(p, Ellipse(Part(r, 0.16, 0.36, 0.1, 0.12)), Qt::white);
    Fill(p, Ellipse(Part(r, 0.19, 0.39, 0.05, 0.06)), Rgb(0x263238));
}

void Candle(QPainter& p, const QRectF& r) {
    QPainterPath body;
    body.addRoundedRect(Part(r, 0.3, 0.35, 0.4, 0.65), r.width() * 0.04, r.width() * 0.04);
    Shiny(p, body, Rgb(0xfff3e0), r.width() * 0.012);
    QRadialGradient glow(At(r, 0.5, 0.2), r.width() * 0.4);
    glow.setColorAt(0, QColor(255, 220, 120, 160));
    glow.setColorAt(1, QColor(255, 220, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(Part(r, 0.1, -0.15, 0.8, 0.7));
    Fill(p, Drop(Part(r, 0.4, 0.05, 0.2, 0.3)), Rgb(0xffa000));
    Fill(p, Drop(Part(r, 0.45, 0.15, 0.1, 0.17)), Rgb(0xfff59d));
}

void House(QPainter& p, const QRectF& r) {
    QPainterPath wall;
    wall.addRect(Part(r, 0.15, 0.45, 0.7, 0.55));
    Shiny(p, wall, Rgb(0xfff3e0), r.width() * 0.012);
    QPainterPath roof = Polygon(r, {{0.5, 0.05}, {0.98, 0.5}, {0.02, 0.5}});
    Shiny(p, roof, Rgb(0xd84343), r.width() * 0.012);
    QPainterPath door;
    door.addRoundedRect(Part(r, 0.42, 0.66, 0.16, 0.34), 3, 3);
    Fill(p, door, Rgb(0x8d6e63));
    QPainterPath window;
    window.addRect(Part(r, 0.22, 0.58, 0.14, 0.14));
    window.addRect(Part(r, 0.64, 0.58, 0.14, 0.14));
    Fill(p, window, Rgb(0x81d4fa));
}

void Bird(QPainter& p, const QRectF& r, const QColor& color) {
    QPainterPath body = Ellipse(Part(r, 0.1, 0.3, 0.7, 0.55));
    body = body.united(Ellipse(Part(r, 0.5, 0.15, 0.4, 0.4)));
    Shiny(p, body, color, r.width() * 0.012);
    QPainterPath wing = Leaf(QRectF(0, 0, r.width() * 0.25, r.height() * 0.45));
    Shiny(p, Placed(wing, At(r, 0.4, 0.55), -60), Mix(color, Qt::black, 0.15), r.width() * 0.01);
    QPainterPath beak = Polygon(r, {{0.88, 0.3}, {1.0, 0.36}, {0.87, 0.4}});
    Fill(p, beak, Rgb(0xffa726));
    Fill(p, Ellipse(Part(r, 0.72, 0.26, 0.06, 0.07)), Rgb(0x263238));
}

void Cherry(QPainter& p, const QRectF& r) {
    p.setPen(QPen(Rgb(0x6d8b3a), r.width() * 0.03, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath stems;
    stems.moveTo(At(r, 0.3, 0.62));
    stems.quadTo(At(r, 0.4, 0.2), At(r, 0.6, 0.08));
    stems.moveTo(At(r, 0.72, 0.62));
    stems.quadTo(At(r, 0.66, 0.3), At(r, 0.6, 0.08));
    p.drawPath(stems);
    Shiny(p, Placed(Leaf(QRectF(0, 0, r.width() * 0.2, r.height() * 0.34)), At(r, 0.72, 0.12), 70),
          Rgb(0x7cb342), r.width() * 0.01);
    Shiny(p, Ellipse(Part(r, 0.1, 0.58, 0.38, 0.38)), Rgb(0xd81b3c), r.width() * 0.012);
    Shiny(p, Ellipse(Part(r, 0.54, 0.58, 0.38, 0.38)), Rgb(0xd81b3c), r.width() * 0.012);
}

void Ribbon(QPainter& p, const QRectF& r, const QColor& color) {
    QPainterPath loops = Outline(r, 0.5, 0.4)
                             .Curve(0.2, 0.0, 0.0, 0.3, 0.08, 0.55)
                             .Curve(0.15, 0.7, 0.35, 0.55, 0.5, 0.4)
                             .Curve(0.65, 0.55, 0.85, 0.7, 0.92, 0.55)
                             .Curve(1.0, 0.3, 0.8, 0.0, 0.5, 0.4)
                             .Open();
    QPainterPath tails = Polygon(
        r, {{0.46, 0.45}, {0.25, 1.0}, {0.36, 0.92}, {0.5, 0.5}, {0.64, 0.92}, {0.75, 1.0}, {0.54, 0.45}});
    Shiny(p, tails, Mix(color, Qt::black, 0.1), r.width() * 0.012);
    Shiny(p, loops, color, r.width() * 0.012);
    Shiny(p, Ellipse(Part(r, 0.42, 0.33, 0.16, 0.16)), Mix(color, Qt::black, 0.15), r.width() * 0.01);
}

void FlowerBloom(QPainter& p, const QRectF& r, const QColor& petals, const QColor& heart, int count) {
    Shiny(p, Flower(r, count, 0.62, 0), petals, r.width() * 0.012);
    Shiny(p, Ellipse(Part(r, 0.36, 0.36, 0.28, 0.28)), heart, r.width() * 0.01);
}

void Motif(QPainter& p, int index, const QRectF& r, int hue) {
    static const uint32_t palette[] = {0xf06292, 0x64b5f6, 0xffb74d, 0x81c784,
                                       0xba68c8, 0x4db6ac, 0xe57373, 0xfff176};
    const QColor c = Rgb(palette[unsigned(hue) % 8]);
    const double line = r.width() * 0.012;
    switch (index % kMotifCount) {
    case 0:
        Shiny(p, Heart(r), c, line);
        break;
    case 1:
        Shiny(p, Star(r, 5, 0.45), Rgb(0xffd54f), line);
        break;
    case 2:
        FlowerBloom(p, r, c, Rgb(0xffe082), 5);
        break;
    case 3:
        Shiny(p, Placed(SakuraPetal(QRectF(0, 0, r.width() * 0.6, r.height() * 0.9)), r.center(), 20),
              Rgb(0xf8bbd0), line);
        break;
    case 4:
        Shiny(p, Placed(Leaf(QRectF(0, 0, r.width() * 0.55, r.height())), r.center(), 30), Rgb(0x8bc34a),
              line);
        break;
    case 5:
        Shiny(p, Maple(r), hue % 2 ? Rgb(0xe64a19) : Rgb(0xffa000), line);
        break;
    case 6:
        Shiny(p, Cloud(Part(r, 0, 0.15, 1, 0.7)), Rgb(0xf5f9ff), line);
        break;
    case 7:
        Snowflake(p, r.center(), r.width() * 0.48, Rgb(0x64b5f6));
        break;
    case 8:
        Balloon(p, Part(r, 0.2, 0, 0.6, 1), c);
        break;
    case 9:
        Sun(p, r);
        break;
    case 10:
        Tree(p, Part(r, 0.1, 0, 0.8, 1), Rgb(0x43a047));
        break;
    case 11:
        Cake(p, r);
        break;
    case 12:
        Gift(p, r, c, Rgb(0xfdd835));
        break;
    case 13:
        Bell(p, r);
        break;
    case 14:
        Pumpkin(p, Part(r, 0, 0.1, 1, 0.85));
        break;
    case 15:
        Umbrella(p, r, c);
        break;
    case 16:
        Note(p, Part(r, 0.1, 0.05, 0.8, 0.9), Mix(c, Qt::black, 0.3));
        break;
    case 17:
        Fish(p, Part(r, 0, 0.15, 1, 0.7), c);
        break;
    case 18:
        Candle(p, Part(r, 0.15, 0, 0.7, 1));
        break;
    case 19:
        House(p, r);
        break;
    case 20:
        Bird(p, Part(r, 0, 0.1, 1, 0.8), c);
        break;
    case 21:
        Cherry(p, r);
        break;
    case 22:
        Ribbon(p, Part(r, 0, 0.1, 1, 0.8), c);
        break;
    case 23:
        Shiny(p, Butterfly(r), c, line);
        Fill(p, Ellipse(Part(r, 0.46, 0.2, 0.08, 0.7)), Mix(c, Qt::black, 0.45));
        break;
    }
}

void VerticalFill(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

namespace {

QPainterPath Hills(const QRectF& r, double base, double amplitude, double phase, double waves) {
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double y = base + amplitude * std::sin(phase + t * waves * 2 * kPi) +
                         amplitude * 0.4 * std::sin(phase * 1.7 + t * waves * 5.3 * kPi);
        path.lineTo(r.left() + r.width() * t, r.top() + r.height() * y);
    }
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();
    return path;
}

void Band(QPainter& p, const QPainterPath& path, const QColor& top, const QColor& bottom) {
    const QRectF b = path.boundingRect();
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
}

} // namespace

void Scene(QPainter& p, const QRectF& r, int kind) {
    p.save();
    p.setClipRect(r);
    Random rnd(uint32_t(kind) + 77);
    const double u = std::min(r.width(), r.height());
    switch (kind % kSceneCount) {
    case 0: // spring meadow
        VerticalFill(p, r, Rgb(0x8fd3ff), Rgb(0xe8f7ff));
        Fill(p, Cloud(Part(r, 0.08, 0.1, 0.25, 0.16)), Rgb(0xffffff));
        Fill(p, Cloud(Part(r, 0.6, 0.06, 0.3, 0.18)), Rgb(0xffffff));
        Band(p, Hills(r, 0.6, 0.05, 1.0, 1.2), Rgb(0xa5d66f), Rgb(0x7cb342));
        Band(p, Hills(r, 0.75, 0.04, 2.5, 0.8), Rgb(0x8bc34a), Rgb(0x558b2f));
        for (int i = 0; i < 40; ++i) {
            const QPointF c = At(r, rnd.Range(0.02, 0.98), rnd.Range(0.8, 0.98));
            const double s = u * rnd.Range(0.025, 0.045);
            FlowerBloom(p, QRectF(c.x() - s / 2, c.y() - s / 2, s, s), i % 3 ? Rgb(0xfff59d) : Rgb(0xf8bbd0),
                        Rgb(0xffb300), 5);
        }
        break;
    case 1: // summer sea
        VerticalFill(p, r, Rgb(0x29b6f6), Rgb(0xb3e5fc));
        Sun(p, Part(r, 0.72, 0.06, 0.18 * r.height() / r.width() * 1.2, 0.22));
        Band(p, Hills(r, 0.55, 0.004, 0, 6), Rgb(0x0288d1), Rgb(0x4fc3f7));
        for (int i = 0; i < 8; ++i) {
            p.setPen(QPen(QColor(255, 255, 255, 170), u * 0.006, Qt::SolidLine, Qt::RoundCap));
            const double y = 0.6 + 0.035 * i;
            const double x = rnd.Range(0.0, 0.7);
            p.drawLine(At(r, x, y), At(r, x + rnd.Range(0.1, 0.3), y));
        }
        Band(p, Hills(r, 0.85, 0.03, 0.5, 0.7), Rgb(0xffe0b2), Rgb(0xffcc80));
        break;
    case 2: // autumn hills
        VerticalFill(p, r, Rgb(0xffcc80), Rgb(0xfff3e0));
        Band(p, Hills(r, 0.5, 0.07, 0.3, 1.1), Rgb(0xd84315), Rgb(0xbf360c));
        Band(p, Hills(r, 0.65, 0.05, 1.9, 1.4), Rgb(0xffa000), Rgb(0xef6c00));
        Band(p, Hills(r, 0.8, 0.04, 3.1, 0.9), Rgb(0x8d6e63), Rgb(0x6d4c41));
        for (int i = 0; i < 24; ++i) {
            const QPointF c = At(r, rnd.Range(0, 1), rnd.Range(0.05, 0.95));
            const double s = u * rnd.Range(0.04, 0.08);
            Shiny(p, Placed(Maple(QRectF(0, 0, s, s)), c, rnd.Range(-40, 40)),
                  i % 2 ? Rgb(0xe64a19) : Rgb(0xffb300), 0);
        }
        break;
    case 3: // winter snow
        VerticalFill(p, r, Rgb(0x90a4ae), Rgb(0xe3f2fd));
        Band(p, Hills(r, 0.6, 0.05, 0.8, 1.0), Rgb(0xffffff), Rgb(0xe1f5fe));
        for (int i = 0; i < 5; ++i)
            Tree(p, Part(r, 0.08 + 0.18 * i, 0.42 + 0.04 * (i % 2), 0.1, 0.3), Rgb(0x2e7d32));
        Band(p, Hills(r, 0.82, 0.03, 2.0, 0.7), Rgb(0xffffff), Rgb(0xeceff1));
        for (int i = 0; i < 60; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 220));
            const double s = u * rnd.Range(0.006, 0.016);
            p.drawEllipse(At(r, rnd.Range(0, 1), rnd.Range(0, 1)), s, s);
        }
        break;
    case 4: // starry night
        VerticalFill(p, r, Rgb(0x0d1b3e), Rgb(0x3949ab));
        for (int i = 0; i < 90; ++i) {
            const double s = u * rnd.Range(0.004, 0.012);
            Fill(p, Star(QRectF(At(r, rnd.Range(0, 1), rnd.Range(0, 0.7)), QSizeF(s * 2, s * 2)), 4, 0.35),
                 QColor(255, 250, 220, int(rnd.Range(150, 255))));
        }
        Shiny(p, Moon(Part(r, 0.7, 0.08, 0.15 * r.height() / r.width(), 0.15)), Rgb(0xfff9c4), 0);
        Band(p, Hills(r, 0.8, 0.04, 1.3, 1.0), Rgb(0x1a237e), Rgb(0x0d1240));
        break;
    case 5: // flower field
        VerticalFill(p, r, Rgb(0xb3e5fc), Rgb(0xfce4ec));
        Band(p, Hills(r, 0.45, 0.03, 0.4, 0.9), Rgb(0xaed581), Rgb(0x7cb342));
        for (int row = 0; row < 7; ++row)
            for (int i = 0; i < 14; ++i) {
                const double y = 0.5 + row * 0.075;
                const double s = u * (0.03 + row * 0.012);
                const QPointF c = At(r, (i + rnd.Range(0.0, 0.8)) / 14.0, y + rnd.Range(0, 0.04));
                static const uint32_t colors[] = {0xec407a, 0xffca28, 0xab47bc, 0xff7043, 0xffffff};
                FlowerBloom(p, QRectF(c.x() - s / 2, c.y() - s / 2, s, s), Rgb(colors[(row + i) % 5]),
                            Rgb(0xfff176), 6);
            }
        break;
    case 6: // sunset
        VerticalFill(p, r, Rgb(0x5c3c92), Rgb(0xff8a65));
        p.setPen(Qt::NoPen);
        {
            QRadialGradient g(At(r, 0.5, 0.62), u * 0.5);
            g.setColorAt(0, QColor(255, 236, 179, 255));
            g.setColorAt(0.25, QColor(255, 183, 77, 200));
            g.setColorAt(1, QColor(255, 138, 101, 0));
            p.setBrush(g);
            p.drawRect(r);
        }
        Band(p, Hills(r, 0.62, 0.003, 0, 5), Rgb(0xff7043), Rgb(0x6a1b9a));
        for (int i = 0; i < 10; ++i) {
            p.setPen(QPen(QColor(255, 224, 178, 150), u * 0.005));
            const double y = 0.65 + 0.03 * i;
            const double w = 0.05 + 0.02 * i;
            p.drawLine(At(r, 0.5 - w, y), At(r, 0.5 + w, y));
        }
        break;
    default: // lake and mountains
        VerticalFill(p, r, Rgb(0x4fc3f7), Rgb(0xe1f5fe));
        {
            QPainterPath mountains =
                Polygon(r, {{0, 0.6}, {0.25, 0.22}, {0.42, 0.45}, {0.62, 0.15}, {1.0, 0.6}});
            Band(p, mountains, Rgb(0x7986cb), Rgb(0x3f51b5));
            QPainterPath snow =
                Polygon(r, {{0.62, 0.15}, {0.7, 0.26}, {0.65, 0.24}, {0.6, 0.28}, {0.56, 0.23}});
            Fill(p, snow, Rgb(0xffffff));
        }
        Band(p, Hills(r, 0.6, 0.002, 0, 3), Rgb(0x81d4fa), Rgb(0x0277bd));
        Band(p, Hills(r, 0.86, 0.03, 1.0, 1.3), Rgb(0x66bb6a), Rgb(0x2e7d32));
        break;
    }
    p.restore();
}

} // namespace Art
