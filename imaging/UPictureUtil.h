#pragma once
// Picture helpers the windows and models share: the Exif test, shrinking to a size and to the
// process-wide picture size limit, loading a picture file (Photo CD files through the import dialog
// once that is installed), and the colour sample bitmap of colour menus.

#include "platform/Color.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;
class TPicture;
class TSafetyBitmap;

// Largest width or height of a loaded picture ($7FFFFFFF: no limit). Set from the setting
// "ImageLimitSize"; read by loaders on any thread.
extern std::atomic<int> PictureSizeLimit;

// A JPEG picture that carries Exif data; any other graphic is none.
bool IsExifPicture(TPicture* picture);
// The same, and its Exif version is at least version / 10 (22 asks for 2.2); version 0 asks for none.
bool ExifVersionAtLeast(TPicture* picture, int version);

// Replaces the graphic by a 24-bit bitmap of the largest size of its proportions within
// maxSize x maxSize; a JPEG decodes at the reduced scale that size allows. Nothing for an empty
// picture.
void ShrinkPictureToSize(TPicture* picture, int maxSize);
void ShrinkPictureToLimit(TPicture* picture);

// Metafiles load like every other picture here; always false.
bool LoadMetafile9x(TPicture* picture, const QString& fileName);

// Shows the Photo CD import dialog for fileName, owned by owner; true (with the chosen image in
// picture) when it closed with OK. The dialogs install it; without it ".pcd" is an unknown format.
using TPhotoCDLoader = std::function<bool(QWidget* owner, const QString& fileName, TPicture& picture)>;
void SetPhotoCDLoader(TPhotoCDLoader loader);

// Loads the file into picture (which remembers the file name as its image identifier, when it is a
// TPictureEx); a picture beyond PictureSizeLimit is shrunk to it unless it carries Exif data. False
// only when the Photo CD dialog was cancelled; load errors are raised.
bool LoadPictureFile(QWidget* owner, TPicture* picture, const QString& fileName);

// A width x height 24-bit sample of color: a white background (black for white), the colour filled
// from (1, 0) to the corner with a one-pixel grey outline ($808080; $C0C0C0 when that is the colour).
std::unique_ptr<TSafetyBitmap> MakeColorSampleBitmap(TColor color, int width, int height);
