#include "platform/StorageError.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

QString StorageErrorMessage(HRESULT code) {
    switch (code) {
    case STG_E_INVALIDFUNCTION:
        return QStringLiteral("要求された操作を実行できません。");
    case STG_E_FILENOTFOUND:
        return QStringLiteral("ファイルまたは要素が見つかりません。");
    case STG_E_PATHNOTFOUND:
        return QStringLiteral("パスが見つかりません。");
    case STG_E_TOOMANYOPENFILES:
        return QStringLiteral("これ以上ファイルを開くためのリソースが足りません。");
    case STG_E_ACCESSDENIED:
        return QStringLiteral("アクセスが拒否されました。");
    case STG_E_INVALIDHANDLE:
        return QStringLiteral("無効なオブジェクトを操作しようとしました。");
    case STG_E_INSUFFICIENTMEMORY:
        return QStringLiteral("操作を完了するためのメモリが足りません。");
    case STG_E_INVALIDPOINTER:
        return QStringLiteral("無効なポインタです。");
    case STG_E_SEEKERROR:
        return QStringLiteral("ファイル位置の移動中にエラーが発生しました。");
    case STG_E_WRITEFAULT:
        return QStringLiteral("書き込み中にディスクのエラーが発生しました。");
    case STG_E_READFAULT:
        return QStringLiteral("読み込み中にディスクのエラーが発生しました。");
    case STG_E_SHAREVIOLATION:
        return QStringLiteral("ファイルは他で使用中です（共有違反）。");
    case STG_E_LOCKVIOLATION:
        return QStringLiteral("ファイルはロックされています（ロック違反）。");
    case STG_E_FILEALREADYEXISTS:
        return QStringLiteral("同じ名前のファイルがすでにあるか、複合ファイルの形式ではありません。");
    case STG_E_INVALIDPARAMETER:
        return QStringLiteral("無効なパラメータです。");
    case STG_E_MEDIUMFULL:
        return QStringLiteral("操作を完了するためのディスクの空き容量が足りません。");
    case STG_E_INVALIDHEADER:
        return QStringLiteral("複合ファイルのヘッダーが正しくありません。");
    case STG_E_INVALIDNAME:
        return QStringLiteral("名前が正しくありません。");
    case STG_E_UNKNOWN:
        return QStringLiteral("予期しないエラーが発生しました。");
    case STG_E_UNIMPLEMENTEDFUNCTION:
        return QStringLiteral("その機能はありません。");
    case STG_E_INVALIDFLAG:
        return QStringLiteral("無効なフラグです。");
    case STG_E_INUSE:
        return QStringLiteral("使用中のオブジェクトを使おうとしました。");
    case STG_E_REVERTED:
        return QStringLiteral("オブジェクトは取り消しまたは削除により無効になっています。");
    case STG_E_DOCFILECORRUPT:
        return QStringLiteral("複合ファイルが壊れています。");
    case STG_E_DOCFILETOOLARGE:
        return QStringLiteral("複合ファイルが大きすぎます。");
    default:
        return QStringLiteral("記憶域のエラー (%1)")
            .arg(QString::number(static_cast<uint32_t>(code), 16).toUpper().rightJustified(8, u'0'));
    }
}

void ThrowStorageError(HRESULT code, const QString& detail) {
    QString message = StorageErrorMessage(code);
    if (!detail.isEmpty())
        message += QStringLiteral(" (%1)").arg(detail);
    throw EOleSysError(message, code);
}

HRESULT StorageCodeFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return STG_E_FILENOTFOUND;
    case ENOTDIR:
        return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return STG_E_ACCESSDENIED;
    case EEXIST:
        return STG_E_FILEALREADYEXISTS;
    case EMFILE:
    case ENFILE:
        return STG_E_TOOMANYOPENFILES;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return STG_E_MEDIUMFULL;
    case ENOMEM:
        return STG_E_INSUFFICIENTMEMORY;
    case EWOULDBLOCK:
        return STG_E_SHAREVIOLATION;
    default:
        return STG_E_UNKNOWN;
    }
}

void ThrowStorageErrno(int error, HRESULT fallback, const QString& fileName) {
    HRESULT code = StorageCodeFromErrno(error);
    if (code == STG_E_UNKNOWN)
        code = fallback;
    ThrowStorageError(code, fileName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
}

TOpenFault OpenFaultFor(HRESULT code, const QString& fileName) {
    switch (code) {
    case STG_E_FILENOTFOUND:
    case STG_E_PATHNOTFOUND:
        return TOpenFault::Missing;
    case STG_E_ACCESSDENIED:
        return QFileInfo(fileName).isDir() ? TOpenFault::Folder : TOpenFault::Permission;
    case STG_E_LOCKVIOLATION:
    case STG_E_SHAREVIOLATION:
        return TOpenFault::InUse;
    case STG_E_FILEALREADYEXISTS:
        return TOpenFault::NotCompoundFile;
    case STG_E_DOCFILECORRUPT:
    case STG_E_INVALIDHEADER:
        return TOpenFault::DamagedFile;
    default:
        return TOpenFault::Other;
    }
}

TOpenFault OpenFaultOf(const std::exception& e, const QString& fileName) {
    if (const auto* open = dynamic_cast<const EStorageOpenError*>(&e)) {
        if (open->FileName() == fileName)
            return open->Fault();
        return TOpenFault::Other;
    }
    if (const auto* storage = dynamic_cast<const EOleSysError*>(&e)) {
        if (storage->ErrorCode() == STG_E_DOCFILECORRUPT || storage->ErrorCode() == STG_E_INVALIDHEADER)
            return TOpenFault::DamagedFile;
    }
    return TOpenFault::Other;
}
