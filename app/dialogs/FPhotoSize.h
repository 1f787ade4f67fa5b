#pragma once
// The photo size window of the layout editor: a width and height typed or picked from the list of
// the standard photo size and the named photo sizes, optionally turned.

#include "app/dialogs/UToolWindow.h"

#include <QString>
#include <vector>

class QCheckBox;
class QListWidget;

// A named photo size in tenths of a millimetre.
struct TPhotoSizeEntry {
    QString Name;
    int Width = 0;
    int Height = 0;
};

// "標準写真サイズ-89.0mm×127.0mm": the list entry of the standard size.
QString StandardPhotoSizeText(int width, int height);
// The object menu's register item: "標準写真サイズに登録" with the size registered (both sides at
// least 1) or "-未登録", then "(&D)".
QString RegistDefPhotoSizeCaption(int width, int height);

class TfrmPhotoSize : public TToolWindow {
    Q_OBJECT

public:
    explicit TfrmPhotoSize(QWidget* parent = nullptr);

    QListWidget* lstSize;
    TExSpinEdit* esWidth;
    TExSpinEdit* esHeight;
    QCheckBox* cbPotrait;

    // The named sizes listed after the standard size, in their order.
    void SetCatalogue(std::vector<TPhotoSizeEntry> sizes);
    // The standard size heads the list when both sides are at least 1.
    void SetStandardSize(int width, int height);
    void SetSize(int width, int height);
    // Each side 0 when its edit is empty, unreadable or out of range.
    void GetSize(int& width, int& height) const;

private:
    void FillList();
    // The list entry's size into the edits, turned when asked.
    void ApplyEntry();

    std::vector<TPhotoSizeEntry> catalogue_;
    int standardWidth_ = 0;
    int standardHeight_ = 0;
};
