#include "graphics/CDirectXGraphics.h"

#include "graphics/GizmoGeometry.h"
#include "loader/PickRay.h"
#include "platform/CArchive.h"
#include "platform/CFrameBuffer.h"
#include "platform/ID3DXFont.h"
#include "platform/ID3DXMatrixStack.h"
#include "platform/ID3DXSprite.h"
#include "platform/IDirect3D9.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/ProgramFolder.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneStrings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

CDirectXGraphics* g_pDirectXGraphics = nullptr;

const CRuntimeClass CDirectXGraphics::classCDirectXGraphics = {
    "CDirectXGraphics", sizeof(CDirectXGraphics), 0, &CDirectXGraphics::CreateObject};

void RegisterDirectXGraphicsClass() {
    CRuntimeClass::Register(&CDirectXGraphics::classCDirectXGraphics);
}

CObject* CDirectXGraphics::CreateObject() {
    return new CDirectXGraphics();
}

namespace {
// A stored character holds at least a one-byte name prefix, its key count and lock flag.
constexpr std::size_t MinimumStoredCharacterBytes = 6;
constexpr int DefaultBackBufferWidth = 1024;
constexpr int DefaultBackBufferHeight = 768;
constexpr int InitialFontHeight = 32;
constexpr float FieldOfView = 0.6981317f; // 40 degrees
constexpr float HandleDistanceMiss = 1000000.0f;

D3DCOLOR OpaqueColour(COLORREF colour) {
    return D3DCOLOR_ARGB(255, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The system's own messages, as code-page-932 text.
std::string Message(const char* utf8) {
    return Mbcs::FromUtf8(utf8).value_or(utf8);
}

D3DXMATRIX Scaling(const D3DXVECTOR3& s) {
    D3DXMATRIX m;
    return *D3DXMatrixScaling(&m, s.x, s.y, s.z);
}

D3DXMATRIX Translation(const D3DXVECTOR3& p) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, p.x, p.y, p.z);
}

D3DXMATRIX RotationX(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationX(&m, degrees * DegreesToRadians);
}

D3DXMATRIX RotationY(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationY(&m, degrees * DegreesToRadians);
}

D3DXMATRIX RotationZ(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationZ(&m, degrees * DegreesToRadians);
}

template <typename T> void ReleaseAndClear(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// The first triangle of the list that the ray hits, in list order, with its distance.
bool FirstHit(const PickRay& ray, const std::vector<GizmoGeometry::Triangle>& triangles,
              float* distance) {
    for (const auto& t : triangles) {
        if (D3DXIntersectTri(&t[0], &t[1], &t[2], &ray.origin, &ray.direction, nullptr, nullptr,
                             distance)) {
            return true;
        }
    }
    return false;
}
} // namespace

CDirectXGraphics::CDirectXGraphics() = default;

CDirectXGraphics::CDirectXGraphics(HWND window) {
    m_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (m_pD3D != nullptr) {
        m_nAdapter = 0;
        D3DDISPLAYMODE mode;
        m_pD3D->GetAdapterDisplayMode(m_nAdapter, &mode);
        m_presentParams = D3DPRESENT_PARAMETERS();
        m_presentParams.BackBufferWidth = DefaultBackBufferWidth;
        m_presentParams.BackBufferHeight = DefaultBackBufferHeight;
        m_presentParams.BackBufferFormat = mode.Format;
        m_presentParams.SwapEffect = D3DSWAPEFFECT_FLIP;
        m_presentParams.Windowed = TRUE;
        m_presentParams.EnableAutoDepthStencil = TRUE;
        m_presentParams.AutoDepthStencilFormat = D3DFMT_D16;
        m_presentParams.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        m_fBackBufferWidth = static_cast<float>(DefaultBackBufferWidth);
        m_fBackBufferHeight = static_cast<float>(DefaultBackBufferHeight);
        if (FAILED(m_pD3D->CreateDevice(m_nAdapter, D3DDEVTYPE_HAL, window,
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &m_presentParams,
                                        &m_pDevice)) &&
            FAILED(m_pD3D->CreateDevice(m_nAdapter, D3DDEVTYPE_HAL, window,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &m_presentParams,
                                        &m_pDevice))) {
            m_pDevice = nullptr;
        }
    }
    if (m_pDevice != nullptr) {
        if (FAILED(m_pDevice->CreateSprite(&m_pSprite))) {
            m_pSprite = nullptr;
            MessageBoxService::Show("ERROR CreateSprite");
        }
        CreateGridBuffer();
        CreateMoveGizmoBuffer();
        CreateRotateRingBufferX();
        CreateRotateRingBufferY();
        CreateRotateRingBufferZ();
        CreateGizmoBoxBuffer();
        CreateScaleGizmoBuffer();
        CreateTextFont(InitialFontHeight);
    }
    SetDefaults();
}

CDirectXGraphics::~CDirectXGraphics() {
    ReleaseDeviceObjects();
}

void CDirectXGraphics::ReleaseDeviceObjects() {
    for (CCharacter& character : m_characters) {
        character.ReleaseDeviceObjects();
    }
    ReleaseAndClear(m_pFont);
    ReleaseAndClear(m_pSprite);
    for (IDirect3DVertexBuffer9** buffer :
         {&m_pGridVB, &m_pMoveVB, &m_pRingXVB, &m_pRingYVB, &m_pRingZVB, &m_pBoxVB, &m_pScaleVB}) {
        ReleaseAndClear(*buffer);
    }
    delete m_pDevice;
    m_pDevice = nullptr;
    ReleaseAndClear(m_pD3D);
}

void CDirectXGraphics::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive << m_crBackground << m_crFont << static_cast<std::int32_t>(m_characters.size())
                << static_cast<std::int32_t>(m_cameraKeys.size());
        TextTrack::Serialize(archive, m_subtitles, m_subtitleStates);
        archive << static_cast<std::int32_t>(m_nFrameCount)
                << static_cast<std::int32_t>(m_nMovieWidth)
                << static_cast<std::int32_t>(m_nMovieHeight) << m_bAntiAlias;
        for (CCharacter& character : m_characters) {
            character.Serialize(archive);
        }
        for (CAnimation& record : m_cameraKeys) {
            record.Serialize(archive);
        }
        return;
    }
    std::int32_t characterCount = 0;
    std::int32_t cameraCount = 0;
    archive >> m_crBackground >> m_crFont >> characterCount;
    archive.CheckCount(characterCount, MinimumStoredCharacterBytes, sizeof(CCharacter));
    MakeRoomForCount(archive, m_characters, static_cast<std::size_t>(characterCount));
    archive >> cameraCount;
    archive.CheckCount(cameraCount, MinimumStoredKeyBytes, sizeof(CAnimation));
    MakeRoomForCount(archive, m_cameraKeys, static_cast<std::size_t>(cameraCount));
    TextTrack::Serialize(archive, m_subtitles, m_subtitleStates);
    std::int32_t frameCount = 0;
    std::int32_t movieWidth = 0;
    std::int32_t movieHeight = 0;
    archive >> frameCount >> movieWidth >> movieHeight;
    // A longer movie than the form takes opens as long as the form allows.
    m_nFrameCount = std::min(frameCount, std::int32_t{MaxFrameCount});
    m_nMovieWidth = movieWidth;
    m_nMovieHeight = movieHeight;
    archive >> m_bAntiAlias;
    // The counts stand before the subtitles; their records come last.
    LoadList(m_characters, static_cast<std::size_t>(characterCount),
             [&archive](CCharacter& character) { character.Serialize(archive); });
    LoadList(m_cameraKeys, static_cast<std::size_t>(cameraCount),
             [&archive](CAnimation& record) { record.Serialize(archive); });
}

