#pragma once

#include <QPixmap>

// The picture the window shows until its page has loaded: "./images/init.png", or "./images/init@2x.png" on a screen
// scaled by more than 1, stretched to the content area in the screen's own pixels.

// Starts decoding the picture on a thread of its own, so that the window finds it ready: decoding takes longer than
// the rest of the window's construction. Once the application object exists, which knows the screen's scale.
void preloadSplashPicture();

// The picture, or a null pixmap where there is none (the area stays black, the window's background). The preloaded
// one, once; decoded now otherwise.
QPixmap splashPicture();
