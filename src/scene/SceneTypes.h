#pragma once

// Values shared by every scene track and by the views that show them.

#include <cstdint>

// State of a frame on a scene track. A key is a frame whose state is FrameKey or
// FrameContentKey.
enum FrameState : std::int32_t {
    FrameEmpty = -1,     // the object is absent
    FrameInBetween = 0,  // filled from the keys around it
    FrameKey = 1,        //
    FrameContentKey = 2, // a key whose motion, WAV or subtitle was set
};

constexpr bool IsKeyState(std::int32_t state) {
    return state >= FrameKey;
}

enum RunMode : int { RunEdit = 0, RunPlay = 1, RunRecord = 2 };
enum EditMode : int { EditMove = 0, EditRotate = 1, EditScale = 2 };
enum CameraMode : int { CameraTrack = 0, CameraPerspective = 1 };

// What the last mouse-down hit: the x, y or z handle of the current edit mode, the centre
// cube (the whole character), or nothing.
enum PickedHandle : int {
    PickedNothing = -1,
    PickedHandleX = 0,
    PickedHandleY = 1,
    PickedHandleZ = 2,
    PickedCentre = 3
};

enum UpdateHint : int {
    HintSceneChanged = 1,
    HintDocumentLoaded = 2,
    HintSelectionChanged = 3,
    HintCharacterImported = 4,
    HintPlay = 5,
    HintStop = 6,
    HintGoFirst = 7,
    HintGoLast = 8,
    HintRecordStart = 9,
    HintRecordEnd = 10,
    HintFrameCountChanged = 11
};

constexpr int DefaultFrameCount = 900;
// The most frames a movie may have, over nine hours at 30 frames per second: every frame the
// timeline can reach then stays far from the int range, and a key there fits in memory.
constexpr int MaxFrameCount = 1000000;
constexpr int FramesPerSecond = 30;

// Degrees to radians, in single precision as the scene computes it.
constexpr float DegreesToRadians = 0.017453292f;
