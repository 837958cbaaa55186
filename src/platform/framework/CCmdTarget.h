#pragma once

// Something that commands are offered to: it keeps a handler per command id (or id range)
// and an update handler per id, as a message map does. A handler registered later for the
// same id replaces the earlier one, so a derived class overrides its base's handlers by
// registering in its constructor.

#include "platform/WinTypes.h"

#include <functional>
#include <map>
#include <utility>
#include <vector>

class CCmdUI;

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the command's handler; false when this target has none.
    virtual bool OnCommand(UINT id);
    // Runs the command's update handler; false when this target has none.
    virtual bool OnUpdateCommand(CCmdUI& ui);
    virtual bool HasCommandHandler(UINT id) const;

protected:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    void MapCommand(UINT id, std::function<void()> handler);
    void MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
    void MapUpdateCommand(UINT id, std::function<void(CCmdUI&)> handler);

private:
    struct Range {
        UINT first;
        UINT last;
        std::function<void(UINT)> handler;
    };
    const Range* FindRange(UINT id) const;

    std::map<UINT, std::function<void()>> m_commands;
    std::vector<Range> m_ranges;
    std::map<UINT, std::function<void(CCmdUI&)>> m_updates;
};
