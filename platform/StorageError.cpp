#include "platform/StorageError.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

QString StorageErrorMessage(HRESULT code) {
    switch (code) {
    case STG_E_INVALIDFUNCTION:
        return QStringLiteral("Unable to perform requested operation.");
    case STG_E_FILENOTFOUND:
        return QStringLiteral("The file or element could not be found.");
    case STG_E_PATHNOTFOUND:
        return QStringLiteral("The path could not be found.");
    case STG_E_TOOMANYOPENFILES:
        return QStringLiteral("There are insufficient resources to open another file.");
    case STG_E_ACCESSDENIED:
        return QStringLiteral("Access denied.");
    case STG_E_INVALIDHANDLE:
        return QStringLiteral("Attempted an operation on an invalid object.");
    case STG_E_INSUFFICIENTMEMORY:
        return QStringLiteral("There is insufficient memory available to complete the operation.");
    case STG_E_INVALIDPOINTER:
        return QStringLiteral("Invalid pointer error.");
    case STG_E_SEEKERROR:
        return QStringLiteral("An error occurred during a seek operation.");
    case STG_E_WRITEFAULT:
        return QStringLiteral("A disk error occurred during a write operation.");
    case STG_E_READFAULT:
        return QStringLiteral("A disk error occurred during a read operation.");
    case STG_E_SHAREVIOLATION:
        return QStringLiteral("A share violation has occurred.");
    case STG_E_LOCKVIOLATION:
        return QStringLiteral("A lock violation has occurred.");
    case STG_E_FILEALREADYEXISTS:
        return QStringLiteral("The file already exists or is not a storage file.");
    case STG_E_INVALIDPARAMETER:
        return QStringLiteral("Invalid parameter error.");
    case STG_E_MEDIUMFULL:
        return QStringLiteral("There is insufficient disk space to complete the operation.");
    case STG_E_INVALIDHEADER:
        return QStringLiteral("The file is not a valid compound file: its header is invalid.");
    case STG_E_INVALIDNAME:
        return QStringLiteral("The name is not valid.");
    case STG_E_UNKNOWN:
        return QStringLiteral("An unexpected error occurred.");
    case STG_E_UNIMPLEMENTEDFUNCTION:
        return QStringLiteral("That function is not implemented.");
    case STG_E_INVALIDFLAG:
        return QStringLiteral("Invalid flag error.");
    case STG_E_INUSE:
        return QStringLiteral("Attempted to use an object that is busy.");
    case STG_E_REVERTED:
        return QStringLiteral("The object has been invalidated by a revert operation or a deletion.");
    case STG_E_DOCFILECORRUPT:
        return QStringLiteral("The compound file is corrupt.");
    case STG_E_DOCFILETOOLARGE:
        return QStringLiteral("The compound file is too large for the current implementation.");
    default:
        return QStringLiteral("OLE error %1")
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
