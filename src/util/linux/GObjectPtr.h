// Ownership of GLib things: one holder per kind, as the handle holders on
// Windows. A GObject reference is dropped by the holder that took it; a signal
// handler is disconnected by the holder that connected it; a timeout source is
// removed by the holder that added it.
#pragma once
#include <glib-object.h>

#include <memory>
#include <utility>

template <class T>
class GObjectPtr {
public:
    GObjectPtr() = default;
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    ~GObjectPtr() { Reset(); }

    // A reference the caller owns already (a constructor's result that is not floating).
    static GObjectPtr Adopt(T* object) { return GObjectPtr(object); }
    // A reference of our own: a floating one is sunk, any other one is added.
    static GObjectPtr RefSink(T* object) {
        if (object) g_object_ref_sink(G_OBJECT(object));
        return GObjectPtr(object);
    }

    T* Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void Reset(T* object = nullptr) {
        if (object_) g_object_unref(G_OBJECT(object_));
        object_ = object;
    }

private:
    explicit GObjectPtr(T* object) : object_(object) {}
    T* object_ = nullptr;
};

struct TGFreeDeleter {
    void operator()(void* memory) const { g_free(memory); }
};
struct TGErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using GCharPtr = std::unique_ptr<gchar, TGFreeDeleter>;
using GErrorPtr = std::unique_ptr<GError, TGErrorDeleter>;

// One connected signal handler; disconnected when the holder goes, while the
// instance is still alive (the holder keeps a reference to it).
class TSignalConnection {
public:
    TSignalConnection() = default;
    TSignalConnection(gpointer instance, const char* signal, GCallback callback, gpointer data, bool after = false)
        : instance_(GObjectPtr<GObject>::RefSink(G_OBJECT(instance))),
          id_(g_signal_connect_data(instance, signal, callback, data, nullptr,
                                    after ? G_CONNECT_AFTER : GConnectFlags(0))) {}
    TSignalConnection(TSignalConnection&& other) noexcept
        : instance_(std::move(other.instance_)), id_(std::exchange(other.id_, 0)) {}
    TSignalConnection& operator=(TSignalConnection&& other) noexcept {
        if (this != &other) {
            Disconnect();
            instance_ = std::move(other.instance_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~TSignalConnection() { Disconnect(); }

    void Disconnect() {
        if (id_ && instance_) g_signal_handler_disconnect(instance_.Get(), id_);
        id_ = 0;
        instance_.Reset();
    }

private:
    GObjectPtr<GObject> instance_;
    gulong id_ = 0;
};

// A repeating timeout on the default main context, removed with its holder.
class TTimeoutSource {
public:
    TTimeoutSource() = default;
    TTimeoutSource(const TTimeoutSource&) = delete;
    TTimeoutSource& operator=(const TTimeoutSource&) = delete;
    ~TTimeoutSource() { Stop(); }

    // The callback returns G_SOURCE_CONTINUE or G_SOURCE_REMOVE; after a
    // G_SOURCE_REMOVE it calls Forget() so no stale id is removed later.
    void Start(unsigned milliseconds, GSourceFunc callback, gpointer data) {
        Stop();
        id_ = g_timeout_add(milliseconds, callback, data);
    }
    void Stop() {
        if (id_) g_source_remove(id_);
        id_ = 0;
    }
    void Forget() { id_ = 0; }
    bool Running() const { return id_ != 0; }

private:
    guint id_ = 0;
};
