#include "app/dialogs/FPluginImport.h"

#include "app/USharedData.h"
#include "controls/UImagePanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UPluginList.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

int rememberedIndex = 0;

} // namespace

TfrmPluginImprt::TfrmPluginImprt(QWidget* owner, TPluginList* plugins, IUnknownEx* host)
    : QDialog(owner), plugins_(plugins), host_(host) {
    if (ISharedData* data = sharedData(); plugins_ == nullptr && data != nullptr) {
        plugins_ = data->ImportPlugins();
        host_ = data->PluginHost();
    }
    setObjectName(QStringLiteral("frmPluginImprt"));
    setWindowTitle(QStringLiteral("プラグインからの取り込み"));
    lblPlugins = new QLabel(QStringLiteral("組み込まれているプラグイン(&P)"), this);
    cmbPlugins = new QComboBox(this);
    cmbPlugins->setObjectName(QStringLiteral("cmbPlugins"));
    cmbPlugins->setToolTip(QStringLiteral("呼び出したいプラグインを選んで下さい"));
    lblPlugins->setBuddy(cmbPlugins);
    btnExecPlugin = new QPushButton(QStringLiteral("呼び出し"), this);
    btnExecPlugin->setObjectName(QStringLiteral("btnExecPlugin"));
    pnlImage = new TImagePanel(this);
    pnlImage->setObjectName(QStringLiteral("pnlImage"));
    pnlImage->setMinimumSize(240, 180);
    pnlWarning = new QLabel(
        QStringLiteral("画像生成プラグインが見つかりません\n\n「PLUGINS」フォルダに必要なDLLファイル\n"
                       "があるか確認してください。"),
        this);
    pnlWarning->setObjectName(QStringLiteral("pnlWarning"));
    pnlWarning->setAlignment(Qt::AlignCenter);
    pnlWarning->setFrameShape(QFrame::StyledPanel);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblPlugins, 0, 0, 1, 2);
    layout->addWidget(cmbPlugins, 1, 0);
    layout->addWidget(btnExecPlugin, 1, 1);
    layout->addWidget(pnlImage, 2, 0, 1, 2);
    layout->addWidget(pnlWarning, 2, 0, 1, 2);

    const int count = plugins_ != nullptr ? plugins_->GetCount() : 0;
    for (int i = 0; i < count; ++i)
        cmbPlugins->addItem(plugins_->GetServerName(i));
    pnlWarning->setVisible(count == 0);
    if (count == 0) {
        cmbPlugins->setEnabled(false);
        btnExecPlugin->setEnabled(false);
    } else {
        cmbPlugins->setCurrentIndex(rememberedIndex < count ? rememberedIndex : 0);
    }
    connect(cmbPlugins, &QComboBox::activated, this, [](int index) { rememberedIndex = index; });
    connect(btnExecPlugin, &QPushButton::clicked, this, [this] {
        try {
            ExecPlugin();
        } catch (const std::exception& e) {
            AppShowMessage(QString::fromUtf8(e.what()));
        }
    });
    SetupForm(this);
}

TfrmPluginImprt::~TfrmPluginImprt() = default;

TPicture& TfrmPluginImprt::GetPicture() {
    return pnlImage->Picture();
}

int TfrmPluginImprt::RememberedIndex() {
    return rememberedIndex;
}

void TfrmPluginImprt::ExecPlugin() {
    if (plugins_ == nullptr || plugins_->GetCount() == 0)
        return;
    const int index = cmbPlugins->currentIndex() >= 0 ? cmbPlugins->currentIndex() : 0;
    TIntf<IComponentObject> object = plugins_->CreateInstance(index, host_);
    TIntf<IImageGenerator> generator = Supports<IImageGenerator>(object.get());
    if (!generator)
        return;
    TMemoryStream stream;
    try {
        if (!generator->Run(this))
            return;
        generator->SaveToStream(stream);
    } catch (const EOleSysError&) {
        throw;
    } catch (const std::exception& e) {
        throw EOleSysError(QString::fromUtf8(e.what()), E_FAIL);
    }
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    pnlImage->SetPicture(picture);
}
