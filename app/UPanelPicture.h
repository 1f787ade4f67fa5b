#pragma once
// The picture file a property panel is about to put into objects, read once before the editor opens
// its undo group: a file that cannot be read is told about with nothing half done, and the same
// file is not read again for every target.

#include <QString>
#include <memory>

class QWidget;
class TPictureEx;

// The JPEG file fileName is cut short or corrupt, so part of its picture shows grey. Other files
// and files that cannot be read are not.
bool PictureFileDamaged(const QString& fileName);
// Tells the user, naming the file, that its picture is damaged and shows only in part.
void TellDamagedPicture(const QString& fileName);

class TPanelPicture {
public:
    TPanelPicture();
    ~TPanelPicture();

    // The picture of fileName; nullptr for no file or one that cannot be read or is empty. When
    // loud, such a failure is shown to the user, naming the file, and so once is a damaged picture
    // that shows only in part.
    const TPictureEx* Get(QWidget* owner, const QString& fileName, bool loud);

private:
    std::unique_ptr<TPictureEx> picture_;
    QString fileName_;
    bool damaged_ = false;
    bool told_ = false;
};
