#pragma once
// The makers' product table (tools/label-products.tsv) read on its own, so tests compare the
// shipped papers and their prints with the published places rather than with the tool's reading.

#include "tests/TestSupport.h"

#include <QRectF>
#include <QStringList>
#include <utility>
#include <vector>

struct LabelProductRow {
    QString Brand, Part, Paper, Shape;
    // Millimetres.
    double SheetW = 0, SheetH = 0, W = 0, H = 0, Corner = 0, Hole = 0, X0 = 0, Y0 = 0, Dx = 0, Dy = 0;
    int Nx = 0, Ny = 0;
    // Face i of the grid, row by row: left, top, right, bottom in millimetres. A circle or disc is as
    // high as it is wide.
    QRectF Face(int i) const {
        return QRectF(X0 + (i % Nx) * Dx, Y0 + (i / Nx) * Dy, W, Shape == "round" || Shape == "cd" ? W : H);
    }
};

inline std::vector<LabelProductRow> LabelProductRows() {
    std::vector<LabelProductRow> rows;
    const QList<QByteArray> lines =
        TestSupport::ReadFile(TestSupport::SourcePath("tools/label-products.tsv")).split('\n');
    bool header = true;
    for (const QByteArray& line : lines) {
        if (line.startsWith('#') || line.trimmed().isEmpty())
            continue;
        if (std::exchange(header, false))
            continue;
        const QStringList c = QString::fromUtf8(line).split('\t');
        if (c.size() < 16)
            continue;
        LabelProductRow r;
        r.Brand = c[0];
        r.Part = c[1];
        r.Paper = c[2];
        r.SheetW = c[3].toDouble();
        r.SheetH = c[4].toDouble();
        r.Shape = c[5];
        r.W = c[6].toDouble();
        r.H = c[7].toDouble();
        r.Corner = c[8].toDouble();
        r.Hole = c[9].toDouble();
        r.Nx = c[10].toInt();
        r.Ny = c[11].toInt();
        r.X0 = c[12].toDouble();
        r.Y0 = c[13].toDouble();
        r.Dx = c[14].toDouble();
        r.Dy = c[15].toDouble();
        rows.push_back(r);
    }
    return rows;
}
