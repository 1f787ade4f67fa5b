#pragma once
// Paper images: page objects that belong to a paper rather than to the user's design (a printed
// frame on a card), kept per face and put on a surface as objects that cannot be selected
// (layer group -50). Also the mirroring of faces for papers printed from the reverse side, the
// turning of objects for landscape papers, and the obscuring of a setting text.

#include <QByteArray>
#include <QString>

class TDOList;
class TDrawSite;
class TImagePaperInfo;
class TLabelData;
class TMatrixPaperInfo;
class TPaperInfo;

// The layer group that marks paper images on a surface.
constexpr int kPaperImageLayerGroup = -50;

// Mode 1: every face; mode 2: alternate faces chosen by reversed; other modes: none.
bool IsFaceSideMatch(int mode, bool reversed, int faceIndex);

// Takes every face's page of the document fileName as that face's paper images. Raises when the
// document cannot be opened or a page cannot be read; imageInfo is then left as it was.
void LoadPaperImages(const QString& fileName, TImagePaperInfo& imageInfo);
// Site shows nothing but copies of the images of the document's current face, turned for a
// landscape paper.
void PlacePaperImagesOnSite(TDrawSite& site, TLabelData& labelData, const TImagePaperInfo& imageInfo);
// Puts each face's images on site: copies (copyObjects) or the stored objects themselves (which
// then leave imageInfo for the site), moved onto the face's outer rect (offsetToFace), not selectable,
// disabled, turned for a landscape paper.
void ApplyPaperImagesToFaces(TDrawSite& site, const TPaperInfo& paper, TImagePaperInfo& imageInfo,
                             bool offsetToFace, bool copyObjects);
// Paper images on site become ordinary objects in layer group 0.
void RemovePaperImageMarks(TDrawSite& site);
// target: one face of paper's full size, no offsets or gaps, with paper's landscape flag.
void MakeSingleFacePaper(const TPaperInfo& paper, TMatrixPaperInfo& target);
// The images of paper on site as ordinary objects over the whole sheet, mirrored first when asked.
void ComposePaperImages(TImagePaperInfo& imageInfo, TDrawSite& site, TPaperInfo& paper, bool mirror);
// Faces mirrored about the sheet's middle, for printing from the reverse side.
void MirrorPaperFaces(TPaperInfo& paper);
// Every face's images mirrored inside the face's outer rect.
void MirrorPaperImages(TPaperInfo& paper, TImagePaperInfo& imageInfo);
// Turns the objects of a face for the paper's other position: positions by a quarter turn of
// the face, angles by -90 degrees.
void FlipObjectsForLandscape(const TDOList& objects, TPaperInfo& paper, int faceIndex, bool moveToFace);

// The byte-wise scrambling: its own inverse.
QByteArray ScrambleSettingBytes(const QByteArray& bytes);
// A setting text (such as a proxy password) scrambled into printable Base64, and back. This
// only keeps the text from being read at a glance; it is no protection against anyone who
// wants it.
QString ScrambleSettingText(const QString& text);
QString UnscrambleSettingText(const QString& stored);
