#pragma once
// Result codes of the platform's structured storage, and the exception that carries them. Callers
// test the codes (a missing element is STG_E_FILENOTFOUND), so they are the platform's own values.

#include "platform/Exception.h"

#include <QString>

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
