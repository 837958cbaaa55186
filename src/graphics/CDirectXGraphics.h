#pragma once

// The graphics-and-scene object: one per process. It holds the whole scene (characters,
// camera track, free perspective camera, subtitle track, colours, movie size, frame count,
// run, edit and camera modes, axis locks and selection) and the track accessors and frame
// edits that the property form, the timeline and the document use.

#include "platform/CObject.h"
#include "platform/CRuntimeClass.h"
#include "platform/WinTypes.h"
#include "scene/CAnimation.h"
#include "scene/CCharacter.h"
#include "scene/TextTrack.h"

#include <cstdint>
#include <string>
#include <vector>

class CDirectXGraphics : public CObject {
public:
    // An empty scene: no camera keys, characters or subtitle frames, and no defaults.
    CDirectXGraphics();
    CDirectXGraphics(const CDirectXGraphics&) = delete;
    CDirectXGraphics& operator=(const CDirectXGraphics&) = delete;
    ~CDirectXGraphics() override;

    static const CRuntimeClass classCDirectXGraphics;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDirectXGraphics; }
    static CObject* CreateObject();
    void Serialize(CArchive& archive) override;

    // Scene set-up.
    void SetDefaults();
    void ResetCamera();
    // Releases and removes every character and camera record; nothing else changes.
    void ClearScene();

    // Subtitle and character accessors: out of range answers with a default.
    std::string GetSubtitle(int frame) const;
    void SetSubtitle(const std::string& text, int frame);
    std::int32_t GetCharacterFrameState(int character, int frame) const;
    std::string GetCharacterMotionName(int character, int frame) const;
    void SetCharacterMotionName(int character, int frame, const std::string& name);
    bool GetCharacterLoop(int character, int frame) const;
    bool GetCharacterStopAtEnd(int character, int frame) const;
    std::string GetAnimationName(int character, int i) const;
    std::string GetBoneAnimationName(int character, int i) const;
    int GetCharacterCount() const { return static_cast<int>(m_characters.size()); }
    // The character at an index, or null.
    CCharacter* GetCharacter(int character);
    const CCharacter* GetCharacter(int character) const;

    // Interpolation.
    void InterpolateCharacter(int character);
    void InterpolateSelectedCharacter();
    void InterpolateAllCharacters();
    void InterpolateCameraKeys();
    void FillSubtitles();

    // Frame edits.
    void SetSubtitleFrameState(int frame, std::int32_t state);
    void DeleteSubtitleFrame(int frame);
    void InsertSubtitleFrame(int frame);
    void DeleteCameraFrame(int frame);
    void InsertCameraFrame(int frame);
    void SetCameraFrameState(int frame, std::int32_t state);
    void DeleteCharacterFrame(int character, int frame);
    void InsertCharacterFrame(int character, int frame);
    void SetCharacterFrameState(std::int32_t state, int character, int frame);
    void DeleteCharacter(int character);

    std::vector<CAnimation> m_cameraKeys;
    CAnimation m_perspectiveCamera;
    int m_nCameraMode = CameraPerspective;
    COLORREF m_crBackground = RGB(30, 65, 90);
    COLORREF m_crFont = RGB(255, 255, 255);
    std::vector<CCharacter> m_characters;
    int m_nEditMode = EditMove;
    BOOL m_bAxisX = TRUE;
    BOOL m_bAxisY = TRUE;
    BOOL m_bAxisZ = TRUE;
    int m_nPickedHandle = PickedNothing;
    int m_nSelected = -1;
    TextTrack::Texts m_subtitles;
    TextTrack::States m_subtitleStates;
    int m_nRunMode = RunEdit;
    int m_nFrameCount = DefaultFrameCount;
    int m_nMovieWidth = 320;
    int m_nMovieHeight = 240;
    bool m_bFollowSelection = false;
    bool m_bAntiAlias = false;
};

void RegisterDirectXGraphicsClass();
