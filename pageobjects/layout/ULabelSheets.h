#pragma once
// What page-object code needs of a document of sheets (album pages): moving between its sheets and
// reading and writing the page objects of a face of the current sheet. The document implements it.

class TDOList;
class TOwnedDOList;

class TLabelSheets {
public:
    virtual ~TLabelSheets() = default;
    virtual int GetSheetCount() const = 0;
    virtual int CurrentSheetNo() const = 0;
    // Stores the current sheet and loads sheet index (from 0); nothing when it is current already.
    virtual void SetCurrentSheetNo(int index) = 0;
    // Appends the objects of face index of the current sheet to list, in stored order (the
    // bottom one first); damaged data is raised.
    virtual void LoadLabelObjects(int index, TOwnedDOList& list) = 0;
    // Writes list (topmost first, as a site lists its objects) as the objects of face index of the
    // current sheet; the objects stay the caller's.
    virtual void StoreLabelObjects(int index, const TDOList& list) = 0;
};