void CDirectXGraphics::TakeStoredScene(CDirectXGraphics& source) {
    m_crBackground = source.m_crBackground;
    m_crFont = source.m_crFont;
    m_characters = std::move(source.m_characters);
    source.m_characters.clear();
    m_cameraKeys = std::move(source.m_cameraKeys);
    m_subtitles = std::move(source.m_subtitles);
    m_subtitleStates = std::move(source.m_subtitleStates);
    m_nFrameCount = source.m_nFrameCount;
    m_nMovieWidth = source.m_nMovieWidth;
    m_nMovieHeight = source.m_nMovieHeight;
    m_bAntiAlias = source.m_bAntiAlias;
}

void CDirectXGraphics::SetDefaults() {
    m_crBackground = RGB(30, 65, 90);
    m_crFont = RGB(255, 255, 255);
    m_nEditMode = EditMove;
    m_nRunMode = RunEdit;
    m_nPickedHandle = PickedNothing;
    m_bAxisX = m_bAxisY = m_bAxisZ = TRUE;
    m_nSelected = -1;
    m_cameraKeys.resize(1);
    CAnimation& camera = m_cameraKeys.front();
    camera.m_nState = FrameKey;
    camera.m_position = D3DXVECTOR3(0.0f, -100.0f, -1000.0f);
    camera.m_rotation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    camera.m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    m_subtitles.clear();
    m_subtitleStates.clear();
    SetSubtitleFrameState(0, FrameKey);
    m_nFrameCount = DefaultFrameCount;
    m_nMovieWidth = 320;
    m_nMovieHeight = 240;
    m_bFollowSelection = false;
    ResetCamera();
    m_bAntiAlias = false;
}

void CDirectXGraphics::ResetCamera() {
    m_perspectiveCamera.m_position = D3DXVECTOR3(0.0f, 0.0f, -1000.0f);
    m_perspectiveCamera.m_rotation = D3DXVECTOR3(30.0f, -30.0f, 0.0f);
    m_perspectiveCamera.m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    m_nCameraMode = CameraPerspective;
}

void CDirectXGraphics::ClearScene() {
    for (CCharacter& character : m_characters) {
        character.ReleaseDeviceObjects();
    }
    m_characters.clear();
    m_cameraKeys.clear();
}

std::string CDirectXGraphics::GetSubtitle(int frame) const {
    return TextTrack::GetText(m_subtitles, m_subtitleStates, frame);
}

void CDirectXGraphics::SetSubtitle(const std::string& text, int frame) {
    TextTrack::SetContent(m_subtitles, m_subtitleStates, frame, text);
}

