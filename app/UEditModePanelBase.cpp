#include "app/UEditModePanelBase.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FTwain.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "controls/UImagePanel.h"
#include "controls/UNotePanel.h"
#include "controls/UTabbedPanel.h"
#include "imaging/UPictureEX.h"
#include "imaging/UTwain.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Application.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>
#include <utility>

namespace {

constexpr int kTabRowHeight = 24;

} // namespace

TEditModePanelBase::TEditModePanelBase(QWidget* owner, const char* name)
    : QWidget(owner), layout_(new QVBoxLayout(this)) {
    setObjectName(QLatin1String(name));
    layout_->setContentsMargins(0, 0, 0, 0);
}

TEditModePanelBase::~TEditModePanelBase() = default;

TNotePanel* TEditModePanelBase::AddTabbedPages(const QStringList& captions, const char* noteName) {
    TabbedPanel1 = new TTabbedPanel(this);
    TabbedPanel1->setObjectName(QStringLiteral("TabbedPanel1"));
    TabbedPanel1->SetTabs(captions);
    TabbedPanel1->setMinimumHeight(kTabRowHeight);
    layout_->addWidget(TabbedPanel1);
    // The note panel lays its pages over itself as its siblings: they share this holder.
    auto* pages = new QWidget(this);
    auto* pagesLayout = new QVBoxLayout(pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    notes_ = new TNotePanel(pages);
    notes_->setObjectName(QLatin1String(noteName));
    pagesLayout->addWidget(notes_);
    layout_->addWidget(pages, 1);
    return notes_;
}

void TEditModePanelBase::StartOnPage(int page) {
    TabbedPanel1->SetTabIndex(page);
    TabbedPanel1->OnChange = [this](TObject*) { SetPage(TabbedPanel1->TabIndex()); };
    SetPage(page);
}

void TEditModePanelBase::SetPage(int page) {
    if (TabbedPanel1 == nullptr)
        return;
    if (TabbedPanel1->TabIndex() != page)
        TabbedPanel1->SetTabIndex(page);
    notes_->ShowPage(page);
}

QWidget* TEditModePanelBase::NewPage(const char* name) const {
    auto* page = new QWidget(notes_->parentWidget());
    if (name != nullptr)
        page->setObjectName(QLatin1String(name));
    return page;
}

QWidget* TEditModePanelBase::NewFormPage(const char* name, TFormPanel*& host) const {
    QWidget* page = NewPage(name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    host = new TFormPanel(page);
    layout->addWidget(host);
    return page;
}

QWidget* TEditModePanelBase::NewTwainPage(TImagePanel*& picture, QPushButton*& acquire) {
    QWidget* page = NewPage("pnlTwain");
    auto* layout = new QVBoxLayout(page);
    picture = new TImagePanel(page);
    picture->setObjectName(QStringLiteral("ipTwain"));
    layout->addWidget(picture, 1);
    acquire = new QPushButton(QStringLiteral("取り込み"), page);
    acquire->setObjectName(QStringLiteral("btnTwain"));
    acquire->setToolTip(QStringLiteral("ﾃﾞｼﾞｶﾒなどのTWAIN機器からｲﾒｰｼﾞを取込みます"));
    layout->addWidget(acquire);
    TImagePanel* shown = picture;
    connect(acquire, &QPushButton::clicked, this, [this, shown] { AcquireTwain(shown); });
    return page;
}

void TEditModePanelBase::AcquireTwain(TImagePanel* picture) {
    TPictureEx scanned;
    if (AcquireTwainPicture(window(), scanned))
        picture->SetPicture(scanned);
}

QPushButton* TEditModePanelBase::AddPasteButton(const char* name, QBoxLayout* row) {
    auto* button = new QPushButton(QStringLiteral("≪  貼る"), this);
    button->setObjectName(QLatin1String(name));
    (row != nullptr ? row : layout_)->addWidget(button);
    return button;
}

void TEditModePanelBase::CreateClickActions() {
    actSingleClick = new QAction(this);
    actSingleClick->setObjectName(QStringLiteral("actSingleClick"));
    actDoubleClick = new QAction(this);
    actDoubleClick->setObjectName(QStringLiteral("actDoubleClick"));
}

void TEditModePanelBase::HostBrowser(TFormPanel* host, TMaterialBrowserBase* browser) {
    host->SetForm(browser);
    browser->SetDblClickAction(actDoubleClick);
    browser->Browser()->ClickAction = actSingleClick;
}

void TEditModePanelBase::ApplyToObject(TDrawObject* object) {
    ApplyChange(object, true);
}

void TEditModePanelBase::ApplyToDefault() {
    if (TDrawObject* object = DefaultTarget())
        ApplyChange(object, false);
}

void TEditModePanelBase::ShowDefault() {
    if (TDrawObject* object = DefaultTarget())
        ShowObject(object);
}

void TEditModePanelBase::ApplyChange(TDrawObject*, bool) {}

TDrawObject* TEditModePanelBase::DefaultTarget() const {
    return nullptr;
}

void TEditModePanelBase::RequestApply() {
    if (CanApply())
        apply_(this);
}

void TEditModePanelBase::RequestInsert() {
    if (!CanInsert())
        return;
    const bool outer = std::exchange(inserting_, true);
    try {
        insert_(this);
    } catch (...) {
        inserting_ = outer;
        throw;
    }
    inserting_ = outer;
}

bool TEditModePanelBase::OnlySelected(TDrawSite* site, const std::function<bool(TDrawObject*)>& wanted) {
    if (site == nullptr)
        return false;
    TDOList selected;
    site->ListObjects(selected, true);
    if (selected.IsEmpty())
        return false;
    for (TDrawObject* object : selected)
        if (!wanted(object))
            return false;
    return true;
}
