#include "platform/framework/CWndTimers.h"

#include <QObject>

CWndTimers::~CWndTimers() {
    for (const auto& [id, timer] : m_timers) {
        m_window.killTimer(timer);
    }
}

void CWndTimers::SetTimer(UINT id, UINT elapseMs) {
    KillTimer(id);
    m_timers[id] = m_window.startTimer(static_cast<int>(elapseMs), Qt::PreciseTimer);
}

void CWndTimers::KillTimer(UINT id) {
    if (const auto found = m_timers.find(id); found != m_timers.end()) {
        m_window.killTimer(found->second);
        m_timers.erase(found);
    }
}

std::optional<UINT> CWndTimers::TimerId(int qtTimerId) const {
    for (const auto& [id, timer] : m_timers) {
        if (timer == qtTimerId) {
            return id;
        }
    }
    return std::nullopt;
}
