#pragma once

// The window timers of one window, by the ids the window gives them: setting an id that
// runs already replaces its timer, and 0 milliseconds fires whenever the event loop has
// nothing else to do. The window forwards its timerEvent to TimerId to learn which id fired.

#include "platform/WinTypes.h"

#include <map>
#include <optional>

class QObject;

class CWndTimers {
public:
    explicit CWndTimers(QObject& window) : m_window(window) {}
    CWndTimers(const CWndTimers&) = delete;
    CWndTimers& operator=(const CWndTimers&) = delete;
    ~CWndTimers();

    void SetTimer(UINT id, UINT elapseMs);
    void KillTimer(UINT id);
    bool IsRunning(UINT id) const { return m_timers.count(id) != 0; }
    // The id of a Qt timer that fired; nothing for a timer that is not one of these.
    std::optional<UINT> TimerId(int qtTimerId) const;

private:
    QObject& m_window;
    std::map<UINT, int> m_timers;
};
