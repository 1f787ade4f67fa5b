#pragma once
// Plays enhanced (EMF) and Windows (WMF, with or without the placeable header) metafiles onto a
// canvas, the way the window system played them, so a user's clip art draws on screen, in
// previews, in PDF (text stays text) and on printers alike. Everything goes through the canvas:
// the records' mapping and world transform become the canvas's world transform, which takes the
// metafile's frame onto the target rectangle.
//
// The bytes are hostile input. The target rectangle (with the caller's clip) bounds everything
// drawn; an impossible record ends the play keeping what was drawn; only a bad header refuses
// the data. The player holds no global state (thumbnails are drawn on loader threads) and
// leaves the canvas as it found it.

#include "platform/Canvas.h"

#include <QByteArray>
#include <QRect>
#include <cstdint>
#include <map>
#include <vector>

// What a play did, record type by record type (EMF record types, WMF function numbers).
struct TMetafilePlayReport {
    int64_t Played = 0;
    int64_t Skipped = 0;
    std::map<int, int64_t> PlayedByType;
    std::map<int, int64_t> SkippedByType;
    // Every record walked, in order, when KeepRecords is set: its type, its offset from the
    // start of the data and its size in bytes (a WMF's placeable and file headers are not records).
    struct TRecord {
        int Type = 0;
        int64_t Offset = 0;
        int64_t Size = 0;
    };
    bool KeepRecords = false;
    std::vector<TRecord> Records;
    // An impossible record (or a bound) ended the play before the end record.
    bool Stopped = false;
};

class TMetafilePlayer {
public:
    enum TFormat { mfNone, mfEnhanced, mfPlaceable, mfWindows };

    // What the header says of the picture. Frame: EMF's rclFrame in hundredths of a millimetre
    // (rclBounds over the reference device when empty); WMF's box in its own units.
    struct THeader {
        TFormat Format = mfNone;
        QRectF Frame;
        // Units of Frame per inch (2540 for EMF).
        double UnitsPerInch = 0;
    };

    // The limits of one play and of the data.
    static constexpr int64_t kMaxDataSize = int64_t(64) << 20;
    static constexpr int64_t kMaxRecords = 2000000;
    static constexpr int kMaxSaveDepth = 1024;
    static constexpr int64_t kMaxBitmapPixels = int64_t(64) << 20;
    static constexpr int64_t kMaxBitmapBytesPerPlay = int64_t(256) << 20;
    static constexpr double kMaxFontPixels = 16384;
    static constexpr double kMaxDeviceCoordinate = double(1 << 24);
    static constexpr double kMaxDashedLength = double(1 << 20);

    // Reads and checks the header; false when the bytes are no metafile this player takes.
    static bool ReadHeader(const QByteArray& data, THeader& header);

    // Plays the metafile into the canvas's logical rectangle rect. False when the header is
    // refused or the frame is empty (nothing drawn). frame, when given, stands for an EMF's own
    // (in hundredths of a millimetre).
    static bool Play(TCanvas& canvas, const QByteArray& data, const TRect& rect,
                     TMetafilePlayReport* report = nullptr, const QRectF* frame = nullptr);
    // Whether every record lies within the data up to the end record (a file cut short does not).
    static bool Complete(const QByteArray& data);
    // The frame (hundredths of a millimetre) of an EMF whose drawing lies wholly outside its
    // header's frame: the bounds of what it draws. False for every other metafile.
    static bool DrawnFrame(const QByteArray& data, QRectF& frame);

    // The box a WMF without a placeable header draws in (its window when it sets one, else the
    // bounds of the points it draws), in its logical units; false when it draws nothing.
    static bool MeasureWindowsMetafile(const QByteArray& data, QRect& box);
    // The WMF with a placeable header for the box at unitsPerInch in front of it; the input
    // unchanged when it has one already, is no WMF, or its box does not fit 16 bits.
    static QByteArray WithPlaceableHeader(const QByteArray& data, int unitsPerInch = 1440);
};
