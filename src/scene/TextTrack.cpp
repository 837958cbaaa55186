#include "scene/TextTrack.h"

#include "platform/CArchive.h"
#include "scene/SceneTypes.h"

namespace TextTrack {
namespace {
bool InRange(const States& states, int n) {
    return n >= 0 && n < static_cast<int>(states.size());
}

// A stored frame holds at least a one-byte text prefix and its state.
constexpr std::size_t MinimumStoredFrameBytes = 5;
} // namespace

void SetFrameState(Texts& texts, States& states, int n, std::int32_t state) {
    if (n < 0) {
        return;
    }
    const auto size = static_cast<std::size_t>(n) + 1;
    if (states.size() < size) {
        states.resize(size, FrameInBetween);
        texts.resize(size);
    }
    states[static_cast<std::size_t>(n)] = state;
}

void InsertFrame(Texts& texts, States& states, int n) {
    if (!InRange(states, n)) {
        return;
    }
    states.insert(states.begin() + n, FrameInBetween);
    texts.insert(texts.begin() + n, std::string());
}

void DeleteFrame(Texts& texts, States& states, int n) {
    if (!InRange(states, n)) {
        return;
    }
    states.erase(states.begin() + n);
    texts.erase(texts.begin() + n);
}

std::string GetText(const Texts& texts, const States& states, int n) {
    return InRange(states, n) ? texts[static_cast<std::size_t>(n)] : std::string();
}

void SetContent(Texts& texts, States& states, int n, const std::string& text) {
    if (!InRange(states, n)) {
        return;
    }
    states[static_cast<std::size_t>(n)] = FrameContentKey;
    texts[static_cast<std::size_t>(n)] = text;
}

void Serialize(CArchive& archive, Texts& texts, States& states) {
    if (archive.IsStoring()) {
        archive << static_cast<std::int32_t>(states.size());
        for (std::size_t i = 0; i < states.size(); ++i) {
            archive << texts[i] << states[i];
        }
        return;
    }
    std::int32_t stored = 0;
    archive >> stored;
    archive.CheckCount(stored, MinimumStoredFrameBytes, sizeof(std::string) + sizeof(std::int32_t));
    const auto count = static_cast<std::size_t>(stored);
    DropElementsBeyond(texts, count);
    DropElementsBeyond(states, count);
    MakeRoomForCount(archive, texts, count);
    MakeRoomForCount(archive, states, count);
    for (std::size_t i = 0; i < count; ++i) {
        // Both elements are made before either is read: the two lists keep one length.
        std::string& text = ElementToLoad(texts, i, count);
        std::int32_t& state = ElementToLoad(states, i, count);
        archive >> text >> state;
    }
}

} // namespace TextTrack
