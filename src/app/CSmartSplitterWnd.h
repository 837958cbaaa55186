#pragma once

// The splitter of the main window's panes: thin 5-pixel bars with no borders, so that the
// 3D pane is never overdrawn.

#include "platform/framework/CSplitterWnd.h"

class CSmartSplitterWnd : public CSplitterWnd {
public:
    static constexpr int BarWidth = 5;

    CSmartSplitterWnd();
};
