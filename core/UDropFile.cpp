#include "core/UDropFile.h"

#include "core/UPathUtil.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// Only files on this machine can be handed on as paths; links to other places are not files.
QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

TDropFile::TDropFile(TComponent* owner) : TGetMessageHook(owner) {}

void TDropFile::DeclareProperties(TPropertyBuilder<TDropFile>& p) {
    p.Boolean("OneFileOnly", &TDropFile::OneFileOnly, &TDropFile::OneFileOnly).Default(false);
    p.Boolean("ExpandFolder", &TDropFile::ExpandFolder, &TDropFile::ExpandFolder).Default(false);
}

TDropFile::~TDropFile() {
    if (QWidget* window = Window())
        window->setAcceptDrops(false);
}

void TDropFile::SetWindow(QWidget* window) {
    if (QWidget* old = Window())
        old->setAcceptDrops(false);
    TGetMessageHook::SetWindow(window);
    if (window)
        window->setAcceptDrops(true);
}

void TDropFile::Dispatch(tagMSG& message) {
    switch (message.Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(message.Event);
        if (!LocalFiles(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(message.Event);
        const QStringList paths = LocalFiles(drop->mimeData());
        if (paths.isEmpty())
            break;
        drop->acceptProposedAction();
        Drop(paths);
        break;
    }
    default:
        break;
    }
}

void TDropFile::Drop(const QStringList& paths) {
    files_.Clear();
    droppedCount_ = static_cast<int>(paths.size());
    const qsizetype take = OneFileOnly ? 1 : paths.size();
    for (qsizetype i = 0; i < take; ++i) {
        if (ExpandFolder && IsDirectory(paths[i]))
            AddFilesRecursive(files_, paths[i]);
        else
            files_.Add(paths[i]);
    }
    if (OnDrop)
        OnDrop(this);
}