CCharacter* CDirectXGraphics::GetCharacter(int character) {
    if (character < 0 || character >= GetCharacterCount()) {
        return nullptr;
    }
    return &m_characters[static_cast<std::size_t>(character)];
}

const CCharacter* CDirectXGraphics::GetCharacter(int character) const {
    return const_cast<CDirectXGraphics*>(this)->GetCharacter(character);
}

std::int32_t CDirectXGraphics::GetCharacterFrameState(int character, int frame) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr ? found->GetKeyState(frame) : FrameEmpty;
}

std::string CDirectXGraphics::GetCharacterMotionName(int character, int frame) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr ? found->GetKeyMotionName(frame) : std::string(NoMotionName);
}

void CDirectXGraphics::SetCharacterMotionName(int character, int frame, const std::string& name) {
    if (CCharacter* found = GetCharacter(character)) {
        found->SetKeyMotionName(frame, name);
    }
}

bool CDirectXGraphics::GetCharacterLoop(int character, int frame) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr && found->GetKeyLoop(frame);
}

bool CDirectXGraphics::GetCharacterStopAtEnd(int character, int frame) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr && found->GetKeyStopAtEnd(frame);
}

std::string CDirectXGraphics::GetAnimationName(int character, int i) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr ? found->GetAnimationName(i) : std::string(NoMotionName);
}

std::string CDirectXGraphics::GetBoneAnimationName(int character, int i) const {
    const CCharacter* found = GetCharacter(character);
    return found != nullptr ? found->GetBoneAnimationName(i) : std::string(NoMotionName);
}

void CDirectXGraphics::InterpolateCharacter(int character) {
    if (CCharacter* found = GetCharacter(character)) {
        found->InterpolateKeys();
    }
}

void CDirectXGraphics::InterpolateSelectedCharacter() {
    InterpolateCharacter(m_nSelected);
}

void CDirectXGraphics::InterpolateAllCharacters() {
    for (CCharacter& character : m_characters) {
        character.InterpolateKeys();
    }
}

void CDirectXGraphics::InterpolateCameraKeys() {
    CAnimation::InterpolateTransforms(m_cameraKeys);
}

void CDirectXGraphics::FillSubtitles() {
    const std::size_t count = m_subtitleStates.size();
    std::size_t start = 0;
    while (start < count && m_subtitleStates[start] != FrameContentKey) {
        m_subtitles[start].clear();
        ++start;
    }
    std::size_t base = start;
    for (std::size_t k = start + 1; k < count; ++k) {
        switch (m_subtitleStates[k]) {
        case FrameInBetween:
            m_subtitles[k] = m_subtitles[base];
            break;
        case FrameKey: // a plain key ends the subtitle
            m_subtitles[k].clear();
            base = k;
            break;
        case FrameContentKey:
            base = k;
            break;
        case FrameEmpty:
            m_subtitles[k].clear();
            break;
        default:
            break;
        }
    }
}

void CDirectXGraphics::SetSubtitleFrameState(int frame, std::int32_t state) {
    TextTrack::SetFrameState(m_subtitles, m_subtitleStates, frame, state);
}

void CDirectXGraphics::DeleteSubtitleFrame(int frame) {
    TextTrack::DeleteFrame(m_subtitles, m_subtitleStates, frame);
}

void CDirectXGraphics::InsertSubtitleFrame(int frame) {
    TextTrack::InsertFrame(m_subtitles, m_subtitleStates, frame);
}

void CDirectXGraphics::DeleteCameraFrame(int frame) {
    if (frame >= 0 && frame < static_cast<int>(m_cameraKeys.size())) {
        m_cameraKeys.erase(m_cameraKeys.begin() + frame);
    }
}

void CDirectXGraphics::InsertCameraFrame(int frame) {
    if (frame >= 0 && frame < static_cast<int>(m_cameraKeys.size())) {
        m_cameraKeys.insert(m_cameraKeys.begin() + frame, CAnimation());
    }
}

void CDirectXGraphics::SetCameraFrameState(int frame, std::int32_t state) {
    if (frame < 0) {
        return;
    }
    const bool grown = frame >= static_cast<int>(m_cameraKeys.size());
    if (grown) {
        m_cameraKeys.resize(static_cast<std::size_t>(frame) + 1);
    }
    CAnimation& record = m_cameraKeys[static_cast<std::size_t>(frame)];
    if (grown || record.m_nState == FrameEmpty) {
        // A camera keyed past its track starts where it stood at its last key.
        const int key = CAnimation::FindKeyAtOrBefore(m_cameraKeys, frame);
        if (key >= 0) {
            record = m_cameraKeys[static_cast<std::size_t>(key)];
        }
    }
    record.m_nState = state;
}

void CDirectXGraphics::DeleteCharacterFrame(int character, int frame) {
    CCharacter* found = GetCharacter(character);
    if (found != nullptr && found->IsFrameInRange(frame)) {
        found->m_keys.erase(found->m_keys.begin() + frame);
    }
}

void CDirectXGraphics::InsertCharacterFrame(int character, int frame) {
    if (CCharacter* found = GetCharacter(character)) {
        found->InsertFrame(frame);
    }
}

