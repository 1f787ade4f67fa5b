#include "app/dialogs/UMaterialBrowser.h"

#include "app/USharedData.h"
#include "app/dialogs/FImageBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UHistoryManager.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "papers/ULabelData.h"
#include "papers/UMaterialCatalog.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
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

// Same file name (without regard to case), sheet and face.
bool SameTemplate(const TTemplateInfo& a, const TTemplateInfo& b) {
    return a.FileName.compare(b.FileName, Qt::CaseInsensitive) == 0 && a.SheetIndex == b.SheetIndex &&
           a.FaceIndex == b.FaceIndex;
}

// Hands Return and Enter in the watched edit to a function.
class TEnterKeyFilter : public QObject {
public:
    TEnterKeyFilter(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), onEnter_(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
};

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

std::vector<QToolButton*> AddThumbSizeButtons(QWidget* parent, QButtonGroup* group) {
    return AddSizeButtons(parent, group,
                          {{"btnPix50", "プレビューサイズ小", 50},
                           {"btnPix80", "プレビューサイズ中", 80},
                           {"btnPix200", "プレビューサイズ大", 200}},
                          kFileThumbStartSize);
}

TFileImagePackBase::TOnFileLoadEvent DataModuleFileLoader() {
    return [](TObject*, const QString& fileName, TPicture& picture) {
        // Left empty without a data module: the pack then loads the file itself.
        if (ISharedData* data = sharedData())
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

// ---- TMaterialBrowserBase

TMaterialBrowserBase::TMaterialBrowserBase(QWidget* parent, std::unique_ptr<TImagePack> pack)
    : QWidget(parent), pack_(std::move(pack)) {}

TMaterialBrowserBase::~TMaterialBrowserBase() {
    DeleteBrowser();
}

void TMaterialBrowserBase::CreateBrowser() {
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    browser_ = new TfrmImageBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(pack_.get());
}

void TMaterialBrowserBase::DeleteBrowser() {
    delete browser_;
    browser_ = nullptr;
}

bool TMaterialBrowserBase::HasSelection() const {
    return browser_->SelectedIndex() != -1;
}

void TMaterialBrowserBase::SelectIndex(int index) {
    browser_->SelectIndex(index);
}

void TMaterialBrowserBase::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}

void TMaterialBrowserBase::SetThumbSize(int size) {
    if (browser_->ThumbSize() != size)
        browser_->SetThumbSize(size);
}

QString TMaterialBrowserBase::GetSelectedFileName() const {
    auto* files = dynamic_cast<TFileImagePackBase*>(pack_.get());
    const int index = browser_->SelectedIndex();
    return files != nullptr && index >= 0 && index < files->FileList().Count() ? files->FileList()[index]
                                                                               : QString();
}

bool TMaterialBrowserBase::ShowIDCaptions(int count, const std::function<QString(int index)>& idOf) {
    QStringList captions;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        captions.append(idOf(i));
        any = any || !captions.last().isEmpty();
    }
    if (any)
        browser_->SetItemCaptions(captions);
    else
        browser_->RefreshItems();
    return any;
}

void TMaterialBrowserBase::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        // Painting runs inside the event loop, which no exception may cross.
        try {
            FirstPaint();
        } catch (const std::exception& e) {
            qWarning("%s", e.what());
        }
    }
}

// ---- TTemplateBrowserBase

TTemplateBrowserBase::TTemplateBrowserBase(QWidget* parent)
    : TMaterialBrowserBase(parent, std::make_unique<TCustomImagePack>(nullptr)),
      CustomImagePack1(Pack<TCustomImagePack>()) {
    // The pack reads the entries on the loader's worker thread; the list changes only while the
    // browser's loader is stopped (ScanTemplates tells it first).
    CustomImagePack1->OnGetCount = [this](TObject*, int& count) { count = templates_.GetCount(); };
    CustomImagePack1->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        if (index >= 0 && index < templates_.GetCount())
            LoadTemplateThumbnail(templates_.GetItem(index), picture);
    };
}

