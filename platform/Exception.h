#pragma once
// The root of every failure the system raises. Each unit derives its own class
// (EPathUtil, EMacroString...) and carries the system's own message text.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message) : message_(message), utf8_(message.toUtf8()) {}
    const QString& Message() const { return message_; }
    void SetMessage(const QString& message) {
        message_ = message;
        utf8_ = message.toUtf8();
    }
    // The class name shown to users and used to route messages (ETwain gets its own text).
    virtual const char* ClassName() const { return "Exception"; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Declares an exception class with its base and the class name it reports.
#define QUORLANE_EXCEPTION(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        const char* ClassName() const override { return #Name; }                                             \
    };

QUORLANE_EXCEPTION(EStreamError, Exception)
QUORLANE_EXCEPTION(EReadError, EStreamError)
QUORLANE_EXCEPTION(EWriteError, EStreamError)
QUORLANE_EXCEPTION(EFCreateError, EStreamError)
QUORLANE_EXCEPTION(EFOpenError, EStreamError)
QUORLANE_EXCEPTION(EListError, Exception)
QUORLANE_EXCEPTION(EConvertError, Exception)
QUORLANE_EXCEPTION(EOutOfResources, Exception)
QUORLANE_EXCEPTION(EInvalidOperation, Exception)
QUORLANE_EXCEPTION(EInvalidGraphic, Exception)
QUORLANE_EXCEPTION(EAbort, Exception)
// An index outside an array's bounds ("Range check error").
QUORLANE_EXCEPTION(ERangeError, Exception)

// Result codes of the platform's object services (32-bit, high bit set on failure).
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

// A failure of the platform's object services (storage, class factories) with its result code.
class EOleSysError : public Exception {
public:
    EOleSysError(const QString& message, HRESULT code) : Exception(message), code_(code) {}
    explicit EOleSysError(HRESULT code);
    HRESULT ErrorCode() const { return code_; }
    const char* ClassName() const override { return "EOleSysError"; }

private:
    HRESULT code_;
};