void CDirectXGraphics::SetCharacterFrameState(std::int32_t state, int character, int frame) {
    if (CCharacter* found = GetCharacter(character)) {
        found->SetFrameState(frame, state);
    }
}

void CDirectXGraphics::DeleteCharacter(int character) {
    CCharacter* found = GetCharacter(character);
    if (found == nullptr) {
        return;
    }
    // Release first: the erase moves the later characters down over it and releases nothing.
    found->ReleaseDeviceObjects();
    m_characters.erase(m_characters.begin() + character);
}

bool CDirectXGraphics::Resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    m_fBackBufferWidth = static_cast<float>(width);
    m_fBackBufferHeight = static_cast<float>(height);
    m_presentParams.BackBufferWidth = static_cast<UINT>(width);
    m_presentParams.BackBufferHeight = static_cast<UINT>(height);
    if (m_pDevice == nullptr) {
        return true;
    }
    if (m_pSprite != nullptr) {
        m_pSprite->OnLostDevice();
    }
    if (m_pFont != nullptr) {
        m_pFont->OnLostDevice();
    }
    if (FAILED(m_pDevice->Reset(&m_presentParams))) {
        ReportResizeFailure();
        return false;
    }
    if (m_pSprite != nullptr) {
        m_pSprite->OnResetDevice();
    }
    if (m_pFont != nullptr) {
        m_pFont->OnResetDevice();
    }
    return true;
}

bool CDirectXGraphics::ResizeForRecording() {
    const std::int64_t scale = m_bAntiAlias ? 2 : 1;
    const std::int64_t width = m_nMovieWidth * scale;
    const std::int64_t height = m_nMovieHeight * scale;
    const auto possible = [](std::int64_t size) {
        return size > 0 && size <= std::numeric_limits<int>::max();
    };
    if (!possible(width) || !possible(height)) {
        ReportResizeFailure();
        return false;
    }
    return Resize(static_cast<int>(width), static_cast<int>(height));
}

void CDirectXGraphics::ReportResizeFailure() {
    MessageBoxService::Show(Message("リサイズに失敗"));
}

bool CDirectXGraphics::ImportCharacter(const std::string& path) {
    CCharacter character;
    if (!character.LoadModel(path, m_pDevice)) {
        character.ReleaseDeviceObjects(); // whatever the failed load made on the device
        return false;
    }
    m_characters.insert(m_characters.begin(), std::move(character));
    return true;
}

bool CDirectXGraphics::ReloadCharacters() {
    const std::string folder = Mbcs::FromUtf8(GetProgramFolder()).value_or(std::string());
    for (CCharacter& character : m_characters) {
        // A model kept outside the program folder is stored with its full path.
        const std::string& name = character.m_strFileName;
        const std::string path = !name.empty() && name.front() == '/' ? name : folder + name;
        if (!character.LoadModel(path, m_pDevice)) {
            return false;
        }
    }
    return true;
}

void CDirectXGraphics::Render(CFrameBuffer* recordFrame) {
    if (m_pDevice == nullptr) {
        return;
    }
    BeginFrame(100.0f, 100000.0f);
    if (m_nCameraMode == CameraTrack) {
        SetTrackCameraView();
    } else if (m_nCameraMode == CameraPerspective) {
        SetPerspectiveCameraView();
    }
    for (CCharacter& character : m_characters) {
        character.Draw(m_pDevice);
    }
    if (m_nRunMode == RunEdit) {
        DrawGrid();
        m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0); // handles over the scene
        DrawGizmo();
    }
    const bool recording = m_nRunMode == RunRecord && recordFrame != nullptr;
    const float fontScale = recording && m_bAntiAlias ? 0.08f : 0.04f;
    const float width = recording ? static_cast<float>(m_nMovieWidth) : m_fBackBufferWidth;
    if (CreateTextFont(static_cast<int>(width * fontScale)) && m_pSprite != nullptr) {
        m_pSprite->Begin(D3DXSPRITE_SORT_TEXTURE);
        DrawSubtitle(recording);
        m_pSprite->End();
    }
    m_pDevice->EndScene();
    if (recording && !CopyToRecordFrame(*recordFrame)) {
        return; // no picture to record: the frame ends without presenting
    }
    if (FAILED(m_pDevice->Present())) {
        m_pDevice->Reset(&m_presentParams);
    }
}

void CDirectXGraphics::DrawSubtitle(bool recording) {
    const std::string text = GetSubtitle(g_nCurrentFrame);
    const int y = static_cast<int>(static_cast<float>(static_cast<int>(m_fBackBufferHeight)) -
                                   1.8f * static_cast<float>(m_fontDesc.Height));
    const int o = recording && m_bAntiAlias ? 2 : 1;
    const int width = static_cast<int>(m_fBackBufferWidth);
    const int height = static_cast<int>(m_fBackBufferHeight);
    const D3DCOLOR outline = D3DCOLOR_ARGB(255, 0, 0, 0);
    auto draw = [&](int x, int top, D3DCOLOR colour) {
        DrawTextAt(m_pFont, text, x, top, width, height, DT_CENTER, colour);
    };
    if (o == 2) {
        draw(1, y - 1, outline);
        draw(3, y - 1, outline);
        draw(1, y + 1, outline);
        draw(3, y + 1, outline);
    }
    draw(o, y - o, outline);
    draw(o, y + o, outline);
    draw(0, y, outline);
    draw(2 * o, y, outline);
    draw(o, y, OpaqueColour(m_crFont));
}

