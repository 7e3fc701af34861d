#pragma once

class QWidget;

// Window designs are given at 120 pixels per inch; these helpers turn a design
// value into the screen's pixels. Layout-sheet pixels never go through here.
namespace platform {

constexpr int kDesignPixelsPerInch = 120;

// The screen's pixels per inch (logical), or the value set for tests.
int screenPixelsPerInch();
// 0 restores the screen's own value.
void setScreenPixelsPerInchForTesting(int pixelsPerInch);

// designValue × screen ppi / 120, rounded to the nearest pixel (halves away from zero).
int scaled(int designValue);
int scaled(int designValue, int pixelsPerInch);

// Puts a control at its place in a window's design, in the screen's pixels.
void placeByDesign(QWidget* widget, int left, int top, int width, int height);

} // namespace platform
