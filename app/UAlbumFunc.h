#pragma once
// The album operations that work across the pages of a document: a page mirrored when it changes
// side of the paper, and a cover taken away.

class TLabelData;

// Sheet index (which becomes current) with every object of its first face mirrored across the
// layout paper: vertically on a landscape paper, else horizontally. Used after a page insert or
// delete in a two-sided album, where every later page changes side.
void AlbumFunc_MirrorPage(int index, TLabelData& document);

// Takes away the front (or back) cover: its page and preview go and the cover is no longer used.
// The sheet that was current stays current, unless it was a cover: then the first page follows
// for the front cover and the last sheet for the back cover.
void AlbumFunc_ClearCover(bool front, TLabelData& document);
