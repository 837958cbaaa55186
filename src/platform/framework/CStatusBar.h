#pragma once

// The status bar: a message pane, which shows a command's prompt while the pointer is over
// it and the idle message otherwise, then one pane per indicator, whose text (the string of
// the indicator's id) shows while the indicator's update handler enables it.

#include "platform/WinTypes.h"

#include <QStatusBar>

#include <utility>
#include <vector>

class CFrameWnd;
class QLabel;

class CStatusBar : public QStatusBar {
public:
    bool Create(CFrameWnd* frame, UINT id);
    bool SetIndicators(const std::vector<UINT>& ids);
    void UpdateIndicators(const CFrameWnd& frame);

private:
    std::vector<std::pair<UINT, QLabel*>> m_indicators;
};
