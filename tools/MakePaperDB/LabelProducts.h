#pragma once
// Makers' label products from the readable product table (one row per grid of faces, lengths in
// millimetres) as system papers: the maker is the paper's company and the product number is in
// its name, so a user finds the sheet by what is printed on the packet.

#include "papers/UPaperInfo.h"

#include <QByteArray>
#include <QStringList>
#include <memory>
#include <vector>

struct TLabelProduct {
    QString Maker;
    QString Part;
    QString Purpose;
    // The corner size of round-cornered faces, else 0.
    int RoundSize = 0;
    std::unique_ptr<TPaperInfo> Paper;
};

struct TLabelProductReport {
    int Rows = 0;
    int Products = 0;
    // "maker part: what" for each product clamped to its sheet, and for each one left out.
    QStringList Clamped;
    QStringList Refused;
};

// How far (tenths of a millimetre) a face may leave its sheet and still be clamped to it: the
// published layouts round their positions to a few tenths.
constexpr int kClampLimit = 5;

// The papers of every product of the table, ordered by maker and product number. Lines starting
// with "#" are notes; the first other line names the columns. A product whose row cannot be read,
// whose sheets differ between its rows, or whose faces overlap or leave the sheet by more than
// kClampLimit is left out and listed; one leaving it by less is clamped and listed. Throws
// Exception when the columns are not the expected ones.
std::vector<TLabelProduct> ReadLabelProducts(const QByteArray& table, TLabelProductReport& report);
