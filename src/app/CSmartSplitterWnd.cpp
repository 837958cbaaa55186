#include "app/CSmartSplitterWnd.h"

CSmartSplitterWnd::CSmartSplitterWnd() {
    setHandleWidth(BarWidth);
    setContentsMargins(0, 0, 0, 0);
    setFrameShape(QFrame::NoFrame);
}
