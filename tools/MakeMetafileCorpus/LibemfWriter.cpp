// An enhanced metafile written by libEMF from GDI calls, as programs ported from Windows write them.

#include "tools/MakeMetafileCorpus/Writers.h"

#include <cstdlib>
#include <libEMF/emf.h>

void WriteLibemfFiles(const std::string& folder) {
    const std::string path = folder + "/libemf_gdi.emf";
    const RECT frame = {0, 0, 10000, 7500}; // 100 x 75 mm
    HDC dc = CreateEnhMetaFileA(0, path.c_str(), &frame, "MakeMetafileCorpus\0libEMF\0");
    if (dc == 0)
        std::abort();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 400, 300, nullptr);
    // The 400 x 300 window fills the frame on libEMF's reference device.
    SetViewportExtEx(dc, 100 * GetDeviceCaps(dc, HORZRES) / GetDeviceCaps(dc, HORZSIZE),
                     75 * GetDeviceCaps(dc, VERTRES) / GetDeviceCaps(dc, VERTSIZE), nullptr);
    HPEN pen = CreatePen(PS_SOLID, 4, RGB(20, 20, 20));
    HBRUSH red = CreateSolidBrush(RGB(210, 30, 30));
    SelectObject(dc, pen);
    SelectObject(dc, red);
    Rectangle(dc, 20, 20, 180, 130);
    HBRUSH blue = CreateSolidBrush(RGB(30, 60, 210));
    SelectObject(dc, blue);
    Ellipse(dc, 220, 20, 380, 130);
    HBRUSH yellow = CreateSolidBrush(RGB(240, 200, 20));
    SelectObject(dc, yellow);
    const POINT triangle[3] = {{30, 280}, {100, 160}, {170, 280}};
    Polygon(dc, triangle, 3);
    const LOGBRUSH hatched = {BS_HATCHED, RGB(30, 150, 40), HS_DIAGCROSS};
    HBRUSH hatch = CreateBrushIndirect(&hatched);
    SelectObject(dc, hatch);
    // A closed path through a Bézier: filled with the hatch, outlined with the pen.
    BeginPath(dc);
    MoveToEx(dc, 220, 280, nullptr);
    const POINT bulge[3] = {{220, 140}, {380, 140}, {380, 280}};
    PolyBezierTo(dc, bulge, 3);
    CloseFigure(dc);
    EndPath(dc);
    StrokeAndFillPath(dc);
    HPEN purple = CreatePen(PS_SOLID, 3, RGB(120, 0, 120));
    SelectObject(dc, purple);
    const POINT curve[4] = {{200, 150}, {260, 150}, {200, 290}, {260, 290}};
    PolyBezier(dc, curve, 4);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(purple);
    DeleteObject(red);
    DeleteObject(blue);
    DeleteObject(yellow);
    DeleteObject(hatch);
    HENHMETAFILE meta = CloseEnhMetaFile(dc);
    DeleteEnhMetaFile(meta);
}
