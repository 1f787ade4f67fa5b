#pragma once
// The maintenance functions on the paper store that paper selection offers in extended mode, for
// preparing the paper data that ships: merging another database, turning user papers into system
// papers, the group, maker, purpose and photo-size lists, the paper order. Every change is saved
// at once and the panel's lists rebuilt; a failed save is told and the change stays listed (the
// store keeps it modified, so the next save retries).

#include "platform/StringList.h"

#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class TPapersV2;

// The group list as the editor offers it: the store's list, then every group papers use that the
// list lacks (in paper order).
TStringList GroupListForEditing(TPapersV2& papers);
// Why lines cannot be the store's new paper order (each paper named once, nothing else); empty
// when they can.
QString CheckPaperOrder(const TPapersV2& papers, const TStringList& lines);
// Whether fileName is the file the store saves to: the same file by its canonical path, so a
// link to it is caught, and a name that differs only in case is another file.
bool IsStoreFile(const TPapersV2& papers, const QString& fileName);

class TframePaperSelectExFunc : public QWidget {
    Q_OBJECT

public:
    explicit TframePaperSelectExFunc(QWidget* parent = nullptr);

    QPushButton* btnExFunc;
    QMenu* PopupMenu;
    QAction* actPopupMenu;
    QAction* actUpdateInfo;
    QAction* actMergePapers;
    QAction* actSetAllSystemPaper;
    QAction* actEditGroup;
    QAction* actEditMaker;
    QAction* actEditPurpose;
    QAction* actChangeOrder;
    QAction* actDelAllPurpose;
    QAction* actOptimumPurpose;
    QAction* actSaveGroupList;
    QAction* actEditPhotoSize;

    // The store worked on (borrowed) and the action that rebuilds the panel's lists.
    void SetPapers(TPapersV2* papers, QAction* reset);

    void UpdateInfo();
    void MergePapers();
    // Merges the database in fileName as an update; false (told) when refused or unreadable.
    bool MergePaperFile(const QString& fileName);
    void SetAllSystemPaper();
    void EditGroup();
    void EditMaker();
    void EditPurpose();
    void ChangeOrder();
    void OptimumPurpose();
    void SaveGroupList();
    void EditPhotoSize();
    void DelAllPurpose();

private:
    QAction* MakeAction(const char* name, const QString& caption, void (TframePaperSelectExFunc::*run)());
    // Saves the store (telling a failure) and rebuilds the panel's lists either way.
    void SaveAndReset();
    void Reset();

    TPapersV2* papers_ = nullptr;
    QAction* reset_ = nullptr;
};
