#include "app/FModeBar.h"

#include "app/UAppHost.h"
#include "app/UModeRegistry.h"
#include "controls/UExButtons.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "imaging/UImagePack.h"
#include "platform/Application.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Left and Right in an open menu of a tool bar's menu buttons go to the neighbouring menu, as in a
// menu bar (Right still opens a submenu under the highlighted item). One walker per tool bar.
class TMenuButtonWalker : public QObject {
public:
    using QObject::QObject;
    void Add(QToolButton* button) {
        buttons_.push_back(button);
        button->menu()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu == nullptr || (key != Qt::Key_Left && key != Qt::Key_Right))
            return false;
        if (key == Qt::Key_Right && menu->activeAction() != nullptr && menu->activeAction()->menu() != nullptr)
            return false;
        std::vector<QToolButton*> shown;
        int at = -1;
        for (QToolButton* button : buttons_) {
            if (button == nullptr || !button->isVisible())
                continue;
            if (button->menu() == menu)
                at = int(shown.size());
            shown.push_back(button);
        }
        if (at < 0 || shown.size() < 2)
            return false;
        const int n = int(shown.size());
        QPointer<QToolButton> next = shown[size_t((at + (key == Qt::Key_Right ? 1 : n - 1)) % n)];
        menu->close();
        QTimer::singleShot(0, next, [next] {
            if (next && next->isVisible())
                next->showMenu();
        });
        return true;
    }

private:
    std::vector<QPointer<QToolButton>> buttons_;
};

int& GlobalStep() {
    static int step = -1;
    return step;
}

struct ButtonSpec {
    const char* name;
    const char* caption;
    const char* hint;
    int glyph;
};

constexpr ButtonSpec kSteps[] = {
    {"btnStart", "スタート", "起動画面", 0},
    {"btnPaper", "用紙", "用紙を選択します", 1},
    {"btnEdit", "編集", "アルバムを編集します", 2},
    {"btnPrintSheet", "印刷", "アルバムを印刷します", 3},
    {"btnSaveTo", "保存", "編集したデータを保存します", 4},
    {"btnExit", "終了", "$(AppName)を終了します", 5},
};

constexpr ButtonSpec kEditModes[] = {
    {"btnEditPhoto", "写真", "", 7}, {"btnText", "文字", "", 5},         {"btnIllust", "イラスト", "", 6},
    {"btnFigure", "図形", "", 14},   {"btnBackground", "用紙柄", "", 8},
};

constexpr int kStepGroup = 1;
constexpr int kEditModeGroup = 1;
constexpr int kStepGlyphStates = 2;
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 56;

TExSpeedButton* MakeButton(QWidget* parent, QHBoxLayout* layout, const ButtonSpec& spec, int group) {
    auto* button = new TExSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(spec.name));
    button->SetCaption(QString::fromUtf8(spec.caption));
    button->setToolTip(QString::fromUtf8(spec.hint));
    button->setProperty("Tag", spec.glyph);
    button->SetGroupIndex(group);
    button->SetFlat(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    layout->addWidget(button);
    return button;
}

void SetGlyphs(const std::vector<TExSpeedButton*>& buttons, TImagePack* pack) {
    if (!pack)
        return;
    for (TExSpeedButton* button : buttons) {
        const QImage glyph = PackCellImage(pack, button->property("Tag").toInt());
        if (glyph.isNull())
            continue;
        button->SetNumGlyphs(kStepGlyphStates);
        button->SetGlyph(glyph);
        button->setIconSize(QSize(glyph.width() / kStepGlyphStates, glyph.height()));
    }
}

} // namespace

// ---- step bar

TframeModeBarEx::TframeModeBarEx(QWidget* parent, IAppHost* host) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("frameModeBar1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    TExSpeedButton** fields[] = {&btnStart, &btnPaper, &btnEdit, &btnPrintSheet, &btnSaveTo, &btnExit};
    for (int i = 0; i < 6; ++i) {
        if (i == kStepSaveTo)
            layout->addSpacing(16);
        *fields[i] = MakeButton(this, layout, kSteps[i], i < kStepSaveTo ? kStepGroup : 0);
        const int step = i;
        connect(*fields[i], &QAbstractButton::clicked, this,
                [this, step] { TApplication::Guard(nullptr, [&] { StepClicked(step); }); });
    }
    layout->addStretch(1);
}

int TframeModeBarEx::CurrentStep() {
    return GlobalStep();
}

void TframeModeBarEx::ResetCurrentStep() {
    GlobalStep() = -1;
}

TExSpeedButton* TframeModeBarEx::StepButton(int step) const {
    TExSpeedButton* const buttons[] = {btnStart, btnPaper, btnEdit, btnPrintSheet, btnSaveTo};
    return step >= 0 && step <= kStepSaveTo ? buttons[step] : nullptr;
}

void TframeModeBarEx::DisableSteps() {
    for (int step = kStepPaper; step <= kStepSaveTo; ++step)
        SetStepEnabled(step, false);
}

