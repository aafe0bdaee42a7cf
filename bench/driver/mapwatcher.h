#pragma once

#include <QObject>

#include <cstdint>

struct xcb_connection_t;
class QSocketNotifier;

// The monotonic clock, in milliseconds from an arbitrary origin.
double monotonicMs();

// Hears every top-level window that gets mapped on the X server, the moment the server says so: it waits on the X
// connection's socket rather than polling.
class MapWatcher : public QObject
{
    Q_OBJECT

public:
    MapWatcher();
    ~MapWatcher() override;

    bool isConnected() const { return m_connection != nullptr; }
    // Asks a window to close the way a window manager's close button does.
    void requestClose(uint32_t window);

signals:
    // atMs is when the event arrived, on the monotonic clock (monotonicMs).
    void mapped(uint32_t window, double atMs);

private:
    void readEvents();

    xcb_connection_t *m_connection = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};
