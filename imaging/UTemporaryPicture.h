#pragma once
// Parks a picture in a file of its own and brings it back on demand, for long operations over more
// photos than memory holds. The file holds a streamed TTemporaryPicture (resource "ImageData"), so a
// picture of any registered format comes back in the same format.
//
// The files live in a private (0700) folder under the user's cache folder; files an earlier run left
// there are removed when the folder is first used in this run.

#include "platform/Component.h"

#include <QString>
#include <memory>

class TPicture;
class TPictureEx;

class TTemporaryPicture : public TComponent {
    QUORLANE_CLASS(TTemporaryPicture, TComponent)

public:
    explicit TTemporaryPicture(TComponent* owner);
    ~TTemporaryPicture() override;
    static void DeclareProperties(TPropertyBuilder<TTemporaryPicture>& p);

    TPictureEx* Picture() const { return picture_.get(); }
    // Assigns value, then drops the held picture's change event.
    void SetPicture(TPicture* value);

private:
    std::unique_ptr<TPictureEx> picture_;
};

// Registers TTemporaryPicture for component streaming (start-up); safe to call again.
void RegisterTemporaryPicture();

// The folder of temporary pictures, made (0700) and emptied of earlier runs' files on first use.
QString TemporaryPictureFolder();
// Writes picture into a new file of that folder and returns its name. A failed save raises and
// leaves no file.
QString SaveToTempFile(TPicture* picture);
// Reads a file written by SaveToTempFile into picture; file and format errors are raised.
void LoadFromTempFile(TPicture* picture, const QString& fileName);
// Deletes the file when it exists.
void DeleteTempFile(const QString& fileName);
