#pragma once
// The document the user edits and prints: an ordered list of sheets, each with its paper, the paper's
// extra information, the page objects of each face and a preview picture of each face, plus
// document-wide information. All of it lives in one compound file; while the document is open it is
// worked on in a temporary copy (the working storage). One sheet is current at a time: its small
// streams are held in memory as the document's own properties and written back whenever another
// sheet becomes current or the document is saved. Face pages are read and written on demand.

#include "core/UAppUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULabelSheets.h"
#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/StorageError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <set>
#include <utility>

class TDocStorage;
class TDocStorageList;
class TDocStreamList;
class TExAlbumInfo;
class TExPaperInfo;
class TFacePackQueue;
class TGrid;
class TGuide;
class TImagePaperInfo;
class TLOAlbumPhoto;
class TMatrixPaperInfo;
class TPaperInfo;
class TPhasedProgressBase;
class TPicture;
class TProductDB;
class TProductInfo;
class TStream;
class TStringList;
using TStrings = TStringList;
class TTemporaryStorage;

QUORLANE_EXCEPTION(ELabelData, Exception)

// A document that could not be opened. Message() is the whole text ("文書「<file>」を開けません。" with
// the cause in Japanese and the system's text in brackets); the parts are kept for a caller that
// words its own: the file, the kind of failure, the cause (Japanese) and the system's text (the
// English detail of the storage layer; may be empty).
class ELabelDataOpen : public ELabelData {
public:
    ELabelDataOpen(const QString& fileName, TOpenFault fault, const QString& cause, const QString& detail);
    const QString& FileName() const { return fileName_; }
    TOpenFault Fault() const { return fault_; }
    const QString& Cause() const { return cause_; }
    const QString& Detail() const { return detail_; }
    const char* ClassName() const override { return "ELabelDataOpen"; }

private:
    QString fileName_;
    TOpenFault fault_;
    QString cause_;
    QString detail_;
};

enum TFaceSides { fsFront, fsBack, fsBoth };

// An album's sheets: the front and back cover slots, then the inner pages.
constexpr int kFrontCoverSheet = 0;
constexpr int kBackCoverSheet = 1;
constexpr int kFirstInnerSheet = 2;

// The transfer object of the root stream "DataInfo".
class TDataInfo : public TComponent {
    QUORLANE_CLASS(TDataInfo, TComponent)

public:
    explicit TDataInfo(TComponent* owner);
    ~TDataInfo() override;
    static void DeclareProperties(TPropertyBuilder<TDataInfo>& p);
    // The product and creator children, in that order.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    QString DataName;
    int CurrentSheetNo = 0;
    TDateTime LastPrint = 0;
    TDateTime LastSave = 0;
    bool SheetMode = false;
    TFaceSides FaceSides = fsFront;
    bool FrontCover = false;
    bool BackCover = false;
    TGrid* CommonGrid() const { return commonGrid_.get(); }
    // The child of that name read from the stream (or added for writing), or nullptr.
    TProductInfo* Child(const QString& name) const;

private:
    std::unique_ptr<TGrid> commonGrid_;
};

// The transfer object of a face stream: the page's objects as its children.
class TLDObjects : public TComponent {
    QUORLANE_CLASS(TLDObjects, TComponent)

public:
    using TComponent::TComponent;
    // Written bottom first: the editor hands the page topmost first.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // The list written (borrowed for the time of writing).
    const TDOList* Objects = nullptr;
};

class TLabelData : public TComponent, public TLabelSheets {
    QUORLANE_CLASS(TLabelData, TComponent)

public:
    // A new document of three sheets with default papers; products (borrowed, may be nullptr) gives
    // the product and creator information.
    explicit TLabelData(TComponent* owner, TProductDB* products = nullptr);
    ~TLabelData() override;
    static void DeclareProperties(TPropertyBuilder<TLabelData>& p);

