#include "app/dialogs/FTemplate2.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FLabelDataBrowser.h"
#include "app/dialogs/FTemplateBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppUtil.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UProductDB.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kMinWidth = 560;
constexpr int kMinHeight = 460;
constexpr int kTabHeight = 26;

} // namespace

std::optional<TTemplateInfo>& TfrmTemplate2::LastChoice() {
    static std::optional<TTemplateInfo> last;
    return last;
}

TfrmTemplate2::TPage& TfrmTemplate2::LastPage() {
    static TPage page = kPageIllust;
    return page;
}

TfrmTemplate2::TfrmTemplate2(QWidget* parent) : QDialog(parent) {
    TWatchCursor cursor;
    setObjectName(QStringLiteral("frmTemplate2"));
    setProperty("HelpContext", 5013);
    setWindowTitle(QStringLiteral("テンプレートの選択"));
    setMinimumSize(kMinWidth, kMinHeight);
    shWarning = {QStringLiteral("現在のラベルに適合するデータが"), QStringLiteral("見つかりません")};
    auto* layout = new QVBoxLayout(this);
    TabbedPanel1 = new TTabbedPanel(this);
    TabbedPanel1->setObjectName(QStringLiteral("TabbedPanel1"));
    TabbedPanel1->setToolTip(QStringLiteral("取り込むテンプレートの種類を切替えます"));
    TabbedPanel1->SetTabs({QStringLiteral("テンプレート集"), QStringLiteral("保存したファイルから")});
    TabbedPanel1->setFixedHeight(kTabHeight);
    layout->addWidget(TabbedPanel1);
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    auto* illust = new QWidget(Notebook1);
    illust->setObjectName(QStringLiteral("Illust"));
    auto* file = new QWidget(Notebook1);
    file->setObjectName(QStringLiteral("File"));
    // Each page's one child keeps the page's size.
    for (QWidget* page : {illust, file}) {
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        Notebook1->addWidget(page);
    }
    FormPanel2 = new TFormPanel(illust);
    FormPanel2->setObjectName(QStringLiteral("FormPanel2"));
    illust->layout()->addWidget(FormPanel2);
    FormPanel1 = new TFormPanel(file);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    file->layout()->addWidget(FormPanel1);
    layout->addWidget(Notebook1, 1);

    auto* buttons = new QHBoxLayout;
    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    layout->addLayout(buttons);

    files_ = new TfrmLabelDataBrowser(FormPanel1);
    FormPanel1->SetForm(files_);
    files_->SetDblClickAction(actOK);
    files_->HideViewStyle();
    files_->SetWarningLines(shWarning);
    templates_ = new TfrmTemplateBrowser(FormPanel2);
    FormPanel2->SetForm(templates_);
    templates_->SetDblClickAction(actOK);

    connect(btnOk, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        const bool selected = Page() == kPageFile ? files_->HasSelection() : templates_->HasSelection();
        if (selected)
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    TabbedPanel1->OnChange = [this](TObject*) {
        Notebook1->setCurrentIndex(std::max(0, TabbedPanel1->TabIndex()));
        UpdateActions();
    };
    for (TTemplateBrowserBase* browser : {static_cast<TTemplateBrowserBase*>(templates_),
                                          static_cast<TTemplateBrowserBase*>(files_)})
        connect(browser->Browser()->Grid(), &TThumbGrid::selectionChanged, this, &TfrmTemplate2::UpdateActions);
    SetupForm(this);
    SetPage(LastPage());
    if (const std::optional<TTemplateInfo>& last = LastChoice(); last && !last->FileName.isEmpty())
        (LastPage() == kPageFile ? static_cast<TTemplateBrowserBase*>(files_)
                                 : static_cast<TTemplateBrowserBase*>(templates_))
            ->SetInitialSelection(*last);
}

TfrmTemplate2::~TfrmTemplate2() = default;

TfrmTemplate2::TPage TfrmTemplate2::Page() const {
    return Notebook1->currentIndex() == kPageFile ? kPageFile : kPageIllust;
}

void TfrmTemplate2::SetPage(TPage page) {
    TabbedPanel1->SetTabIndex(int(page));
    Notebook1->setCurrentIndex(int(page));
    UpdateActions();
}

void TfrmTemplate2::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab switches between the two kinds.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        SetPage(Page() == kPageIllust ? kPageFile : kPageIllust);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmTemplate2::event(QEvent* event) {
    // Ctrl+Tab is a focus move to Qt: it is taken before any child sees it.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier)) {
            if (event->type() == QEvent::KeyPress)
                SetPage(Page() == kPageIllust ? kPageFile : kPageIllust);
            event->accept();
            return true;
        }
    }
    return QDialog::event(event);
}

