#pragma once
// Photo lists for batch adjustment: the automatic image-adjust window works on a list of photos,
// one automatic correction each, and shows each photo before and after. It sees every list through
// one interface; the lists of a document's or a page's album photos live with the page objects, the
// list of picture files here.

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <memory>

class TImageData;
class TPicture;
class TPictureEx;

// Index runs from 0 to GetCount() - 1. Pictures handed out belong to the list (or to its photo)
// and stay valid until the next call.
class TImgNormalizeCallBackClass {
public:
    virtual ~TImgNormalizeCallBackClass() = default;
    // The automatic correction (an automatic filter's FilterNo) of photo Index.
    virtual void SetFilterNo(int index, int filterNo) = 0;
    virtual int GetFilterNo(int index) = 0;
    virtual int GetCount() = 0;
    // The photo as it looks before and after its own corrections.
    virtual TPicture* GetSourcePicture(int index) = 0;
    virtual TPicture* GetResultPicture(int index) = 0;
    // The photo's image data, or nullptr when the list has none.
    virtual TImageData* GetImageData(int index) = 0;
    // For a list whose source picture is an image data's filtered picture (slow to make for a
    // large photo): that image data, and in sizeLimit the limit the picture is made at (outside 1
    // to 2147483646: none), so that a caller may make it from a copy off the UI thread. Null when
    // GetSourcePicture is the only way.
    virtual TImageData* GetSourceImageData(int /*index*/, int& /*sizeLimit*/) { return nullptr; }
};

// Picture files: nothing to adjust, only shown.
class TAINPicFileList : public TImgNormalizeCallBackClass {
public:
    TAINPicFileList();
    ~TAINPicFileList() override;

    const QStringList& FileNames() const { return fileNames_; }
    // Takes the names, sorted without regard to case as the class library sorts string lists.
    void SetFileNames(const QStringList& names);
    // Removes randomly chosen names (uniform over those left) until at most maxCount remain.
    void ReduceRandomly(int maxCount, QRandomGenerator& random);

    void SetFilterNo(int, int) override {}
    int GetFilterNo(int) override { return 0; }
    int GetCount() override { return int(fileNames_.size()); }
    // The file loaded into the work picture; its errors are raised.
    TPicture* GetSourcePicture(int index) override;
    TPicture* GetResultPicture(int index) override { return GetSourcePicture(index); }
    TImageData* GetImageData(int) override { return nullptr; }

private:
    QStringList fileNames_;
    std::unique_ptr<TPictureEx> work_;
};

// Takes randomly chosen entries out of a list of count until at most maxCount remain, calling
// remove with each index (uniform over the entries left).
template <class Remove>
void RemoveRandomly(int count, int maxCount, QRandomGenerator& random, Remove remove) {
    for (; count > std::max(maxCount, 0); --count)
        remove(int(random.bounded(count)));
}
