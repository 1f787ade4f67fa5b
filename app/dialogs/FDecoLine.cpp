#include "app/dialogs/FDecoLine.h"

#include "app/UPanelPicture.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FMessage.h"
#include "controls/Exspined.h"
#include "core/UAppFrame.h"
#include "core/USupportUtil.h"
#include "pageobjects/layout/ULODecoLine.h"

#include <QAction>
#include <algorithm>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kLeastWidth = 10;
constexpr int kMostWidth = 300;
constexpr int kBrowserWidth = 420;
constexpr int kBrowserHeight = 300;

} // namespace

TfrmDecoLine::TfrmDecoLine(QWidget* parent)
    : TToolWindow(parent), picture_(std::make_unique<TPanelPicture>()) {
    setObjectName(QStringLiteral("frmDecoLine"));
    setWindowTitle(QStringLiteral("飾り罫線"));
    auto* content = new QGridLayout;
    auto* motifLabel = new QLabel(QStringLiteral("模様(&P)"), this);
    content->addWidget(motifLabel, 0, 0, 1, 3);
    motifs_ = new TfrmIllustFileBrowser(this);
    motifLabel->setBuddy(motifs_);
    motifs_->setObjectName(QStringLiteral("frmMotifs"));
    motifs_->setMinimumSize(kBrowserWidth, kBrowserHeight);
    content->addWidget(motifs_, 1, 0, 1, 3);
    // A double-click on a motif is OK.
    auto* pick = new QAction(this);
    connect(pick, &QAction::triggered, this, [this] { btnOK->click(); });
    motifs_->SetDblClickAction(pick);
    esLineWidth = NewLengthEdit(this, "esLineWidth", kLeastWidth, kMostWidth);
    esLineWidth->SetValue(kDefaultWidth);
    auto* label = new QLabel(QStringLiteral("太さ(&W)"), this);
    label->setBuddy(esLineWidth);
    content->addWidget(label, 2, 0);
    content->addWidget(esLineWidth, 2, 1);
    content->addWidget(new QLabel(QStringLiteral("mm"), this), 2, 2);
    content->setColumnStretch(2, 1);
    AcceptWhen([this] { return CanAccept(); });
    Finish(content);
}

TfrmDecoLine::~TfrmDecoLine() = default;

void TfrmDecoLine::LoadFrom(const TLODecoLine& line) {
    hasMotif_ = !IsPictureEmpty(line.Image());
    esLineWidth->SetValue(std::clamp(line.LineWidth(), kLeastWidth, kMostWidth));
}

void TfrmDecoLine::SaveTo(TLODecoLine& line) const {
    if (const TPictureEx* motif = picture_->Get(nullptr, motifs_->GetSelectedFileName(), false))
        line.SetImage(motif);
    if (const int width = ValidLength(*esLineWidth); width > 0)
        line.SetLineWidth(width);
    if (line.StartX() == line.EndX() && line.StartY() == line.EndY())
        line.SetEndPoint(TPoint(line.StartX() + kDefaultLength, line.StartY()));
}

bool TfrmDecoLine::CanAccept() {
    const QString file = motifs_->GetSelectedFileName();
    if (file.isEmpty() && !hasMotif_) {
        AppMessageBox(QStringLiteral("模様を選んでください。"), {bkOK}, 0, 0);
        return false;
    }
    // A motif that cannot be read is told about (naming the file) and the window stays.
    if (!file.isEmpty() && picture_->Get(this, file, true) == nullptr)
        return false;
    if (ValidLength(*esLineWidth) == 0) {
        AppMessageBox(QStringLiteral("太さは%1mmから%2mmの間で入力してください。")
                          .arg(kLeastWidth / 10)
                          .arg(kMostWidth / 10),
                      {bkOK}, 0, 0);
        esLineWidth->setFocus();
        return false;
    }
    return true;
}
