#include "graphics/CDirectXGraphics.h"

#include "platform/CArchive.h"
#include "scene/SceneStrings.h"

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
} // namespace

CDirectXGraphics::CDirectXGraphics() = default;

CDirectXGraphics::~CDirectXGraphics() {
    for (CCharacter& character : m_characters) {
        character.ReleaseDeviceObjects();
    }
}

void CDirectXGraphics::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive << m_crBackground << m_crFont << static_cast<std::int32_t>(m_characters.size())
                << static_cast<std::int32_t>(m_cameraKeys.size());
        TextTrack::Serialize(archive, m_subtitles, m_subtitleStates);
        archive << static_cast<std::int32_t>(m_nFrameCount)
                << static_cast<std::int32_t>(m_nMovieWidth)
                << static_cast<std::int32_t>(m_nMovieHeight) << m_bAntiAlias;
    } else {
        std::int32_t characterCount = 0;
        std::int32_t cameraCount = 0;
        archive >> m_crBackground >> m_crFont >> characterCount;
        archive.CheckCount(characterCount, MinimumStoredCharacterBytes);
        m_characters.resize(static_cast<std::size_t>(characterCount));
        archive >> cameraCount;
        archive.CheckCount(cameraCount, MinimumStoredKeyBytes);
        m_cameraKeys.resize(static_cast<std::size_t>(cameraCount));
        TextTrack::Serialize(archive, m_subtitles, m_subtitleStates);
        std::int32_t frameCount = 0;
        std::int32_t movieWidth = 0;
        std::int32_t movieHeight = 0;
        archive >> frameCount >> movieWidth >> movieHeight;
        m_nFrameCount = frameCount;
        m_nMovieWidth = movieWidth;
        m_nMovieHeight = movieHeight;
        archive >> m_bAntiAlias;
    }
    for (CCharacter& character : m_characters) {
        character.Serialize(archive);
    }
    for (CAnimation& record : m_cameraKeys) {
        record.Serialize(archive);
    }
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
    // Release first: the erase copies the later characters down and destroys the last copy
    // without releasing anything.
    found->ReleaseDeviceObjects();
    m_characters.erase(m_characters.begin() + character);
}
