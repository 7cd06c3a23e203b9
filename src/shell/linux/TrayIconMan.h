// The runner's icon in the desktop's tray: a StatusNotifierItem where the
// session has a host for one (KDE, GNOME with its extension, most panels),
// else an XEmbed icon in a system tray (GtkStatusIcon). A left click runs the
// handler behind the same click guard as on Windows; a right click opens the
// menu. A StatusNotifierItem host opens the menu itself on a left click and
// reports the middle click as the item's secondary activation, which runs
// the handler.
#pragma once
#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "util/linux/GObjectPtr.h"

class TTrayIconMan {
public:
    using TNotifyEvent = std::function<void()>;
    using TTickSource = std::function<std::uint32_t()>;
    enum class TKind { None, StatusNotifier, XEmbed };

    // Milliseconds of a monotonic clock, cut to 32 bits as the Windows tick count.
    static std::uint32_t TickCount();

    explicit TTrayIconMan(TTickSource tickCount = TickCount);
    TTrayIconMan(const TTrayIconMan&) = delete;
    TTrayIconMan& operator=(const TTrayIconMan&) = delete;
    ~TTrayIconMan();

    // Adds the icon once. iconFile is the same picture as a file, for a
    // StatusNotifier host that reads it itself; target is brought to the
    // front by a guarded second click while it is visible.
    void Install(GdkPixbuf* icon, const std::string& iconFile, const std::string& tip, GtkWindow* target,
                 GtkMenu* rightClickMenu, TNotifyEvent leftClickHandler);
    void Remove();
    // A disabled icon stays, but reports no clicks.
    void SetEnabled(bool enabled);

    // The desktop shows the icon now: only then may a window hide to it.
    bool Added() const;
    bool Enabled() const { return FEnabled; }
    TKind Kind() const { return kind_; }

private:
    friend struct TTraySignals;
    static bool StatusNotifierHostRuns();
    void InstallStatusNotifier(const std::string& iconFile, const std::string& tip);
    void InstallXEmbed(GdkPixbuf* icon, const std::string& tip);
    void IconClicked(const GdkEventButton& event);
    void LeftClicked(guint32 time);

    bool FEnabled = true;
    TNotifyEvent FOnLeftClick;
    GtkMenu* FRightClickMenu = nullptr;
    GtkWindow* FTargetWindow = nullptr;
    std::uint32_t FStartTick = 0;
    std::uint32_t FNextClickTick = 0;
    TTickSource tickCount_;

    TKind kind_ = TKind::None;
    GObjectPtr<GObject> icon_;  // the GtkStatusIcon or the AppIndicator
    GObjectPtr<GtkMenu> menu_;
    std::vector<TSignalConnection> signals_;
    bool hostConnected_ = false;  // a StatusNotifier host has the item
};