// The movie's part of the back buffer, twice its size with anti-aliasing; where the back
// buffer is smaller, the part that it has, as a copy from a Direct3D surface is clipped to
// the surface.
bool CDirectXGraphics::CopyToRecordFrame(CFrameBuffer& recordFrame) {
    const UINT factor = m_bAntiAlias ? 2 : 1;
    const UINT width = std::min(static_cast<UINT>(std::max(m_nMovieWidth, 0)) * factor,
                                m_presentParams.BackBufferWidth);
    const UINT height = std::min(static_cast<UINT>(std::max(m_nMovieHeight, 0)) * factor,
                                 m_presentParams.BackBufferHeight);
    if (FAILED(m_pDevice->ReadBackBuffer(width, height, m_recordRows))) {
        return false;
    }
    if (m_bAntiAlias) {
        recordFrame.ShrinkHalftone(m_recordRows, width, height);
    } else {
        recordFrame.Copy(m_recordRows, width, height);
    }
    return true;
}

void CDirectXGraphics::BeginFrame(float zNear, float zFar) {
    IDirect3DDevice9* d = m_pDevice;
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, OpaqueColour(m_crBackground), 1.0f, 0);
    d->BeginScene();
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    d->SetFVF(MeshVertexFVF);
    d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovRH(&projection, FieldOfView, m_fBackBufferWidth / m_fBackBufferHeight,
                               zNear, zFar);
    d->SetTransform(D3DTS_PROJECTION, &projection);
}

void CDirectXGraphics::SetTrackCameraView() {
    const int frame = g_nCurrentFrame;
    if (frame < 0 || frame >= static_cast<int>(m_cameraKeys.size())) {
        m_nCameraMode = CameraPerspective; // stays so until the camera track is chosen again
        SetPerspectiveCameraView();
        return;
    }
    const CAnimation& camera = m_cameraKeys[static_cast<std::size_t>(frame)];
    const D3DXMATRIX view = Scaling(camera.m_scale) * Translation(camera.m_position) *
                            RotationZ(camera.m_rotation.z) * RotationY(camera.m_rotation.y) *
                            RotationX(camera.m_rotation.x);
    m_pDevice->SetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &view);
    D3DXVECTOR3 v;
    D3DXVec3TransformNormal(&v, &m_perspectiveCamera.m_position, &inverse);
    SetHeadLight(v);
}

void CDirectXGraphics::SetPerspectiveCameraView() {
    CAnimation& camera = m_perspectiveCamera;
    if (m_bFollowSelection && m_nSelected != m_nLastFollowedSelection) {
        camera.m_position.x = 0.0f;
        camera.m_position.y = -100.0f;
        m_nLastFollowedSelection = m_nSelected;
    }
    const D3DXMATRIX t1 = Translation(camera.m_position);
    D3DXMATRIX t0;
    D3DXMatrixIdentity(&t0);
    if (m_bFollowSelection && GetCharacter(m_nSelected) != nullptr) {
        t0 = Translation(GetCharacter(m_nSelected)->GetKeyPosition(g_nCurrentFrame) * -1.0f);
    }
    const D3DXMATRIX view = t0 * Scaling(camera.m_scale) * RotationZ(camera.m_rotation.z) *
                            RotationY(camera.m_rotation.y) * RotationX(camera.m_rotation.x) * t1;
    m_pDevice->SetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &view);
    D3DXVECTOR3 v;
    D3DXVec3TransformNormal(&v, &camera.m_position, &inverse);
    SetHeadLight(v);
}

void CDirectXGraphics::SetHeadLight(const D3DXVECTOR3& v) {
    m_headLight = D3DLIGHT9();
    m_headLight.Type = D3DLIGHT_DIRECTIONAL;
    m_headLight.Direction = D3DVECTOR{-v.x, -v.y, -v.z};
    m_headLight.Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
    m_headLight.Specular = {0.8f, 0.8f, 0.8f, 1.0f};
    m_headLight.Ambient = {0.2f, 0.2f, 0.2f, 1.0f};
    m_headLight.Range = 10000.0f;
    m_headLight.Falloff = 1.0f;
    m_headLight.Phi = 3.1415927f;
    m_pDevice->SetLight(0, &m_headLight);
}

bool CDirectXGraphics::CreateTextFont(int height) {
    ReleaseAndClear(m_pFont);
    m_fontDesc = D3DXFONT_DESCA();
    m_fontDesc.Height = height;
    m_fontDesc.Weight = 400;
    m_fontDesc.MipLevels = static_cast<UINT>(-1);
    m_fontDesc.CharSet = 128; // Shift JIS
    // The font is made anew every frame; its face name is converted once.
    static const std::string face = Message("ＭＳ ゴシック");
    std::strncpy(m_fontDesc.FaceName, face.c_str(), sizeof m_fontDesc.FaceName - 1);
    if (m_pDevice == nullptr || FAILED(m_pDevice->CreateFont(&m_fontDesc, &m_pFont))) {
        m_pFont = nullptr;
        MessageBoxService::Show("ERROR CreateFont");
        return false;
    }
    return true;
}

