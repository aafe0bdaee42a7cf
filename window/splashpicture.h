#pragma once

#include <QPixmap>

// The picture the window shows until its page has loaded: "./images/init.png", or "./images/init@2x.png" on a screen
// scaled by more than 1, stretched to the content area in the screen's own pixels.

// Decodes the picture on a thread of its own from construction on, so that the window finds it ready: decoding takes
// longer than the rest of the window's construction. Made once the application object exists, which knows the
// screen's scale, and gone before it: a start that ends early (another instance runs) would otherwise take the
// application object down under a decoder that still uses it. Its end waits for a decoder whose picture nobody took.
class SplashPicturePreload
{
public:
    SplashPicturePreload();
    ~SplashPicturePreload();
    SplashPicturePreload(const SplashPicturePreload &) = delete;
    SplashPicturePreload &operator=(const SplashPicturePreload &) = delete;
};

// The picture, or a null pixmap where there is none (the area stays black, the window's background). The preloaded
// one, once; decoded now otherwise.
QPixmap splashPicture();
