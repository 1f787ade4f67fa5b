#pragma once
// TColorSpecHistory: the user's recently used colour specs, most recent first, in a small compound file: each
// entry keyed by a hash of the colour spec and its preview, with the colour spec stored as a component
// resource and a 48 x 48 PNG preview beside it. A spec used again moves to the front; the list is trimmed to
// a limit. A history file that cannot be read, or whose last change was cut short, is set aside (as
// "<file>.damaged") and started afresh, so that a damaged file never stops the user's colour work.

#include "imaging/UColorFill.h"
#include "platform/Component.h"

#include <QString>
#include <cstdint>
#include <memory>

class Exception;
class TFileStorage;
class TPictureEx;

// A component whose one property is a colour spec (not owned), so a spec can be stored as one.
class TColorSpecWrapper : public TComponent {
    QUORLANE_CLASS(TColorSpecWrapper, TComponent)

public:
    explicit TColorSpecWrapper(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TColorSpecWrapper>& p);

    TColorSpec* ColorSpec() const { return colorSpec_; }
    void SetColorSpec(TColorSpec* value) { colorSpec_ = value; }

private:
    TColorSpec* colorSpec_ = nullptr;
};

class TColorSpecHistory : public TComponent {
    QUORLANE_CLASS(TColorSpecHistory, TComponent)

public:
    static constexpr int kPreviewSize = 48;

    explicit TColorSpecHistory(TComponent* owner);
    ~TColorSpecHistory() override;

    static void DeclareProperties(TPropertyBuilder<TColorSpecHistory>& p);

    const QString& Filename() const { return filename_; }
    void SetFilename(const QString& value);
    int32_t Limit() const { return limit_; }
    // Takes effect at the next Add.
    void SetLimit(int32_t value) { limit_ = value; }

    // Puts the colour spec first (moving it there when it is already kept), then trims to Limit.
    void Add(TColorSpec* spec);
    void Delete(int index);
    int Count();
    // The entry at index (0 = most recent), read back. EListError outside the list.
    void LoadSpec(int index, TColorSpec& spec);
    void LoadPreview(int index, TPictureEx& preview);

    // The entry key of a spec with its preview.
    static QString ComputeKey(const TColorSpec& spec, TPictureEx& preview);
    // A 48 x 48 PNG picture of the colour spec's preview.
    static void DrawPreviewPicture(TColorSpec& spec, TPictureEx& preview);

private:
    // What an operation does when the file turns out damaged (after setting it aside): run again
    // on a fresh file, end quietly, or raise the error.
    enum class TDamage { Retry, Ignore, Raise };
    // Runs op with the storage open, closing it afterwards.
    template <class F>
    auto WithStorage(F op, TDamage onDamage);
    void OpenStorage();
    void CloseStorage();
    void SetAside();
    static bool IsDamage(const Exception& e);

    QString filename_;
    int32_t limit_ = 10;
    std::unique_ptr<TFileStorage> storage_;
};
