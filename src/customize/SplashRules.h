// The splash window's platform-free placement.
#pragma once
#include <string>

struct TSplashBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Centred on the screen; an image larger than the screen overhangs both edges.
TSplashBounds CentredSplashBounds(int imageWidth, int imageHeight, int screenWidth, int screenHeight);
