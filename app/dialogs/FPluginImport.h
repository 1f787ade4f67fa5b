#pragma once
// The image-generation plug-ins found in the plug-in folder: the user chooses one, runs it (it shows
// a window of its own) and sees the picture it delivers; the illustration panel takes that picture.

#include <QDialog>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class TImagePanel;
class TPicture;
class TPluginList;
struct IUnknownEx;

class TfrmPluginImprt : public QDialog {
    Q_OBJECT

public:
    // plugins and host are borrowed (the data module's list and host object when not given).
    explicit TfrmPluginImprt(QWidget* owner = nullptr, TPluginList* plugins = nullptr,
                             IUnknownEx* host = nullptr);
    ~TfrmPluginImprt() override;

    // The picture shown in pnlImage.
    TPicture& GetPicture();
    // The chosen plug-in's index, kept for the run.
    static int RememberedIndex();

    QLabel* lblPlugins;
    QComboBox* cmbPlugins;
    QPushButton* btnExecPlugin;
    TImagePanel* pnlImage;
    QLabel* pnlWarning;

    // "呼び出し": runs the chosen plug-in and shows its picture. A failure of the plug-in raises
    // EOleSysError; a plug-in that made nothing leaves the picture as it was.
    void ExecPlugin();

private:
    TPluginList* plugins_;
    IUnknownEx* host_;
};
