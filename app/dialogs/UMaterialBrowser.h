#pragma once
// Pieces every material browser window is built from: the warning panel shown when the content is
// not found, the exclusive thumbnail-size buttons, and the loader that file packs use.

#include "imaging/UImagePack.h"

#include <QFrame>
#include <QString>
#include <QStringList>
#include <vector>

class QAbstractButton;
class QGroupBox;
struct TTemplateInfo;
class QButtonGroup;
class QLabel;
class QToolButton;

// The lines of a missing-content warning: first, an empty line, "$(AppName)の" and the request to set
// the disc (macros expanded).
QStringList ContentWarningLines(const QString& first, bool withFullStops = false);

// The panel "pnlWarning" holding the label "lblWarning"; hidden until shown.
class TWarningPanel : public QFrame {
    Q_OBJECT

public:
    explicit TWarningPanel(QWidget* parent);

    QLabel* lblWarning;

    QStringList Lines() const;
    void SetLines(const QStringList& lines);
    bool HasLines() const;
};

// One thumbnail-size button (checkable, in group, its size as its id).
struct TSizeButton {
    const char* Name;
    const char* Hint;
    int Size;
};

// Makes the buttons in one exclusive group; the one of checkedSize starts pressed.
std::vector<QToolButton*> AddSizeButtons(QWidget* parent, QButtonGroup* group,
                                         const std::vector<TSizeButton>& buttons, int checkedSize);

// The loader of pictures for file packs: the data module's thumbnails (through the image cache) when
// it runs, else the pack's own loading. Safe on a loader's worker thread.
TFileImagePackBase::TOnFileLoadEvent DataModuleFileLoader();

// The thumbnail of a template entry: a blank white 100 x 100 picture for a whole document, else the
// page's stored preview, else the default picture (also for a document that cannot be read). Safe on
// a loader's worker thread.
void LoadTemplateThumbnail(const TTemplateInfo& info, TPicture& picture);
// The picture shown for a page without a preview.
void GetDefaultTemplatePicture(TPicture& picture);

// The radio group "rgSize" "サイズ" of the template browsers: 50, 100 (chosen), 150 and 200 pixels,
// each button's id its size.
QGroupBox* CreateTemplateSizeGroup(QWidget* parent, QButtonGroup* group);