void CDirectXGraphics::DrawTextAt(ID3DXFont* font, const std::string& text, int x, int y, int width,
                                  int height, DWORD format, D3DCOLOR colour) {
    RECT rectangle{x, y, x + width, y + height};
    font->DrawTextA(m_pSprite, text.c_str(), -1, &rectangle, format, colour);
}

IDirect3DVertexBuffer9*
CDirectXGraphics::CreateGizmoBuffer(const std::vector<GizmoVertex>& vertices) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    const auto length = static_cast<UINT>(vertices.size() * sizeof(GizmoVertex));
    if (FAILED(
            m_pDevice->CreateVertexBuffer(length, 0, GizmoVertexFVF, D3DPOOL_MANAGED, &buffer))) {
        return nullptr;
    }
    void* data = nullptr;
    if (SUCCEEDED(buffer->Lock(0, 0, &data, 0))) {
        std::memcpy(data, vertices.data(), length);
        buffer->Unlock();
    }
    return buffer;
}

void CDirectXGraphics::CreateGridBuffer() {
    m_pGridVB = CreateGizmoBuffer(GizmoGeometry::GridVertices());
}

void CDirectXGraphics::DrawGrid() {
    m_pDevice->SetFVF(GizmoVertexFVF);
    m_pDevice->LightEnable(0, FALSE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_pDevice->SetTransform(D3DTS_WORLD, &identity);
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, m_pGridVB, 0, sizeof(GizmoVertex));
    for (UINT line = 0; line < 45; ++line) {
        m_pDevice->DrawPrimitive(D3DPT_LINELIST, 2 * line, 1);
    }
}

void CDirectXGraphics::CreateMoveGizmoBuffer() {
    m_pMoveVB = CreateGizmoBuffer(GizmoGeometry::MoveHandleVertices());
}

void CDirectXGraphics::CreateRotateRingBufferX() {
    m_pRingXVB = CreateGizmoBuffer(GizmoGeometry::RingVertices(GizmoGeometry::AxisX));
}

void CDirectXGraphics::CreateRotateRingBufferY() {
    m_pRingYVB = CreateGizmoBuffer(GizmoGeometry::RingVertices(GizmoGeometry::AxisY));
}

void CDirectXGraphics::CreateRotateRingBufferZ() {
    m_pRingZVB = CreateGizmoBuffer(GizmoGeometry::RingVertices(GizmoGeometry::AxisZ));
}

void CDirectXGraphics::CreateGizmoBoxBuffer() {
    m_pBoxVB = CreateGizmoBuffer(GizmoGeometry::BoxVertices());
}

void CDirectXGraphics::CreateScaleGizmoBuffer() {
    m_pScaleVB = CreateGizmoBuffer(GizmoGeometry::ScaleHandleVertices());
}

void CDirectXGraphics::DrawHandleBuffer(IDirect3DVertexBuffer9* buffer, const D3DXMATRIX* world,
                                        D3DXMATRIX& stored, UINT triangles, UINT lines) {
    m_pDevice->SetTransform(D3DTS_WORLD, world);
    m_pDevice->GetTransform(D3DTS_WORLD, &stored);
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, buffer, 0, sizeof(GizmoVertex));
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
    if (lines > 0) {
        m_pDevice->DrawPrimitive(D3DPT_LINELIST, 3 * triangles, lines);
    }
}

void CDirectXGraphics::DrawMoveGizmo(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pMoveVB, world, m_matHandle, 24, 3);
}

void CDirectXGraphics::DrawRotateRingX(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pRingXVB, world, m_matRingX, 48, 1);
}

void CDirectXGraphics::DrawRotateRingY(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pRingYVB, world, m_matRingY, 48, 1);
}

void CDirectXGraphics::DrawRotateRingZ(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pRingZVB, world, m_matRingZ, 48, 1);
}

void CDirectXGraphics::DrawGizmoBox(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pBoxVB, world, m_matHandle, 12, 0);
}

void CDirectXGraphics::DrawScaleGizmo(const D3DXMATRIX* world) {
    DrawHandleBuffer(m_pScaleVB, world, m_matHandle, 48, 3);
}

CCharacter* CDirectXGraphics::GetEditableSelection() {
    CCharacter* selected = GetCharacter(m_nSelected);
    return selected != nullptr && selected->m_bShown && !selected->m_bLocked ? selected : nullptr;
}

