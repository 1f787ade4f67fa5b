#include "app/dialogs/UMaterialBrowser.h"

#include "app/DMain.h"
#include "core/UAppFrame.h"
#include "core/USupportUtil.h"
#include "papers/ULabelData.h"
#include "papers/UMaterialCatalog.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

namespace {

constexpr int kWarningMargin = 16;
constexpr int kBlankTemplateSize = 100;
constexpr uint8_t kDefaultFill = 0xE6;
constexpr uint8_t kDefaultEdge = 0x80;
constexpr int kTemplateSizes[] = {50, 100, 150, 200};
constexpr int kTemplateStartSize = 100;

// A 24-bit square of fill with an edge of one pixel.
void MakeSquare(TPicture& picture, uint8_t fill, uint8_t edge) {
    auto bitmap = std::make_unique<TBitmap>(kBlankTemplateSize, kBlankTemplateSize, pf24bit);
    for (int y = 0; y < kBlankTemplateSize; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        const bool border = y == 0 || y == kBlankTemplateSize - 1;
        std::memset(row, border ? edge : fill, size_t(kBlankTemplateSize) * 3);
        std::memset(row, edge, 3);
        std::memset(row + (kBlankTemplateSize - 1) * 3, edge, 3);
    }
    bitmap->Changed();
    picture.TakeGraphic(std::move(bitmap));
}

} // namespace

QStringList ContentWarningLines(const QString& first, bool withFullStops) {
    return {first, QString(), ExpandMacros(QStringLiteral("$(AppName)の")),
            withFullStops ? QStringLiteral("CDを正しくセットしてください。")
                          : QStringLiteral("CDを正しくセットしてください")};
}

TWarningPanel::TWarningPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnlWarning"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kWarningMargin, kWarningMargin, kWarningMargin, kWarningMargin);
    lblWarning = new QLabel(this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblWarning);
    hide();
}

QStringList TWarningPanel::Lines() const {
    return lblWarning->text().split(u'\n');
}

void TWarningPanel::SetLines(const QStringList& lines) {
    lblWarning->setText(lines.join(u'\n'));
}

bool TWarningPanel::HasLines() const {
    return !lblWarning->text().isEmpty();
}

std::vector<QToolButton*> AddSizeButtons(QWidget* parent, QButtonGroup* group,
                                         const std::vector<TSizeButton>& buttons, int checkedSize) {
    group->setExclusive(true);
    std::vector<QToolButton*> made;
    for (const TSizeButton& b : buttons) {
        auto* button = new QToolButton(parent);
        button->setObjectName(QString::fromLatin1(b.Name));
        button->setToolTip(QString::fromUtf8(b.Hint));
        button->setText(QString::number(b.Size));
        button->setCheckable(true);
        button->setChecked(b.Size == checkedSize);
        group->addButton(button, b.Size);
        made.push_back(button);
    }
    return made;
}

TFileImagePackBase::TOnFileLoadEvent DataModuleFileLoader() {
    return [](TObject*, const QString& fileName, TPicture& picture) {
        // Left empty without a data module: the pack then loads the file itself.
        if (TdataMain* data = dataMain())
            data->GetPreviewImage(fileName, picture);
    };
}

void GetDefaultTemplatePicture(TPicture& picture) {
    MakeSquare(picture, kDefaultFill, kDefaultEdge);
}

void LoadTemplateThumbnail(const TTemplateInfo& info, TPicture& picture) {
    if (info.WholeFile) {
        MakeSquare(picture, 0xFF, 0xFF);
        return;
    }
    bool loaded = false;
    try {
        loaded = TLabelData::LoadPreviewFromFile(picture, info.FileName, info.SheetIndex, info.FaceIndex) &&
                 !IsPictureEmpty(&picture);
    } catch (const Exception&) {
        // A damaged document shows the default picture; the scan already named it.
    }
    if (!loaded)
        GetDefaultTemplatePicture(picture);
}

QGroupBox* CreateTemplateSizeGroup(QWidget* parent, QButtonGroup* group) {
    auto* box = new QGroupBox(QStringLiteral("サイズ"), parent);
    box->setObjectName(QStringLiteral("rgSize"));
    auto* layout = new QGridLayout(box);
    group->setExclusive(true);
    int column = 0;
    for (int size : kTemplateSizes) {
        auto* button = new QRadioButton(QStringLiteral("%1x%1").arg(size), box);
        button->setChecked(size == kTemplateStartSize);
        group->addButton(button, size);
        layout->addWidget(button, 0, column++);
    }
    return box;
}
