#include "platform/DialogService.h"

#include "platform/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

struct ButtonText {
    TBitBtnKind kind;
    const char* caption;
    QMessageBox::ButtonRole role;
};

// Captions of the window system's message dialog, in the order of the button kinds.
constexpr ButtonText kButtons[] = {
    {bkCustom, "すべてはい(&A)", QMessageBox::YesRole}, {bkOK, "OK", QMessageBox::AcceptRole},
    {bkCancel, "キャンセル", QMessageBox::RejectRole},  {bkHelp, "ヘルプ(&H)", QMessageBox::HelpRole},
    {bkYes, "はい(&Y)", QMessageBox::YesRole},          {bkNo, "いいえ(&N)", QMessageBox::NoRole},
    {bkClose, "すべていいえ(&O)", QMessageBox::NoRole}, {bkAbort, "中止(&A)", QMessageBox::RejectRole},
    {bkRetry, "再試行(&R)", QMessageBox::AcceptRole},   {bkIgnore, "無視(&I)", QMessageBox::AcceptRole},
    {bkAll, "すべて(&A)", QMessageBox::AcceptRole},
};

constexpr int kMaxCopies = 999;

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

class WindowSystemDialogs final : public DialogService {
public:
    TModalResult MessageBox(const QString& text, const std::vector<TBitBtnKind>& buttons, int defaultIndex,
                            int cancelIndex) override {
        // The system's texts break lines with CR LF; a label wants LF alone.
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QMessageBox box(QMessageBox::Information, TApplication::Title(), shown, QMessageBox::NoButton,
                        DialogParent());
        std::vector<QAbstractButton*> made;
        for (TBitBtnKind kind : buttons) {
            const ButtonText& b = kButtons[static_cast<int>(kind)];
            made.push_back(box.addButton(QString::fromUtf8(b.caption), b.role));
        }
        const int count = static_cast<int>(made.size());
        if (defaultIndex >= 0 && defaultIndex < count)
            box.setDefaultButton(static_cast<QPushButton*>(made[static_cast<size_t>(defaultIndex)]));
        if (cancelIndex >= 0 && cancelIndex < count)
            box.setEscapeButton(made[static_cast<size_t>(cancelIndex)]);
        box.exec();
        for (int i = 0; i < count; ++i) {
            if (box.clickedButton() == made[static_cast<size_t>(i)])
                return MessageDialogResult(buttons[static_cast<size_t>(i)]);
        }
        return mrCancel;
    }

    bool OpenFile(TFileDialogRequest& request, QStringList& fileNames) override {
        QFileDialog dialog(DialogParent(), request.Title, FileDialogStartFolder(request.InitialDir));
        Prepare(dialog, request);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.AllowMultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        fileNames = dialog.selectedFiles();
        Finish(dialog, request);
        return !fileNames.isEmpty();
    }

    bool SaveFile(TFileDialogRequest& request, QString& fileName) override {
        QFileDialog dialog(DialogParent(), request.Title, FileDialogStartFolder(request.InitialDir));
        Prepare(dialog, request);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
        if (!request.DefaultExt.isEmpty())
            dialog.setDefaultSuffix(request.DefaultExt);
        if (!request.FilterDefaultExts.isEmpty()) {
            const QStringList filters = FileDialogNameFilters(request.Filter);
            const QStringList exts = request.FilterDefaultExts;
            const auto follow = [&dialog, filters, exts](const QString& filter) {
                const qsizetype index = filters.indexOf(filter);
                if (index >= 0 && index < exts.size() && !exts[index].isEmpty())
                    dialog.setDefaultSuffix(exts[index]);
            };
            follow(dialog.selectedNameFilter());
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        fileName = dialog.selectedFiles().constFirst();
        Finish(dialog, request);
        return true;
    }

    bool SelectFolder(const QString& title, QString& folder) override {
        const QString chosen = QFileDialog::getExistingDirectory(DialogParent(), title, folder);
        if (chosen.isEmpty())
            return false;
        folder = chosen;
        return true;
    }

    bool SelectColor(uint32_t& color, TCustomColors& customColors) override {
        const auto toQ = [](uint32_t c) {
            return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                          static_cast<int>((c >> 16) & 0xFF));
        };
        const int count = std::min(QColorDialog::customCount(), int(customColors.size()));
        for (int i = 0; i < count; ++i)
            QColorDialog::setCustomColor(i, toQ(customColors[size_t(i)]));
        const QColor chosen = QColorDialog::getColor(toQ(color), DialogParent());
        for (int i = 0; i < count; ++i) {
            const QColor c = QColorDialog::customColor(i);
            customColors[size_t(i)] = static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
                                      static_cast<uint32_t>(c.blue()) << 16;
        }
        if (!chosen.isValid())
            return false;
        color = static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
                static_cast<uint32_t>(chosen.blue()) << 16;
        return true;
    }