    // Opens a document file. The file is only read; the new contents are built aside and take the
    // place of the open document only when the file could be opened. ELabelDataOpen names the file
    // and the kind of fault; parts that cannot be read keep their defaults and are named in
    // LoadWarnings.
    void LoadFromFile(const QString& fileName);
    // Writes the document to fileName (replaced only once the copy is complete). ELabelData names the
    // file and the cause; the old file stays as it was and the document stays modified.
    void SaveToFile(const QString& fileName, TPhasedProgressBase* progress = nullptr);
    // What the last LoadFromFile could not read (empty when everything was read).
    const QStringList& LoadWarnings() const { return loadWarnings_; }

    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    // ---- sheets
    int GetSheetCount() const override;
    int CurrentSheetNo() const override { return currentSheetNo_; }
    void SetCurrentSheetNo(int index) override;
    void GetSheetNames(TStrings& list);
    void AddSheet();
    void CopySheet();
    void DeleteSheet(int index);
    void MoveSheet(int newIndex);

    // ---- papers of the current sheet
    TPaperInfo* GetPaperInfo() const { return paper_.get(); }
    TMatrixPaperInfo* GetLayoutPaper() const { return layoutPaper_.get(); }
    void SetPaperInfo(const TPaperInfo& paper);
    // SetPaperInfo, then every face's preview is deleted.
    void ChangePaperInfo(const TPaperInfo& paper);
    TExPaperInfo* GetPaperExtraInfo() const { return extraInfo_.get(); }
    void SetPaperExtraInfo(const TExPaperInfo* value);
    TImagePaperInfo* GetPaperImageInfo() const { return imageInfo_.get(); }
    void SetPaperImageInfo(const TImagePaperInfo* value);
    TExAlbumInfo* GetPaperExtraAlbum() const { return albumInfo_.get(); }
    void SetPaperExtraAlbum(const TExAlbumInfo* value);
    bool IsLabelFixed() const;

    // ---- faces of the current sheet
    bool HasLabelData(int index);
    // Adds the face's objects (owned by list) in stored order, kept inside the face. A face that
    // cannot be read raises and is remembered, so that an empty page stored over it keeps its bytes.
    void LoadLabelObjects(int index, TOwnedDOList& list) override;
    // Reads the face's objects as LoadLabelObjects does (raising the same way) and keeps them for
    // the next LoadLabelObjects of that face, so that a page checked on opening is not unpacked
    // again to be shown. Any change of the document's pages drops them, and so does the next load.
    void ReadAheadLabelObjects(int index);
    // A face's page as it is shown: empty photo frames hidden, background pictures fitted to the
    // print area; with paperImages the paper's own pictures join (mirrored on a reversed back).
    void LoadShownObjects(int index, TOwnedDOList& objects, bool paperImages);
    void StoreLabelObjects(int index, const TDOList& list) override;
    // Destroys the face stream at list position index (not mapped) and the face's preview.
    void ClearLabel(int index);
    // The face's stream, or nullptr when it is not there (reading). ForWrite creates it afresh;
    // unpack inflates a packed stream into memory.
    std::unique_ptr<TStream> OpenLabelStream(int index, bool forWrite, bool unpack);

    // ---- previews of the current sheet
    bool HasPreview(int index);
    // Makes the preview when missing, then reads it into picture (left as it is for an empty page).
    void GetPreview(int index, TPicture& picture);
    void UpdatePreview(int index);
    void DeletePreview(int index);
    // Reads one stored preview from a document file without loading the document (the face index is
    // used as it is). False when none is there.
    static bool LoadPreviewFromFile(TPicture& picture, const QString& fileName, int sheetIndex,
                                    int faceIndex);

    // ---- document-wide information
    QString DataName;
    bool SheetMode = false;
    TFaceSides FaceSides = fsFront;
    bool FrontCover = false;
    bool BackCover = false;
    TDateTime LastPrint = 0;
    TDateTime LastSave = 0;
    TDateTime OpenTime = 0;
    TGrid* CommonGrid() const { return commonGrid_.get(); }
    TProductInfo* ProductInfo() const { return productInfo_.get(); }
    TProductInfo* CreatorInfoE() const { return creatorInfoE_.get(); }
    TProductInfo* CreatorInfoJ() const { return creatorInfoJ_.get(); }

