#pragma once
// The modal window "表紙用写真の作成": a cover picture made as a collage of up to 16 pictures, each
// turned by a small random angle and scattered over a grid, taken from the album's photos or from
// the picture files of a folder. The cover-photo command shows the selected photo's picture first
// and on OK puts the collage into that photo.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <random>

class QAction;
class QProgressBar;
class QPushButton;
class TAINPicFileList;
class TAINPicList;
class TImagePanel;
class TImgNormalizeCallBackClass;
class TLabelData;
class TPicture;
class TShadowPanel;

// The most pictures a collage takes.
inline constexpr int kCollageMaxPictures = 16;

// The cells a row (and rows) of the collage grid for n pictures: the smallest k >= 1 with 2^k >= n
// and k x k >= n, so that every picture has a cell of its own.
int CollageGridSize(int n);

// Draws the collage of source's pictures into dest at width x height: k x k drawings (the pictures
// first, the remaining cells repeating random ones) in random cells, each fitted into one and a half
// cells and turned by up to 30 degrees either way, later ones over earlier ones, on white. step is
// called once before each drawing. Nothing for an empty source.
void MakeCoverCollage(TImgNormalizeCallBackClass& source, TPicture& dest, int width, int height,
                      std::mt19937& random, const std::function<void()>& step = {});

class TfrmCoverPicture : public QDialog {
    Q_OBJECT

public:
    static constexpr int kOutputWidth = 1024;
    static constexpr int kOutputHeight = 768;

    // Random layouts seeded from the clock, or from seed when given (tests).
    explicit TfrmCoverPicture(QWidget* parent = nullptr, std::optional<unsigned> seed = std::nullopt);
    ~TfrmCoverPicture() override;

    TShadowPanel* ShadowPanel1;
    TShadowPanel* pnlClipBoard;
    TImagePanel* imgPanel;
    QPushButton* btnFromAlbum;
    QPushButton* btnFromFolder;
    QPushButton* BitBtn1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QProgressBar* ProgressBar1;
    QAction* actReMake;

    // Borrowed; set before the window is shown.
    void SetDocument(TLabelData* document) { document_ = document; }
    void SetPreview(const TPicture& picture);
    // The collage made last (empty before the first).
    TPicture& GetResult() { return *result_; }
    const QString& LastFolder() const { return lastFolder_; }

    // A collage of at most 16 of the album's photos (covers left out).
    void FromAlbum();
    // A collage of at most 16 picture files of a folder chosen by the user.
    void FromFolder();
    // A new layout from the same pictures.
    void ReMake();
    // The collage from source, shown; OK becomes possible.
    void MakeAndShow(TImgNormalizeCallBackClass& source);

private:
    void UpdateActions();

    TLabelData* document_ = nullptr;
    std::mt19937 random_;
    std::unique_ptr<TPicture> result_;
    std::unique_ptr<TAINPicList> albumList_;
    std::unique_ptr<TAINPicFileList> folderList_;
    TImgNormalizeCallBackClass* current_ = nullptr;
    QString lastFolder_;
};
