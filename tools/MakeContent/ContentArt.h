#pragma once
// The drawing vocabulary of the shipped content: motifs as outlines (hearts, stars, flowers,
// leaves...), painted motifs (balloons, snowflakes, trees, cakes...) and whole scenes (meadows,
// sea, snow, night sky...), all anti-aliased and driven by a seeded generator so that every build
// draws the same pixels.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <cstdint>

namespace Art {

// A small deterministic generator (the same numbers on every machine and build).
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t NextInt() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // In [0, 1).
    double Next() { return (NextInt() >> 8) / double(1 << 24); }
    double Range(double low, double high) { return low + (high - low) * Next(); }

private:
    uint32_t state_;
};

// 0xRRGGBB.
QColor Rgb(uint32_t rgb);
QColor Mix(const QColor& a, const QColor& b, double t);

// Outlines filling rect.
QPainterPath Ellipse(const QRectF& r);
QPainterPath Heart(const QRectF& r);
QPainterPath Star(const QRectF& r, int points, double innerRatio, double turnDegrees = 0);
QPainterPath Flower(const QRectF& r, int petals, double petalWidth, double turnDegrees = 0);
QPainterPath SakuraPetal(const QRectF& r);
QPainterPath Leaf(const QRectF& r);
QPainterPath Maple(const QRectF& r);
QPainterPath Cloud(const QRectF& r);
QPainterPath Drop(const QRectF& r);
QPainterPath Diamond(const QRectF& r);
QPainterPath SpeechBubble(const QRectF& r);
QPainterPath Butterfly(const QRectF& r);
QPainterPath Clover(const QRectF& r);
QPainterPath Moon(const QRectF& r);
QPainterPath Scallops(const QRectF& r, double radius);

// Fills r with a gradient from top to bottom.
void VerticalFill(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom);
// A path filled with a soft top-left highlight and a darker outline.
void Shiny(QPainter& p, const QPainterPath& path, const QColor& base, double outline);
// A path turned about its centre and placed with its centre at c.
QPainterPath Placed(const QPainterPath& path, const QPointF& c, double turnDegrees);

void Snowflake(QPainter& p, const QPointF& c, double radius, const QColor& color);
void Balloon(QPainter& p, const QRectF& r, const QColor& color);
void Sun(QPainter& p, const QRectF& r);
void Tree(QPainter& p, const QRectF& r, const QColor& color);
void Cake(QPainter& p, const QRectF& r);
void Gift(QPainter& p, const QRectF& r, const QColor& box, const QColor& ribbon);
void Bell(QPainter& p, const QRectF& r);
void Pumpkin(QPainter& p, const QRectF& r);
void Umbrella(QPainter& p, const QRectF& r, const QColor& color);
void Note(QPainter& p, const QRectF& r, const QColor& color);
void Fish(QPainter& p, const QRectF& r, const QColor& color);
void Candle(QPainter& p, const QRectF& r);
void House(QPainter& p, const QRectF& r);
void Bird(QPainter& p, const QRectF& r, const QColor& color);
void Cherry(QPainter& p, const QRectF& r);
void Ribbon(QPainter& p, const QRectF& r, const QColor& color);
void FlowerBloom(QPainter& p, const QRectF& r, const QColor& petals, const QColor& heart, int count);

// The number of motif painters Motif() knows.
constexpr int kMotifCount = 24;
// Motif `index` in the colour scheme `hue` (any number), filling rect.
void Motif(QPainter& p, int index, const QRectF& r, int hue);

// Whole scenes filling rect: 0 spring meadow, 1 summer sea, 2 autumn hills, 3 winter snow,
// 4 starry night, 5 flower field, 6 sunset, 7 lake and mountains.
constexpr int kSceneCount = 8;
void Scene(QPainter& p, const QRectF& r, int kind);

} // namespace Art
