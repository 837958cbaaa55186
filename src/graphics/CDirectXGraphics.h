#pragma once

// The graphics-and-scene object: one per process. It owns the rendering device and what is
// made on it (sprite, subtitle font, grid and handle buffers, head light) and holds the whole
// scene (characters, camera track, free perspective camera, subtitle track, colours, movie
// size, frame count, run, edit and camera modes, axis locks and selection), with the track
// accessors and edits, the transform edits and the picking that the views use.

#include "platform/CObject.h"
#include "platform/CRuntimeClass.h"
#include "platform/D3DTypes.h"
#include "platform/WinTypes.h"
#include "scene/CAnimation.h"
#include "scene/CCharacter.h"
#include "scene/TextTrack.h"

#include <cstdint>
#include <string>
#include <vector>

class CFrameBuffer;
class ID3DXFont;
class ID3DXSprite;
class IDirect3D9;
class IDirect3DDevice9;
class IDirect3DVertexBuffer9;
struct GizmoVertex;

class CDirectXGraphics : public CObject {
public:
    // An empty scene: no camera keys, characters or subtitle frames, no defaults, no device.
    CDirectXGraphics();
    // Creates the device on the window, then what is made on it, then the scene defaults.
    // The defaults apply even where no device could be made; the scene then draws nothing.
    explicit CDirectXGraphics(HWND window);
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
    // Takes over what a document stores (colours, characters, camera track, subtitles,
    // frame count, movie size, anti-aliasing) from a scene that was read into another
    // object. Its characters come without device objects: reload them next.
    void TakeStoredScene(CDirectXGraphics& source);
    // Gives the back buffer a new size; a zero or negative size changes nothing. False when
    // the back buffer does not have the size: for such a size, and after the message of a
    // device that could not make it.
    bool Resize(int width, int height);
    // Gives the back buffer the size a recording renders at: the movie's, twice that with
    // anti-aliasing. False, after the resize's message, when it cannot have that size.
    bool ResizeForRecording();
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }

    // Import and reload of characters from model files (code-page-932 paths).
    bool ImportCharacter(const std::string& path);
    bool ReloadCharacters();

    // One frame of the current frame g_nCurrentFrame, presented. While recording, the
    // finished picture is also copied into the recorder's frame (halved with anti-aliasing).
    void Render(CFrameBuffer* recordFrame);
    void BeginFrame(float zNear, float zFar);
    void SetTrackCameraView();
    void SetPerspectiveCameraView();
    // Directional light 0 shining along -v.
    void SetHeadLight(const D3DXVECTOR3& v);
    bool CreateTextFont(int height);
    void DrawTextAt(ID3DXFont* font, const std::string& text, int x, int y, int width, int height,
                    DWORD format, D3DCOLOR colour);
    void DrawGrid();
    void CreateGridBuffer();

    // Transform handles.
    void CreateMoveGizmoBuffer();
    void CreateRotateRingBufferX();
    void CreateRotateRingBufferY();
    void CreateRotateRingBufferZ();
    void CreateGizmoBoxBuffer();
    void CreateScaleGizmoBuffer();
    void DrawGizmo();
    void DrawMoveGizmo(const D3DXMATRIX* world);
    void DrawRotateRingX(const D3DXMATRIX* world);
    void DrawRotateRingY(const D3DXMATRIX* world);
    void DrawRotateRingZ(const D3DXMATRIX* world);
    void DrawGizmoBox(const D3DXMATRIX* world);
    void DrawScaleGizmo(const D3DXMATRIX* world);
    // The handle under a point of the view as last drawn: 0, 1, 2 for x, y, z, 3 for the
    // centre cube, -1 for none.
    int HitTestGizmo(int x, int y, IDirect3DDevice9* device);

    // Transform edits of the selected character's key at a frame.
    void MoveSelectedCharacter(int frame, float dx, float dy, float dz);
    void RotateSelectedCharacter(int frame, float dx, float dy, float dz);
    void ScaleSelectedCharacter(int frame, float dx, float dy, float dz);
    D3DXVECTOR3 GetSelectedCharacterPosition(int frame) const;
    D3DXVECTOR3 GetSelectedCharacterRotation(int frame) const;
    D3DXVECTOR3 GetSelectedCharacterScale(int frame) const;
    void SetCharacterPosition(int character, int frame, float x, float y, float z);
    void SetCharacterRotation(int character, int frame, float x, float y, float z);
    void SetCharacterScale(int character, int frame, float x, float y, float z);
    // Camera edits: the perspective camera, or the camera track's record of the current
    // frame (relative edits) or of the given frame (setters and getters).
    void MoveCamera(float dx, float dy, float dz);
    void RotateCamera(float dx, float dy, float dz);
    void ScaleCamera(float dx, float dy, float dz);
    void SetCameraPosition(int frame, float x, float y, float z);
    void SetCameraRotation(int frame, float x, float y, float z);
    void SetCameraScale(int frame, float x, float y, float z);
    D3DXVECTOR3 GetCameraPosition(int frame) const;
    D3DXVECTOR3 GetCameraRotation(int frame) const;
    D3DXVECTOR3 GetCameraScale(int frame) const;
    float GetCameraRotationX(int frame) const { return GetCameraRotation(frame).x; }
    float GetCameraRotationY(int frame) const { return GetCameraRotation(frame).y; }
    // Picks a handle of the selected character, else the nearest character under the point.
    bool PickAtPoint(int x, int y);

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
    UINT m_nAdapter = 0;
    float m_fBackBufferWidth = 1024.0f;
    float m_fBackBufferHeight = 768.0f;
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
    D3DPRESENT_PARAMETERS m_presentParams;
    D3DLIGHT9 m_headLight;
    ID3DXSprite* m_pSprite = nullptr;
    std::vector<CCharacter> m_characters;
    IDirect3DVertexBuffer9* m_pGridVB = nullptr;
    int m_nEditMode = EditMove;
    IDirect3DVertexBuffer9* m_pMoveVB = nullptr;
    IDirect3DVertexBuffer9* m_pRingXVB = nullptr;
    IDirect3DVertexBuffer9* m_pRingYVB = nullptr;
    IDirect3DVertexBuffer9* m_pRingZVB = nullptr;
    IDirect3DVertexBuffer9* m_pBoxVB = nullptr;
    IDirect3DVertexBuffer9* m_pScaleVB = nullptr;
    D3DXMATRIX m_matRingX;
    D3DXMATRIX m_matRingY;
    D3DXMATRIX m_matRingZ;
    D3DXMATRIX m_matHandle;
    ID3DXFont* m_pFont = nullptr;
    D3DXFONT_DESCA m_fontDesc;
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

