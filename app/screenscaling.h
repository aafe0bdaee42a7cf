#pragma once

// Sizes in device-independent pixels, so that the 960 x 570 window, its title bar and its page keep their size on a
// scaled screen (125 % to 200 %) and are drawn sharp there, with pictures at the screen's pixels (NAME@2x.png) where
// there are some; the scale is the screen's own, 1.25 as 1.25, not rounded to a whole number. At 96 dpi nothing
// changes. Called before the application object exists.
void scaleWithTheScreen();
