#pragma once
// The class library's component model: persistent objects that can be assigned and streamed,
// components that own components (an owner frees what it owns) and carry a name, and
// collections of persistent items. Model classes of the system derive from these; they are
// not QObjects.
//
// Every class derived from TPersistent names itself with QUORLANE_CLASS, which gives it the
// TMetaClass its streaming, cloning and generic property access rely on:
//
//     class TGrid : public TPersistent {
//         QUORLANE_CLASS(TGrid, TPersistent)
//     public:
//         static void DeclareProperties(TPropertyBuilder<TGrid>& p);   // when it publishes any
//         ...
//     };
//
// A component class needs a constructor taking the owner (TComponent*), a collection item
// class one taking the collection (TCollection*), any other persistent class a default
// constructor; without one the class counts as abstract and the reader refuses to create it.

#include "platform/Object.h"
#include "platform/PropertyRegistry.h"

#include <QString>
#include <functional>
#include <vector>

class TFiler;

#define QUORLANE_CLASS(Class, Parent)                                                                        \
public:                                                                                                      \
    using inherited = Parent;                                                                                \
    static const TMetaClass& StaticClass() {                                                                 \
        static const TMetaClass meta(TMetaClass::Describe<Class, Parent>{}, #Class);                         \
        return meta;                                                                                         \
    }                                                                                                        \
    const TMetaClass& ClassType() const override {                                                           \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
private:

QUORLANE_EXCEPTION(EComponentError, Exception)

class TPersistent : public TObject {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    ~TPersistent() override = default;

    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const { return StaticClass(); }
    QString ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TMetaClass& meta) const { return ClassType().InheritsFrom(meta); }
    // Raises EComponentError when the object's class lacks QUORLANE_CLASS (it would be
    // stored and cloned as its ancestor).
    void CheckClassType() const;

    // Copies source into this object: source's AssignTo decides, and raises EConvertError
    // ("Cannot assign a X to a Y") when neither side knows the other.
    virtual void Assign(const TPersistent* source);
    // Where the streaming asks for properties beyond the published ones (binary data, older
    // names): call filer.DefineProperty / DefineBinaryProperty.
    virtual void DefineProperties(TFiler& filer);
    // The object this one belongs to, for nested names (a collection's owner, an item's
    // collection, a component's owner).
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    virtual void AssignTo(TPersistent* dest) const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    QUORLANE_CLASS(TComponent, TPersistent)

public:
    // The owner takes ownership (and frees this component with itself); nullptr for none.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    static void DeclareProperties(TPropertyBuilder<TComponent>& p);

    TComponent* Owner() const { return owner_; }
    TPersistent* GetOwner() const override { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises EListError outside 0..ComponentCount-1.
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    // The owned component of that name (case-insensitive), or nullptr.
    TComponent* FindComponent(const QString& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last first.
    void DestroyComponents();

    const QString& Name() const { return name_; }
    // An identifier (letters, digits, underscore; not starting with a digit) or empty;
    // unique among the owner's components. EComponentError otherwise.
    virtual void SetName(const QString& name);
    int32_t Tag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }

    // Called once the whole tree this component was read in has been read.
    virtual void Loaded();
    // The reader marks components it fills; Loaded clears the loading state.
    void BeginLoading() { state_ |= csLoading | csReading; }
    void EndReading() { state_ &= ~csReading; }
    void AbortLoading() { state_ &= ~(csLoading | csReading); }

    // The components written as this one's children: by default none (the class library's
    // rule); a form-like root hands over what it owns.
    using TGetChildProc = std::function<void(TComponent*)>;
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    // Told by the reader which component a child was read inside.
    virtual void SetParentComponent(TComponent* parent);
    // Where the reader puts this component's children: their owner (nullptr: the owner of
    // the read, usually the root) and the parent they are told about (by default this one).
    virtual TComponent* GetChildOwner() { return nullptr; }
    virtual TComponent* GetChildParent() { return this; }

    // Told when a component owned by the same owner (or by this one) comes or goes, and when
    // a component this one asked to be told about is destroyed.
    virtual void Notification(TComponent* component, TOperation operation);
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // The class's virtual constructor: a new component of this one's class with owner.
    TComponent* NewInstance(TComponent* owner) const { return ClassType().CreateComponent(owner); }

protected:
    // Renames without validation (the reader validates first).
    void ChangeName(const QString& name);
    void ValidateRename(TComponent* component, const QString& currentName, const QString& newName) const;

private:
    void SetReference(bool enable);
    void RemoveNotification(TComponent* component);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    QString name_;
    int32_t tag_ = 0;
    unsigned state_ = 0;
};

// Creates a component of source's class with owner (through the virtual constructor) and
// assigns source to it.
TComponent* CloneComponent(const TComponent* source, TComponent* owner);

bool IsValidIdent(const QString& ident);

class TCollectionItem;

// An ordered, owned list of items of one item class.
class TCollection : public TPersistent {
    QUORLANE_CLASS(TCollection, TPersistent)

public:
    explicit TCollection(const TMetaClass& itemClass, TPersistent* owner = nullptr);
    TCollection() : TCollection(TCollectionItemClassOf()) {}
    ~TCollection() override;

    const TMetaClass& ItemClass() const { return *itemClass_; }
    TPersistent* GetOwner() const override { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError outside 0..Count-1.
    TCollectionItem* Items(int index) const;
    // A new item of the item class at the end (its virtual constructor).
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;
    // Copies the items of another collection: clears, then adds and assigns each.
    void Assign(const TPersistent* source) override;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // Called after a change of one item (nullptr: of the whole collection) outside updates.
    virtual void Update(TCollectionItem* item);
    std::function<void(TCollection*, TCollectionItem*)> OnUpdate;

protected:
    void Changed();

private:
    friend class TCollectionItem;
    static const TMetaClass& TCollectionItemClassOf();
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);

    const TMetaClass* itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

class TCollectionItem : public TPersistent {
    QUORLANE_CLASS(TCollectionItem, TPersistent)

public:
    // Joins collection (which then owns and frees it) when not nullptr.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    // Moves the item to another collection (or out of any with nullptr).
    void SetCollection(TCollection* collection);
    TPersistent* GetOwner() const override { return collection_; }
    int Index() const;
    void SetIndex(int index);
    int ID() const { return id_; }
    virtual QString DisplayName() const;

protected:
    // Reports a change of this item (or, with allItems, of the whole collection).
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};