private:
    static void ReportResizeFailure();
    IDirect3DVertexBuffer9* CreateGizmoBuffer(const std::vector<GizmoVertex>& vertices);
    void DrawHandleBuffer(IDirect3DVertexBuffer9* buffer, const D3DXMATRIX* world,
                          D3DXMATRIX& stored, UINT triangles, UINT lines);
    void DrawSubtitle(bool recording);
    bool CopyToRecordFrame(CFrameBuffer& recordFrame);
    void ReleaseDeviceObjects();
    // The selected character when it is shown and not locked, else null.
    CCharacter* GetEditableSelection();
    // The camera record that relative edits change: the perspective camera, or the camera
    // track's record of the current frame; null in any other case.
    CAnimation* GetEditedCamera();
    // The camera record that setters and getters use at a frame, or null.
    CAnimation* GetCameraRecord(int frame, bool forEdit);
    const CAnimation* GetSelectedKey(int frame) const;
    CAnimation* GetKey(int character, int frame);

    int m_nLastFollowedSelection = -1;
    // The back buffer's rows read while recording, kept so that every frame reuses them.
    std::vector<std::uint8_t> m_recordRows;
};

// The process's graphics-and-scene object, made and deleted by the 3D view.
extern CDirectXGraphics* g_pDirectXGraphics;

void RegisterDirectXGraphicsClass();
