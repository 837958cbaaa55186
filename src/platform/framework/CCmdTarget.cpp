#include "platform/framework/CCmdTarget.h"

#include "platform/framework/CCmdUI.h"

bool CCmdTarget::OnCommand(UINT id) {
    if (const auto found = m_commands.find(id); found != m_commands.end()) {
        found->second();
        return true;
    }
    if (const Range* range = FindRange(id)) {
        range->handler(id);
        return true;
    }
    return false;
}

bool CCmdTarget::OnUpdateCommand(CCmdUI& ui) {
    const auto found = m_updates.find(ui.m_nID);
    if (found == m_updates.end()) {
        return false;
    }
    found->second(ui);
    return true;
}

bool CCmdTarget::HasCommandHandler(UINT id) const {
    return m_commands.count(id) != 0 || FindRange(id) != nullptr;
}

void CCmdTarget::MapCommand(UINT id, std::function<void()> handler) {
    m_commands[id] = std::move(handler);
}

void CCmdTarget::MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler) {
    m_ranges.push_back({first, last, std::move(handler)});
}

void CCmdTarget::MapUpdateCommand(UINT id, std::function<void(CCmdUI&)> handler) {
    m_updates[id] = std::move(handler);
}

const CCmdTarget::Range* CCmdTarget::FindRange(UINT id) const {
    // The latest range wins, as a later registration overrides an earlier one.
    for (auto range = m_ranges.rbegin(); range != m_ranges.rend(); ++range) {
        if (id >= range->first && id <= range->last) {
            return &*range;
        }
    }
    return nullptr;
}
