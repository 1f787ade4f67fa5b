#pragma once
// Writing what the content generator draws: pictures in the smallest exact form (PNG or the bitmap
// file), the Gaussian blur of grey masks, catalogues as CP932 ini text, and the contact sheets.

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <vector>

namespace Content {

// The see-through colours of frames and illustrations, as QColor (red, green, blue): $F0F0F0
// shows the photo (and is the illustrations' background), $607090 is a hole through to the page.
inline constexpr unsigned kWindowRgb = 0xF0F0F0;
inline constexpr unsigned kOutsideRgb = 0x907060;

// Where everything goes: root is the folder of the executable.
struct Output {
    QString Root;
    // Root + "/" + relative folder ("Data/Frame/Simple"), created on first use.
    QString Folder(const QString& relative) const;
};

// Writes image into folder as base + ".png" or base + ".bmp", whichever is smaller; Grayscale8
// images are stored as grey. Returns the file name written (without folder). Raises on failure.
QString WritePicture(const Output& out, const QString& folder, const QString& base, const QImage& image);
// Writes image as base + ".png" keeping its alpha channel (pictures drawn over what lies below them
// by their own transparency); returns the file name.
QString WriteAlphaPng(const Output& out, const QString& folder, const QString& base, const QImage& image);
// Writes the image as a JPEG of the given quality; returns the file name.
QString WriteJpeg(const Output& out, const QString& folder, const QString& base, const QImage& image,
                  int quality);
// Writes bytes to a file (raises on failure).
void WriteBytes(const QString& path, const QByteArray& bytes);
// An ini text (lines joined by CR LF) as CP932; raises when a character has no CP932 form.
void WriteCatalogue(const Output& out, const QString& relativePath, const QStringList& lines);

// A grey image blurred in place by the library's Gaussian blur with that radius.
QImage Blurred(const QImage& grey, double radius);
// The image with every pixel of colour `key` (0xRRGGBB) that mask does not mark (mask pixel < 128)
// moved one step off it, so a colour meant as see-through only appears where it is meant.
void KeepKeyExact(QImage& image, unsigned key, const QImage& mask);
// A premultiplied ARGB drawing flattened onto the key colour: untouched pixels become exactly the
// key, drawn ones never are.
QImage FlattenOnKey(const QImage& drawing, unsigned key);
QImage NewGrey(int width, int height, int grey);
QImage NewRgb(int width, int height, unsigned rgb);
// Scaled to fit within the box, keeping its proportions (smooth).
QImage Fit(const QImage& image, int width, int height);

// One cell of a contact sheet: a picture and its caption.
struct SheetCell {
    QImage Picture;
    QString Caption;
};
// A PNG of all cells in a grid under a title (not shipped).
void WriteContactSheet(const QString& path, const QString& title, const std::vector<SheetCell>& cells);

// Runs the jobs on a few threads; each job writes only its own files and results.
void RunAll(const std::vector<std::function<void()>>& jobs);

} // namespace Content
