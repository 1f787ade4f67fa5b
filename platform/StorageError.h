#pragma once
// Result codes of the platform's structured storage, and the exception that carries them. Callers
// test the codes (a missing element is STG_E_FILENOTFOUND), so they are the platform's own values.

#include "platform/Exception.h"

#include <QString>
#include <exception>

constexpr HRESULT StgCode(uint32_t value) {
    return static_cast<HRESULT>(value);
}

constexpr HRESULT STG_E_INVALIDFUNCTION = StgCode(0x80030001u);
constexpr HRESULT STG_E_FILENOTFOUND = StgCode(0x80030002u);
constexpr HRESULT STG_E_PATHNOTFOUND = StgCode(0x80030003u);
constexpr HRESULT STG_E_TOOMANYOPENFILES = StgCode(0x80030004u);
constexpr HRESULT STG_E_ACCESSDENIED = StgCode(0x80030005u);
constexpr HRESULT STG_E_INVALIDHANDLE = StgCode(0x80030006u);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = StgCode(0x80030008u);
constexpr HRESULT STG_E_INVALIDPOINTER = StgCode(0x80030009u);
constexpr HRESULT STG_E_SEEKERROR = StgCode(0x80030019u);
constexpr HRESULT STG_E_WRITEFAULT = StgCode(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = StgCode(0x8003001Eu);
constexpr HRESULT STG_E_SHAREVIOLATION = StgCode(0x80030020u);
constexpr HRESULT STG_E_LOCKVIOLATION = StgCode(0x80030021u);
constexpr HRESULT STG_E_FILEALREADYEXISTS = StgCode(0x80030050u);
constexpr HRESULT STG_E_INVALIDPARAMETER = StgCode(0x80030057u);
constexpr HRESULT STG_E_MEDIUMFULL = StgCode(0x80030070u);
constexpr HRESULT STG_E_INVALIDHEADER = StgCode(0x800300FBu);
constexpr HRESULT STG_E_INVALIDNAME = StgCode(0x800300FCu);
constexpr HRESULT STG_E_UNKNOWN = StgCode(0x800300FDu);
constexpr HRESULT STG_E_UNIMPLEMENTEDFUNCTION = StgCode(0x800300FEu);
constexpr HRESULT STG_E_INVALIDFLAG = StgCode(0x800300FFu);
constexpr HRESULT STG_E_INUSE = StgCode(0x80030100u);
constexpr HRESULT STG_E_REVERTED = StgCode(0x80030102u);
constexpr HRESULT STG_E_DOCFILECORRUPT = StgCode(0x80030109u);
constexpr HRESULT STG_E_DOCFILETOOLARGE = StgCode(0x80030111u);

// The platform's text for a storage result code.
QString StorageErrorMessage(HRESULT code);

// Raises EOleSysError with the code and its text; detail (a file or element name, what was damaged)
// is appended so a user's report says which file failed and why.
[[noreturn]] void ThrowStorageError(HRESULT code, const QString& detail = QString());

// The storage code for an errno value (STG_E_UNKNOWN for one without a match).
HRESULT StorageCodeFromErrno(int error);
// Raises EOleSysError for a failed file operation: the code for error (fallback when it has none),
// with the file's name and the system's text.
[[noreturn]] void ThrowStorageErrno(int error, HRESULT fallback, const QString& fileName);

// Why a file could not be opened, so that the user is told which (each kind has its own message).
enum class TOpenFault {
    Other,           // a read error, no memory, a working copy that could not be made...
    Missing,         // no file of that name, or a folder on its path is missing
    Folder,          // the name is a folder
    Permission,      // no right to open it as asked
    InUse,           // another program is changing it now
    NotCompoundFile, // a file of another kind
    DamagedFile,     // a compound file whose structure is damaged, or whose change was cut short
    DamagedPart,     // a sound compound file without a part the document needs (set by the document)
};

// A compound file that could not be opened: EOleSysError with the storage code, plus the kind of the
// failure and the file's name. Raised by StgOpenStorage and StgCreateDocfile.
class EStorageOpenError : public EOleSysError {
public:
    EStorageOpenError(const QString& message, HRESULT code, TOpenFault fault, const QString& fileName)
        : EOleSysError(message, code), fault_(fault), fileName_(fileName) {}
    TOpenFault Fault() const { return fault_; }
    const QString& FileName() const { return fileName_; }
    const char* ClassName() const override { return "EStorageOpenError"; }

private:
    TOpenFault fault_;
    QString fileName_;
};

// The kind of a failure to open fileName with the storage code (a folder is told from a file denied
// by looking at the name again).
TOpenFault OpenFaultFor(HRESULT code, const QString& fileName);
// The kind of a failure raised while fileName was opened and read: the kind EStorageOpenError gives
// for that file; damage found while reading further (EOleSysError STG_E_DOCFILECORRUPT) is
// DamagedFile; anything else, such as a working copy that could not be made, is Other.
TOpenFault OpenFaultOf(const std::exception& e, const QString& fileName);
