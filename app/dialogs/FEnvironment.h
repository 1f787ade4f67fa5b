#pragma once
// The environment settings: the picture size limits the album photos are loaded with, read at
// start-up and kept by the environment window.

// Largest side in pixels of a picture kept for display ("ImageDispLimitSize"); 0 = no limit.
int GetImageDispLimitSize();
// Largest side in pixels of a picture kept for printing ("ImagePrintLimitSize"); 0 = no limit.
int GetImagePrintLimitSize();
