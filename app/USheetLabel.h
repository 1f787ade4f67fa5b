#pragma once
// The sheet-label clipboard format, in which running copies of the program exchange the contents of
// a label face, and the questions a paste onto a face asks.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class TOwnedDOList;

// The format's number: the application title followed by ".SheetLabel".
unsigned SheetLabelFormat();
// "Size" and the width and height (0.1 mm) as eight upper-case hexadecimal digits each.
QString SheetLabelSizeName(int width, int height);
// The size a name carries: only "Size" followed by exactly sixteen hexadecimal digits.
struct TSheetLabelSize {
    uint32_t Width = 0;
    uint32_t Height = 0;
};
std::optional<TSheetLabelSize> ParseSheetLabelSizeName(const QString& name);
// The clipboard bytes of a face: its objects (stored order) reversed into a list, the first of them
// named after the face's outer size, in the stored-list form. The objects keep that order and name.
QByteArray SheetLabelBytes(const TOwnedDOList& faceObjects, int width, int height);
// Reads clipboard bytes into objects (raising EReadError on damaged data, objects then empty) and
// answers the size the first object's name carries; that name is cleared. No size for an empty list
// or a missing or malformed name.
std::optional<TSheetLabelSize> ReadSheetLabel(const QByteArray& bytes, TOwnedDOList& objects);

// Why a paste onto a face asks first: the target holds data, or its outer size differs from the
// source's by more than 2 mm either way (an unknown source size always differs).
constexpr int kPasteTargetHoldsData = 1;
constexpr int kPasteSizeDiffers = 2;
constexpr int kPasteSizeTolerance = 20;
int FacePasteConditions(const std::optional<TSheetLabelSize>& source, int targetWidth, int targetHeight,
                        bool targetHoldsData);
// The question those conditions ask (empty when none is needed).
QString FacePasteQuestion(int conditions);
