// The splash window: the executable's RES_SPLASH image, borderless and
// topmost in the middle of the primary screen. Clicks do nothing.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "shell/Window.h"
#include "util/Handles.h"
#include "util/Picture.h"

// A 32-bit top-down DIB section of the given size; throws on failure.
UniqueBitmap CreateBgraBitmap(int width, int height, std::uint8_t*& bits);

// Picture control: paints one picture at its own size and reports clicks.
class TImage : public TWindow {
public:
    void Create(HWND parent);
    void SetPicture(const TPicture& picture);  // also sizes the control (AutoSize)
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::function<void()> OnClick;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    UniqueBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};

class TfrmSplash : public TWindow {
public:
    // Created with new; closing the window frees the object, once the
    // message that closed it has been handled.
    static TfrmSplash* Create(HWND owner);
    void Show();
    bool Shown() const { return FShown; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HandleDestroyed() override;

private:
    TfrmSplash() = default;
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    void Image1Click() {}
    void KeepOwnerTopmost();
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

    TImage Image1;
    HWND owner_ = nullptr;
    bool FShown = false;
    bool keepingTopmost_ = false;
    int messageDepth_ = 0;   // our handlers on the stack
    bool destroyed_ = false;  // the window is gone; freed when the outermost handler returns
};

extern TfrmSplash* frmSplash;
