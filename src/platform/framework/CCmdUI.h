#pragma once

// The state that a command-update handler gives one command: enabled, and its check mark.
// A handler that sets nothing leaves the command enabled and unchecked.

#include "platform/WinTypes.h"

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}

    void Enable(bool enabled = true) { m_bEnabled = enabled; }
    void SetCheck(int check = 1) {
        m_nCheck = check;
        m_bCheckable = true;
    }

    UINT m_nID;
    bool m_bEnabled = true;
    // Whether a handler gave the command a check state at all.
    bool m_bCheckable = false;
    int m_nCheck = 0;
};
