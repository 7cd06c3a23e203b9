// The splash's platform-free rules, shared by the splash process and the runner.
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

// Only the exact value "0" of `showsplash` suppresses the splash.
bool SplashWanted(const std::string& showSplashValue);

// The runner may end the splash once its browser is idle with the page complete.
constexpr int ReadyStateComplete = 4;
bool SplashMayClose(bool busy, int readyState);
