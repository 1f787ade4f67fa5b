#pragma once
// The picture file a property panel is about to put into objects, read once before the editor opens
// its undo group: a file that cannot be read is told about with nothing half done, and the same
// file is not read again for every target.

#include <QString>
#include <memory>

class QWidget;
class TPictureEx;

class TPanelPicture {
public:
    TPanelPicture();
    ~TPanelPicture();

    // The picture of fileName; nullptr for no file or one that cannot be read or is empty. When
    // loud, such a failure is shown to the user, naming the file.
    const TPictureEx* Get(QWidget* owner, const QString& fileName, bool loud);

private:
    std::unique_ptr<TPictureEx> picture_;
    QString fileName_;
};