void TfrmTemplate2::UpdateActions() {
    const bool selected = Page() == kPageFile ? files_->HasSelection() : templates_->HasSelection();
    actOK->setEnabled(selected);
    btnOk->setEnabled(selected);
}

void TfrmTemplate2::SetFace(const TFaceInfo& face, const QString& paperName) {
    templates_->SetFaceInfo(face);
    files_->SetPaperName(paperName);
    UpdateActions();
}

bool TfrmTemplate2::HasTemplates() const {
    return templates_->cmbGenre->count() > 0;
}

bool TfrmTemplate2::GetSelection(TOwnedDOList& objects, TRect& faceRect) {
    const TPage page = Page();
    const std::optional<TTemplateInfo> selected =
        page == kPageFile ? files_->SelectedTemplate() : templates_->SelectedTemplate();
    if (!selected)
        return false;
    LastChoice() = *selected;
    LastPage() = page;
    return LoadTemplatePage(*selected, objects, faceRect);
}

bool LoadTemplatePage(const TTemplateInfo& info, TOwnedDOList& objects, TRect& faceRect) {
    TLabelData document(nullptr);
    document.LoadFromFile(info.FileName);
    // The file may have changed since it was listed.
    if (info.SheetIndex < 0 || info.SheetIndex >= document.GetSheetCount())
        return false;
    document.SetCurrentSheetNo(info.SheetIndex);
    const TMatrixPaperInfo* paper = document.GetLayoutPaper();
    if (!paper || info.FaceIndex < 0 || info.FaceIndex >= paper->GetFaceCount())
        return false;
    TOwnedDOList read;
    document.LoadLabelObjects(info.FaceIndex, read);
    std::vector<std::unique_ptr<TDrawObject>> items = read.TakeAll();
    std::reverse(items.begin(), items.end());
    for (auto& item : items)
        objects.Add(std::move(item));
    faceRect = paper->GetFaceOuterRect(info.FaceIndex);
    return true;
}

namespace {

// The text of item number (1 = the first) of a record; nullptr without the record or the item.
const TStringList* FieldText(const TProductInfo* record, int number) {
    if (!record || number < 1 || number > record->Items()->Count())
        return nullptr;
    return &record->Items()->GetItem(number - 1)->InfoLines();
}

} // namespace

bool ApplyTemplate(TLabelData& document, int face, const TDOList& objects, const TRect& templateFace) {
    if (templateFace.Width() <= 0 || templateFace.Height() <= 0)
        return false;
    const TMatrixPaperInfo* paper = document.GetLayoutPaper();
    if (!paper || face < 0 || face >= paper->GetFaceCount())
        return false;
    TRect from = templateFace;
    OffsetRect(from, -from.Left, -from.Top);
    TRect to = paper->GetFaceOuterRect(face);
    OffsetRect(to, -to.Left, -to.Top);
    RescaleObjects(objects, from, to);
    for (int i = 0; i < objects.Count(); ++i) {
        auto* text = dynamic_cast<TLOText*>(objects[i]);
        if (!text || text->FieldNo() == 0)
            continue;
        const TProductInfo* record = nullptr;
        switch (text->FieldType()) {
        case ftProduct:
            record = document.ProductInfo();
            break;
        case ftCreatorJapanese:
            record = document.CreatorInfoJ();
            break;
        case ftCreatorEnglish:
            record = document.CreatorInfoE();
            break;
        }
        // The number comes from the template's file: one the record does not have is left alone.
        if (const TStringList* lines = FieldText(record, text->FieldNo())) {
            text->Text()->Assign(*lines);
        }
    }
    document.StoreLabelObjects(face, objects);
    return true;
}
