#pragma once
// The ready-made effect styles of the catalogue "Effect.dat", each shown as the user's own picture
// with the style applied. The back-effect editor embeds it; a click applies the style, a double
// click confirms the host window.
//
// The thumbnails are made by the image browser's loader thread, each on an image data of its own
// read from a source taken here (a small JPEG copy of the picture): the loader never touches the
// work image data, which stays on the UI thread.

#include "app/UEffectPreview.h"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class IniFile;
class QAction;
class QButtonGroup;
class QGroupBox;
class TCustomImagePack;
class TFormPanel;
class TImageData;
class TWarningPanel;
class TfrmImageBrowser;

class TfrmEffectStyleBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5008;
    // The work picture is a JPEG copy fitted within this square.
    static constexpr int kWorkPictureSize = 200;

    explicit TfrmEffectStyleBrowser(QWidget* parent = nullptr);
    ~TfrmEffectStyleBrowser() override;

    // The work data becomes a small copy of data (picture, clip and effects); the style whose effects
    // equal the data's is selected (the previous choice stays when none does).
    void SetImageData(const TImageData* data);
    // The selected style; the default style (no effects) when none is selected.
    TEffectStyle GetSelectedStyle() const;
    bool HasSelection() const;
    int StyleCount() const { return int(styles_.size()); }
    const TEffectStyle& Style(int index) const { return styles_.at(size_t(index)); }
    int MatchedIndex() const { return matched_; }
    void SetClickAction(QAction* action);
    void SetDblClickAction(QAction* action);

    TfrmImageBrowser* Browser() const { return browser_; }
    TImageData* WorkData() const { return work_.get(); }

    QGroupBox* rgSize;
    QButtonGroup* grpSize;
    TWarningPanel* pnlWarning;
    TFormPanel* FormPanel1;
    std::unique_ptr<TCustomImagePack> CustomImagePack1;

private:
    void LoadCatalogue();
    void ShowCaptions();
    void SelectMatchingStyle();

    std::unique_ptr<IniFile> catalogue_;
    QStringList sections_;
    // Read once from the catalogue; the loader thread reads them too, so they never change.
    std::vector<TEffectStyle> styles_;
    std::unique_ptr<TImageData> work_;
    // What the loader makes thumbnails from; replaced only while the loader is stopped.
    std::shared_ptr<const TEffectSource> thumbSource_;
    TfrmImageBrowser* browser_;
    int matched_ = -1;
};

// The styles of an effect catalogue, one per section in file order.
std::vector<TEffectStyle> ReadEffectStyles(const IniFile& catalogue);
