#include "customize/SplashRules.h"

TSplashBounds CentredSplashBounds(int imageWidth, int imageHeight, int screenWidth, int screenHeight) {
    // Integer division truncates toward zero, also for negative offsets.
    return {(screenWidth - imageWidth) / 2, (screenHeight - imageHeight) / 2, imageWidth, imageHeight};
}