    bool Print(TPrintDialogRequest& request) override {
        QPrinter printer;
        if (!request.PrinterName.isEmpty())
            printer.setPrinterName(request.PrinterName);
        printer.setCopyCount(request.Copies);
        printer.setCollateCopies(request.Collate);
        printer.setFromTo(request.FromPage, request.ToPage);
        QPrintDialog dialog(&printer, DialogParent());
        dialog.setMinMax(request.MinPage, request.MaxPage);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        request.PrinterName = printer.printerName();
        request.Copies = printer.copyCount();
        request.Collate = printer.collateCopies();
        request.FromPage = printer.fromPage();
        request.ToPage = printer.toPage();
        return true;
    }

    bool SelectScanner(const QStringList& devices, int& index) override {
        QDialog dialog(DialogParent());
        dialog.setObjectName(QStringLiteral("dlgSelectSource"));
        dialog.setWindowTitle(QStringLiteral("スキャナの選択"));
        auto* list = new QListWidget(&dialog);
        list->setObjectName(QStringLiteral("lbSources"));
        list->addItems(devices);
        list->setCurrentRow(std::clamp(index, 0, int(devices.size()) - 1));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("選択"));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!devices.isEmpty());
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(QStringLiteral("ソース(&S):"), &dialog);
        label->setBuddy(list);
        layout->addWidget(label);
        layout->addWidget(list);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
            return false;
        index = list->currentRow();
        return true;
    }

    bool PageSetup(TPageSetupRequest& request) override {
        // A dialog of our own rather than the toolkit's page set-up: that one reads the queue's own
        // default sheet and has no copies, so it disagreed with the printer set-up and the job.
        QList<QPageSize> sizes = request.Sizes;
        if (sizes.isEmpty())
            for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
                if (id != QPageSize::Custom && QPageSize::windowsId(QPageSize::PageSizeId(id)) > 0)
                    sizes.append(QPageSize(QPageSize::PageSizeId(id)));
        int current = PageSetupSizeIndex(sizes, request.PageSize);
        if (current < 0 && request.PageSize.isValid()) {
            sizes.prepend(request.PageSize);
            current = 0;
        }
        QDialog dialog(DialogParent());
        dialog.setObjectName(QStringLiteral("dlgPrinterProperties"));
        dialog.setWindowTitle(QStringLiteral("%1 のプロパティ").arg(request.PrinterName));
        auto* size = new QComboBox(&dialog);
        size->setObjectName(QStringLiteral("cmbSize"));
        for (const QPageSize& s : sizes)
            size->addItem(s.name());
        size->setCurrentIndex(std::max(0, current));
        auto* portrait = new QRadioButton(QStringLiteral("縦"), &dialog);
        portrait->setObjectName(QStringLiteral("rbPortrait"));
        auto* landscape = new QRadioButton(QStringLiteral("横"), &dialog);
        landscape->setObjectName(QStringLiteral("rbLandscape"));
        (request.Orientation == QPageLayout::Landscape ? landscape : portrait)->setChecked(true);
        auto* copies = new QSpinBox(&dialog);
        copies->setObjectName(QStringLiteral("spnCopies"));
        copies->setRange(1, kMaxCopies);
        copies->setValue(std::clamp(request.Copies, 1, kMaxCopies));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* orientation = new QHBoxLayout;
        orientation->addWidget(portrait);
        orientation->addWidget(landscape);
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("用紙サイズ:"), size);
        form->addRow(QStringLiteral("印刷の向き:"), orientation);
        form->addRow(QStringLiteral("部数:"), copies);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(form);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        if (size->currentIndex() >= 0 && size->currentIndex() < sizes.size())
            request.PageSize = sizes[size->currentIndex()];
        request.Orientation = landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
        request.Copies = copies->value();
        return true;
    }

