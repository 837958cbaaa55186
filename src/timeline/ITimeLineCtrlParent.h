#pragma once

// The window that holds a timeline control: the control hit-tests every click first and then
// sends the click on to it, with the key-state flags and the point in the control's client
// coordinates.

#include <QPoint>

class ITimeLineCtrlParent {
public:
    virtual void OnLButtonDown(unsigned int flags, QPoint point) = 0;
    virtual void OnLButtonDblClk(unsigned int flags, QPoint point) = 0;
    virtual void OnRButtonDown(unsigned int flags, QPoint point) = 0;

protected:
    ~ITimeLineCtrlParent() = default;
};