void TframeModeBarEx::EnableEditingSteps() {
    DisableSteps();
    for (int step : {kStepPaper, kStepEdit, kStepSaveTo})
        SetStepEnabled(step, true);
    SetStepEnabled(kStepPrintSheet, IsModeFormRegistered(mkPrint));
}

void TframeModeBarEx::SetStepEnabled(int step, bool enabled) {
    // The button's own state: a disabled window around it (the splash holds the main window) must
    // not hide a change.
    if (TExSpeedButton* button = StepButton(step);
        button && button->testAttribute(Qt::WA_ForceDisabled) == enabled)
        button->setEnabled(enabled);
}

void TframeModeBarEx::SetCurrentStep(int step) {
    if (TExSpeedButton* button = StepButton(step); button && !button->Down())
        button->SetDown(true);
    GlobalStep() = step;
}

void TframeModeBarEx::resizeEvent(QResizeEvent* event) {
    if (!glyphsSet_) {
        glyphsSet_ = true;
        btnExit->setToolTip(ExpandMacros(QStringLiteral("$(AppName)を終了します")));
        if (host_)
            SetGlyphs({btnStart, btnPaper, btnEdit, btnPrintSheet, btnSaveTo, btnExit}, host_->ModeBarImages());
    }
    QFrame::resizeEvent(event);
}

void TframeModeBarEx::StepClicked(int step) {
    IAppHost* main = host_;
    if (!main)
        return;
    if (step == kStepSaveTo) {
        main->Action(haSave)->trigger();
        return;
    }
    if (step > kStepSaveTo) {
        main->Action(haExit)->trigger();
        return;
    }
    const int previous = GlobalStep();
    if (step == previous)
        return;
    // Leaving the document for the start or the paper asks to save it; a cancel keeps the step.
    bool entered = false;
    switch (step) {
    case kStepStart:
    case kStepPaper:
        entered = main->ClearModified() && main->EnterModeKind(step == kStepStart ? mkStartMenu : mkPaper);
        break;
    case kStepEdit:
        entered = main->EnterModeKind(mkLayout);
        break;
    case kStepPrintSheet:
        entered = main->EnterModeKind(mkPrint);
        break;
    }
    if (!entered) {
        if (TExSpeedButton* back = StepButton(previous))
            back->SetDown(true);
        else if (TExSpeedButton* clicked = StepButton(step))
            clicked->SetDown(false);
        return;
    }
    // The bar may belong to the form that was just replaced.
    GlobalStep() = step;
}

// ---- edit mode bar

TframeEditModeBar::TframeEditModeBar(QWidget* parent, IAppHost* host) : QFrame(parent), host_(host) {
    setObjectName(QStringLiteral("frameEditModeBar1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    TExSpeedButton** fields[] = {&btnEditPhoto, &btnText, &btnIllust, &btnFigure, &btnBackground};
    for (int i = 0; i < 5; ++i)
        *fields[i] = MakeButton(this, layout, kEditModes[i], kEditModeGroup);
    layout->addStretch(1);
}

TExSpeedButton* TframeEditModeBar::ModeButton(int index) const {
    TExSpeedButton* const buttons[] = {btnEditPhoto, btnText, btnIllust, btnFigure, btnBackground};
    return index >= 0 && index < 5 ? buttons[index] : nullptr;
}

void TframeEditModeBar::SetCurrentMode(int index) {
    if (TExSpeedButton* button = ModeButton(index); button && !button->Down())
        button->SetDown(true);
}

void TframeEditModeBar::resizeEvent(QResizeEvent* event) {
    if (!glyphsSet_) {
        glyphsSet_ = true;
        if (host_)
            SetGlyphs({btnEditPhoto, btnText, btnIllust, btnFigure, btnBackground}, host_->CommandImages());
    }
    QFrame::resizeEvent(event);
}

TModeFormColumn BuildModeFormColumn(QWidget* form, IAppHost* host, int lastStep, int current) {
    TModeFormColumn column;
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    column.tbMenu = new QToolBar(form);
    column.tbMenu->setObjectName(QStringLiteral("tbMenu"));
    layout->addWidget(column.tbMenu);
    column.frameModeBar1 = new TframeModeBarEx(form, host);
    layout->addWidget(column.frameModeBar1);
    column.frameModeBar1->DisableSteps();
    for (int step = TframeModeBarEx::kStepStart; step <= lastStep; ++step)
        column.frameModeBar1->SetStepEnabled(step, true);
    column.frameModeBar1->SetCurrentStep(current);
    column.FormPanel1 = new TFormPanel(form);
    column.FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(column.FormPanel1, 1);
    return column;
}

QToolButton* AddMenuButton(QToolBar* bar, const char* name, const QString& text, QMenu* menu) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(button);
    TMenuButtonWalker* walker = nullptr;
    for (QObject* child : bar->children())
        if (auto* found = dynamic_cast<TMenuButtonWalker*>(child))
            walker = found;
    if (walker == nullptr)
        walker = new TMenuButtonWalker(bar);
    walker->Add(button);
    return button;
}
