#pragma once
// "PhotoCDイメージの設定": the window in which a Photo CD picture is taken, choosing colours, size
// and orientation over a live sample. The picture-file loader shows it for every ".pcd" file.

#include <QDialog>
#include <QString>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class TImagePanel;
class TPCDAccess;
class TPicture;

class TfrmPhotoCD : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPhotoCD(QWidget* parent = nullptr);
    ~TfrmPhotoCD() override;

    // Set before showing.
    void SetFileName(const QString& fileName) { fileName_ = fileName; }
    // The sample as it was when OK closed the window.
    TPicture& Result() { return *result_; }

    QGroupBox* rgColor;
    QButtonGroup* colorButtons;
    QGroupBox* rgSize;
    QButtonGroup* sizeButtons;
    QGroupBox* gbOption;
    QComboBox* cmbRotate;
    QCheckBox* cbVert;
    QCheckBox* cbHorz;
    QGroupBox* gbSample;
    TImagePanel* ipnlView;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The format, resolution and transform the choices stand for.
    int ChosenFormat() const;
    int ChosenResolution() const;
    int ChosenTransform() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Activate();
    void MakeSample();
    void OkClicked();

    std::unique_ptr<TPCDAccess> reader_;
    std::unique_ptr<TPicture> result_;
    QString fileName_;
    bool hasSample_ = false;
    bool activated_ = false;
};

// Shows the window for fileName over owner; true with the chosen picture when it closed with OK.
// Off the UI thread (a loader thread) the middle size is decoded upright instead.
bool PhotoCDLoader(QWidget* owner, const QString& fileName, TPicture& picture);
