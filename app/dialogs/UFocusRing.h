#pragma once
// A focus ring on a window's push buttons: the style outlines a focused button in the colour it
// gives the default button, so by keys the default button never shows the focus and another
// focused button looks like the default. The ring is a dotted frame inside the button, drawn while
// the keys move the focus.

class QWidget;

// For the push buttons window holds now.
void ShowButtonFocus(QWidget* window);