void CDirectXGraphics::DrawGizmo() {
    const CCharacter* selected = GetEditableSelection();
    if (selected == nullptr) {
        return;
    }
    ID3DXMatrixStack* stack = nullptr;
    D3DXCreateMatrixStack(0, &stack);
    stack->LoadIdentity();
    const int frame = g_nCurrentFrame;
    const D3DXVECTOR3 rotation(selected->GetKeyRotationX(frame), selected->GetKeyRotationY(frame),
                               selected->GetKeyRotationZ(frame));
    const D3DXMATRIX translation =
        Translation(D3DXVECTOR3(selected->GetKeyPositionX(frame), selected->GetKeyPositionY(frame),
                                selected->GetKeyPositionZ(frame)));
    D3DXMATRIX scaling;
    if (m_nCameraMode == CameraPerspective) {
        const D3DXVECTOR3 s = GetCameraScale(frame);
        D3DXMatrixScaling(&scaling, 1.2f / s.x, 1.2f / s.y, 1.2f / s.z);
    } else {
        D3DXMatrixScaling(&scaling, 1.5f, 1.5f, 1.5f);
    }
    const D3DXMATRIX rx = RotationX(rotation.x);
    const D3DXMATRIX ry = RotationY(rotation.y);
    const D3DXMATRIX rz = RotationZ(rotation.z);
    // Each factor goes on the left of the top: translation first, then the scale, then the
    // rotations about y, x and z, like a gimbal in the order of the key's world matrix.
    stack->MultMatrixLocal(&translation);
    stack->MultMatrixLocal(&scaling);
    switch (m_nEditMode) {
    case EditMove:
        DrawMoveGizmo(stack->GetTop());
        break;
    case EditRotate:
        stack->MultMatrixLocal(&ry);
        DrawRotateRingY(stack->GetTop());
        stack->MultMatrixLocal(&rx);
        DrawRotateRingX(stack->GetTop());
        stack->MultMatrixLocal(&rz);
        DrawRotateRingZ(stack->GetTop());
        DrawGizmoBox(stack->GetTop());
        break;
    case EditScale:
        stack->MultMatrixLocal(&ry);
        stack->MultMatrixLocal(&rx);
        stack->MultMatrixLocal(&rz);
        DrawScaleGizmo(stack->GetTop());
        break;
    default:
        break;
    }
    stack->Release();
}

int CDirectXGraphics::HitTestGizmo(int x, int y, IDirect3DDevice9* device) {
    using namespace GizmoGeometry;
    const PickRay handleRay = PickRay::Through(x, y, device, m_matHandle);
    float distance = 0.0f;
    switch (m_nEditMode) {
    case EditMove:
        for (Axis axis : {AxisX, AxisY, AxisZ}) {
            if (handleRay.valid && FirstHit(handleRay, ArrowTriangles(axis), &distance)) {
                return axis; // the first axis in order wins, whatever the depth
            }
        }
        break;
    case EditRotate: {
        std::map<float, int> hits;
        const D3DXMATRIX* rings[] = {&m_matRingX, &m_matRingY, &m_matRingZ};
        for (Axis axis : {AxisX, AxisY, AxisZ}) {
            const PickRay ray = PickRay::Through(x, y, device, *rings[axis]);
            if (ray.valid && FirstHit(ray, RingTriangles(axis), &distance)) {
                hits.emplace(distance, axis); // an equal distance keeps the earlier ring
            }
        }
        if (!hits.empty()) {
            return hits.begin()->second;
        }
        break;
    }
    case EditScale:
        for (Axis axis : {AxisX, AxisY, AxisZ}) {
            if (handleRay.valid && FirstHit(handleRay, EndCubeTriangles(axis), &distance)) {
                return axis;
            }
        }
        break;
    default:
        break;
    }
    return handleRay.valid && FirstHit(handleRay, CentreCubeTriangles(), &distance) ? PickedCentre
                                                                                    : PickedNothing;
}

bool CDirectXGraphics::PickAtPoint(int x, int y) {
    m_nPickedHandle = PickedNothing;
    if (m_pDevice == nullptr) {
        return false;
    }
    if (GetEditableSelection() != nullptr) {
        m_nPickedHandle = HitTestGizmo(x, y, m_pDevice);
        if (m_nPickedHandle >= 0) {
            return true;
        }
    }
    std::map<float, int> hits;
    for (int c = 0; c < GetCharacterCount(); ++c) {
        CCharacter& character = m_characters[static_cast<std::size_t>(c)];
        if (!character.m_bShown || character.m_bLocked) {
            continue;
        }
        float best = HandleDistanceMiss;
        bool hit = false;
        for (const MQAObject& part : character.m_parts) {
            float distance = 0.0f;
            if (part.Pick(x, y, m_pDevice, &distance) >= 0) {
                hit = true;
                best = std::min(best, distance);
            }
        }
        if (hit) {
            hits.emplace(best, c); // an equal distance keeps the lower index
        }
    }
    if (hits.empty()) {
        m_nSelected = -1;
        return false;
    }
    m_nSelected = hits.begin()->second;
    m_nPickedHandle = PickedCentre;
    return true;
}

const CAnimation* CDirectXGraphics::GetSelectedKey(int frame) const {
    const CCharacter* selected = GetCharacter(m_nSelected);
    if (selected == nullptr || !selected->IsFrameInRange(frame)) {
        return nullptr;
    }
    return &selected->m_keys[static_cast<std::size_t>(frame)];
}

CAnimation* CDirectXGraphics::GetKey(int character, int frame) {
    CCharacter* found = GetCharacter(character);
    if (found == nullptr || !found->IsFrameInRange(frame)) {
        return nullptr;
    }
    return &found->m_keys[static_cast<std::size_t>(frame)];
}

