#pragma once
// The photo size window of the layout editor: a width and height typed or picked from the list of
// the standard photo size and the named photo sizes, optionally turned.

#include "app/dialogs/UToolWindow.h"

#include <QString>
#include <memory>

class QCheckBox;
class QListWidget;
class TPhotoSizeInfo;

// "標準写真サイズ-89.0mm×127.0mm": the list entry of the standard size.
QString StandardPhotoSizeText(int width, int height);
// The object menu's register item: "標準写真サイズに登録" with the size registered (both sides at
// least 1) or "-未登録", then "(&D)".
QString RegistDefPhotoSizeCaption(int width, int height);

class TfrmPhotoSize : public TToolWindow {
    Q_OBJECT

public:
    // The named sizes come from the catalogue "AlbumPht.Dat" (none when it is nowhere).
    explicit TfrmPhotoSize(QWidget* parent = nullptr);
    ~TfrmPhotoSize() override;

    QListWidget* lstSize;
    TExSpinEdit* esWidth;
    TExSpinEdit* esHeight;
    QCheckBox* cbPotrait;

    // The standard size heads the list when both sides are at least 1.
    void SetStandardSize(int width, int height);
    void SetSize(int width, int height);
    // Each side 0 when its edit is empty, unreadable or out of range.
    void GetSize(int& width, int& height) const;

private:
    void FillList();
    // The list entry's size into the edits, turned when asked.
    void ApplyEntry();

    std::unique_ptr<TPhotoSizeInfo> catalogue_;
    int standardWidth_ = 0;
    int standardHeight_ = 0;
};