private:
    static void Prepare(QFileDialog& dialog, const TFileDialogRequest& request) {
        const QStringList filters = FileDialogNameFilters(request.Filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            const int index = request.FilterIndex - 1;
            if (index >= 0 && index < filters.size())
                dialog.selectNameFilter(filters[index]);
        }
        if (!request.FileName.isEmpty())
            dialog.selectFile(request.FileName);
    }

    static void Finish(const QFileDialog& dialog, TFileDialogRequest& request) {
        const int index = FileDialogNameFilters(request.Filter).indexOf(dialog.selectedNameFilter());
        if (index >= 0)
            request.FilterIndex = index + 1;
    }
};

WindowSystemDialogs& WindowSystemInstance() {
    static WindowSystemDialogs dialogs;
    return dialogs;
}

DialogService*& Installed() {
    static DialogService* service = nullptr;
    return service;
}

} // namespace

TModalResult MessageDialogResult(TBitBtnKind kind) {
    switch (kind) {
    case bkCustom:
        return mrYesToAll;
    case bkOK:
        return mrOk;
    case bkCancel:
        return mrCancel;
    case bkHelp:
        return mrNone;
    case bkYes:
        return mrYes;
    case bkNo:
        return mrNo;
    case bkClose:
        return mrNoToAll;
    case bkAbort:
        return mrAbort;
    case bkRetry:
        return mrRetry;
    case bkIgnore:
        return mrIgnore;
    case bkAll:
        return mrAll;
    }
    return mrNone;
}

bool DialogService::SelectColor(uint32_t& color) {
    TCustomColors customColors;
    customColors.fill(0xFFFFFF);
    return SelectColor(color, customColors);
}

bool DialogService::Confirm(const QString& text) {
    return MessageBox(text, {bkOK, bkCancel}, 0, 1) == mrOk;
}

DialogService& DialogService::Instance() {
    DialogService* service = Installed();
    return service ? *service : WindowSystemInstance();
}

DialogService& DialogService::WindowSystem() {
    return WindowSystemInstance();
}

QString BitBtnKindCaption(TBitBtnKind kind) {
    return QString::fromUtf8(kButtons[static_cast<int>(kind)].caption);
}

void DialogService::SetInstance(DialogService* service) {
    Installed() = service;
}

QString FileDialogStartFolder(const QString& initialDir) {
    if (!initialDir.isEmpty())
        return initialDir;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QStringList FileDialogNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            // "*.*" means every file on the system the filters were written for, with or without a dot.
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        // A description that shows its patterns already ("データ(*.qld)") would show them twice, as the
        // dialog adds the patterns it filters by.
        QString description = parts[i].trimmed();
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0 && description.endsWith(QLatin1Char(')')) &&
            description.indexOf(QLatin1Char('*'), open) > open)
            description = description.left(open).trimmed();
        result.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')'));
    }
    return result;
}

int PageSetupSizeIndex(const QList<QPageSize>& sizes, const QPageSize& size) {
    if (!size.isValid())
        return -1;
    for (qsizetype i = 0; i < sizes.size(); ++i)
        if (sizes[i].isEquivalentTo(size))
            return int(i);
    // A sheet known by its size alone: the one within half a millimetre.
    const QSizeF mm = size.size(QPageSize::Millimeter);
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSizeF other = sizes[i].size(QPageSize::Millimeter);
        if (std::abs(other.width() - mm.width()) < 0.5 && std::abs(other.height() - mm.height()) < 0.5)
            return int(i);
    }
    return -1;
}