void CDirectXGraphics::MoveSelectedCharacter(int frame, float dx, float dy, float dz) {
    if (CAnimation* key = GetKey(m_nSelected, frame)) {
        key->m_position = key->m_position + D3DXVECTOR3(dx, dy, dz);
    }
}

void CDirectXGraphics::RotateSelectedCharacter(int frame, float dx, float dy, float dz) {
    if (CAnimation* key = GetKey(m_nSelected, frame)) {
        key->m_rotation = key->m_rotation + D3DXVECTOR3(dx, dy, dz);
    }
}

void CDirectXGraphics::ScaleSelectedCharacter(int frame, float dx, float dy, float dz) {
    if (CAnimation* key = GetKey(m_nSelected, frame)) {
        key->AddScale(dx, dy, dz);
    }
}

D3DXVECTOR3 CDirectXGraphics::GetSelectedCharacterPosition(int frame) const {
    const CAnimation* key = GetSelectedKey(frame);
    return key != nullptr ? key->m_position : D3DXVECTOR3();
}

D3DXVECTOR3 CDirectXGraphics::GetSelectedCharacterRotation(int frame) const {
    const CAnimation* key = GetSelectedKey(frame);
    return key != nullptr ? key->m_rotation : D3DXVECTOR3();
}

D3DXVECTOR3 CDirectXGraphics::GetSelectedCharacterScale(int frame) const {
    const CAnimation* key = GetSelectedKey(frame);
    return key != nullptr ? key->m_scale : D3DXVECTOR3(1.0f, 1.0f, 1.0f);
}

void CDirectXGraphics::SetCharacterPosition(int character, int frame, float x, float y, float z) {
    if (CAnimation* key = GetKey(character, frame)) {
        key->m_position = D3DXVECTOR3(x, y, z);
    }
}

void CDirectXGraphics::SetCharacterRotation(int character, int frame, float x, float y, float z) {
    if (CAnimation* key = GetKey(character, frame)) {
        key->m_rotation = D3DXVECTOR3(x, y, z);
    }
}

void CDirectXGraphics::SetCharacterScale(int character, int frame, float x, float y, float z) {
    if (CAnimation* key = GetKey(character, frame)) {
        key->m_scale = D3DXVECTOR3(x, y, z);
    }
}

CAnimation* CDirectXGraphics::GetCameraRecord(int frame, bool forEdit) {
    if (m_nCameraMode == CameraPerspective) {
        return &m_perspectiveCamera;
    }
    // Edits need exactly the camera-track mode; reading takes the track for any other mode.
    if ((forEdit && m_nCameraMode != CameraTrack) || frame < 0 ||
        frame >= static_cast<int>(m_cameraKeys.size())) {
        return nullptr;
    }
    return &m_cameraKeys[static_cast<std::size_t>(frame)];
}

CAnimation* CDirectXGraphics::GetEditedCamera() {
    return GetCameraRecord(g_nCurrentFrame, true);
}

void CDirectXGraphics::MoveCamera(float dx, float dy, float dz) {
    if (CAnimation* camera = GetEditedCamera()) {
        camera->m_position = camera->m_position + D3DXVECTOR3(dx, dy, dz);
    }
}

void CDirectXGraphics::RotateCamera(float dx, float dy, float dz) {
    if (CAnimation* camera = GetEditedCamera()) {
        camera->m_rotation = camera->m_rotation + D3DXVECTOR3(dx, dy, dz);
    }
}

void CDirectXGraphics::ScaleCamera(float dx, float dy, float dz) {
    if (CAnimation* camera = GetEditedCamera()) {
        camera->AddScale(dx, dy, dz);
    }
}

void CDirectXGraphics::SetCameraPosition(int frame, float x, float y, float z) {
    if (CAnimation* camera = GetCameraRecord(frame, true)) {
        camera->m_position = D3DXVECTOR3(x, y, z);
    }
}

void CDirectXGraphics::SetCameraRotation(int frame, float x, float y, float z) {
    if (CAnimation* camera = GetCameraRecord(frame, true)) {
        camera->m_rotation = D3DXVECTOR3(x, y, z);
    }
}

void CDirectXGraphics::SetCameraScale(int frame, float x, float y, float z) {
    if (CAnimation* camera = GetCameraRecord(frame, true)) {
        camera->m_scale = D3DXVECTOR3(x, y, z);
    }
}

D3DXVECTOR3 CDirectXGraphics::GetCameraPosition(int frame) const {
    const CAnimation* camera = const_cast<CDirectXGraphics*>(this)->GetCameraRecord(frame, false);
    return camera != nullptr ? camera->m_position : D3DXVECTOR3();
}

D3DXVECTOR3 CDirectXGraphics::GetCameraRotation(int frame) const {
    const CAnimation* camera = const_cast<CDirectXGraphics*>(this)->GetCameraRecord(frame, false);
    return camera != nullptr ? camera->m_rotation : D3DXVECTOR3();
}

D3DXVECTOR3 CDirectXGraphics::GetCameraScale(int frame) const {
    const CAnimation* camera = const_cast<CDirectXGraphics*>(this)->GetCameraRecord(frame, false);
    return camera != nullptr ? camera->m_scale : D3DXVECTOR3();
}