TTemplateBrowserBase::~TTemplateBrowserBase() {
    // The pack reads templates_, which goes before the base deletes the browser.
    DeleteBrowser();
}

void TTemplateBrowserBase::CreateSizeGroup() {
    grpSize = new QButtonGroup(this);
    rgSize = CreateTemplateSizeGroup(this, grpSize);
    connect(grpSize, &QButtonGroup::idClicked, this, [this](int size) { browser_->SetThumbSize(size); });
}

void TTemplateBrowserBase::CreateTemplateBrowser() {
    CreateBrowser();
    browser_->SetThumbSize(grpSize->checkedId());
}

void TTemplateBrowserBase::ScanTemplates(const QString& folder, const TFaceInfo& filter) {
    const auto cursor = CreateWatchCursor();
    CustomImagePack1->NotifyUpdate();
    templates_.Scan(folder, &filter);
}

int TTemplateBrowserBase::FindTemplate(const TTemplateInfo& info) const {
    for (int i = 0; i < templates_.GetCount(); ++i) {
        if (SameTemplate(templates_.GetItem(i), info))
            return i;
    }
    return -1;
}

std::optional<TTemplateInfo> TTemplateBrowserBase::SelectedTemplate() const {
    const int index = browser_->SelectedIndex();
    if (index < 0 || index >= templates_.GetCount())
        return std::nullopt;
    return templates_.GetItem(index);
}

// ---- rows

TFolderHistoryControls CreateHistoryDropDown(QWidget* parent, THistoryManager& history, const QString& key,
                                             bool useAccelerator) {
    TFolderHistoryControls made{};
    made.Action = new QAction(QStringLiteral("▼"), parent);
    made.Action->setObjectName(QStringLiteral("actHistory"));
    made.Button = new QToolButton(parent);
    made.Button->setObjectName(QStringLiteral("btnHistory"));
    made.Button->setDefaultAction(made.Action);
    made.Menu = new QMenu(parent);
    made.Menu->setObjectName(QStringLiteral("popupHistory"));
    history.SetRegistryKey(key);
    history.ClearHistoryCaption = QStringLiteral("履歴の消去");
    history.SetUseAccelerator(useAccelerator);
    history.SetMenuItem(made.Menu->addAction(QString()));
    QObject::connect(made.Action, &QAction::triggered, made.Menu, [made] {
        made.Menu->popup(made.Button->mapToGlobal(QPoint(0, made.Button->height())));
    });
    return made;
}

void OnEnterKey(QLineEdit* edit, std::function<void()> onEnter) {
    edit->installEventFilter(new TEnterKeyFilter(edit, std::move(onEnter)));
}

TImageIDControls CreateImageIDRow(QWidget* parent, bool labelled) {
    TImageIDControls made{};
    made.Panel = new QWidget(parent);
    made.Panel->setObjectName(QStringLiteral("pnlImageID"));
    auto* row = new QHBoxLayout(made.Panel);
    row->setContentsMargins(0, 0, 0, 0);
    made.Edit = new QLineEdit(made.Panel);
    made.Edit->setObjectName(QStringLiteral("edtImageID"));
    made.Edit->setMaxLength(TImageIDControls::kLength);
    made.Edit->setToolTip(QStringLiteral("素材マニュアルの検索IDを入力して下さい"));
    if (labelled) {
        auto* label = new QLabel(QStringLiteral("ID"), made.Panel);
        label->setBuddy(made.Edit);
        row->addWidget(label);
    }
    made.Button = new QPushButton(QStringLiteral("検索"), made.Panel);
    made.Button->setObjectName(QStringLiteral("btnImageID"));
    made.Button->setEnabled(false);
    row->addWidget(made.Edit);
    row->addWidget(made.Button);
    if (labelled)
        row->addStretch();
    QObject::connect(made.Edit, &QLineEdit::textChanged, made.Button,
                     [button = made.Button](const QString& text) {
                         button->setEnabled(text.size() == TImageIDControls::kLength);
                     });
    made.Panel->hide();
    return made;
}