    // ---- the current sheet's published properties (its "Info" stream)
    TGrid* Grid() const { return grid_.get(); }
    TGuide* Guide() const { return guide_.get(); }
    int CurrentLabelNo = 0;
    bool SeparatelyDesign = true;
    const QString& SheetName() const { return sheetName_; }
    void SetSheetName(const QString& value);
    bool FaceInit = false;
    bool FaceModified = false;

    // The face list entry a face number uses.
    int MapFaceIndex(int index) const { return SeparatelyDesign ? index : 0; }

    // Gives a photo frame the shape of the paper's face it covers most (none when it covers none),
    // as a loaded frame gets it: the shape is not stored with the frame.
    void GiveFaceShape(TLOAlbumPhoto& photo);

private:
    friend class TLabelDataTestAccess;
    std::unique_ptr<TDocStorage> OpenSheetStorage();
    void StoreCurrentSheet();
    void LoadCurrentSheet();
    void AppendSheet(const QString& nameFormat);
    QString MakeUniqueSheetName(const QString& nameFormat);
    std::unique_ptr<TStream> OpenPreviewStream(int index, bool forRead);
    void MakePreview(int index, TStream& stream);
    void DeleteFaceStream(TDocStreamList& faces, int entry);
    void WriteDataInfo();
    void ReadDataInfo(TTemporaryStorage& storage, QStringList& warnings, int sheetCount);
    // Checks on opening: a compound file of another kind and a sheet list naming none of the file's
    // sheets raise ELabelDataOpen; sheets missing from the file or from the list are warnings; every
    // sheet is read once, so that LoadWarnings tells all the document could not read.
    static void CheckDocumentKind(TDocStorage& storage, const QString& fileName);
    static QStringList CheckSheetList(TDocStorage& storage, TDocStorageList& sheets, const QString& fileName);
    void ReadOtherSheets();
    // Hands the current sheet's plain faces to the queue for packing.
    void PackFaces(TFacePackQueue& queue);
    // The face of the current sheet that failed to read, by sheet storage and list entry.
    std::pair<QString, int> FaceKey(int entry) const;
    // The face's stored component (nullptr for an empty page), as read before its objects are placed.
    std::unique_ptr<TComponent> ReadLabelComponent(int index);
    // Takes the read objects into list, fitted to the document and the face.
    void PlaceLabelObjects(int index, TComponent& read, TOwnedDOList& list);

    std::unique_ptr<TTemporaryStorage> storage_;
    std::unique_ptr<TDocStorageList> sheets_;
    std::unique_ptr<TProductInfo> productInfo_;
    std::unique_ptr<TProductInfo> creatorInfoE_;
    std::unique_ptr<TProductInfo> creatorInfoJ_;
    std::unique_ptr<TMatrixPaperInfo> layoutPaper_;
    std::unique_ptr<TPaperInfo> paper_;
    std::unique_ptr<TGrid> commonGrid_;
    std::unique_ptr<TGrid> grid_;
    std::unique_ptr<TGuide> guide_;
    std::unique_ptr<TExPaperInfo> extraInfo_;
    std::unique_ptr<TImagePaperInfo> imageInfo_;
    std::unique_ptr<TExAlbumInfo> albumInfo_;
    QString sheetName_;
    bool modified_ = false;
    int currentSheetNo_ = -1;
    QStringList loadWarnings_;
    std::set<std::pair<QString, int>> damagedFaces_;
    // A face read ahead, by sheet storage and list entry.
    std::optional<std::pair<std::pair<QString, int>, std::unique_ptr<TComponent>>> readAhead_;
};

// Makes the document's stream classes known to the component reader.
void RegisterLabelDataClasses();
