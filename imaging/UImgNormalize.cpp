#include "imaging/UImgNormalize.h"

#include "imaging/UPictureEX.h"

TAINPicFileList::TAINPicFileList() : work_(std::make_unique<TPictureEx>()) {}

TAINPicFileList::~TAINPicFileList() = default;

void TAINPicFileList::SetFileNames(const QStringList& names) {
    fileNames_ = names;
    fileNames_.sort(Qt::CaseInsensitive);
}

void TAINPicFileList::ReduceRandomly(int maxCount, QRandomGenerator& random) {
    RemoveRandomly(GetCount(), maxCount, random, [this](int index) { fileNames_.removeAt(index); });
}

TPicture* TAINPicFileList::GetSourcePicture(int index) {
    work_->LoadFromFile(fileNames_.at(index));
    return work_.get();
}
