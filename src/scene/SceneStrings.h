#pragma once

// Code-page-932 literals that the scene compares names against or answers with.

// "なし" (none): the motion name of a frame or list entry that does not exist.
inline constexpr const char* NoMotionName = "\x82\xc8\x82\xb5";
// The name of a bone animation that the model file left unnamed.
inline constexpr const char* UnnamedBoneAnimation = "None";
// The part of this name (in any case) is picked but never drawn.
inline constexpr const char* CollisionPartName = "collision";
