#include "timeline/CPropertyView.h"

#include "app/CMainFrame.h"
#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/Resources.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneStrings.h"
#include "timeline/CTimeLineView.h"

#include <QByteArray>
#include <QComboBox>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QTimer>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

CDirectXGraphics& Scene() {
    return *g_pDirectXGraphics;
}

// Each list entry keeps the scene's own bytes of its name, so that a choice stores exactly
// the name that the character or the WAV folder gave, whatever the round trip through
// Unicode would make of it.
void AddSceneName(QComboBox& list, const std::string& cp932) {
    const int index = CFormView::AddComboString(list, Cp932Text::ToQString(cp932));
    list.setItemData(index, QByteArray::fromStdString(cp932));
}

std::string ChosenSceneName(const QComboBox& list) {
    return list.currentData().toByteArray().toStdString();
}

// The decimal number that the text starts with (after white space), as the C library reads
// it; 0 when there is none, or when it is no finite float.
float LeadingFloat(const QString& text) {
    const std::string bytes = text.trimmed().toStdString();
    const char* first = bytes.data();
    const char* last = first + bytes.size();
    // from_chars takes a minus sign but no plus sign.
    if (last - first > 1 && first[0] == '+' && first[1] != '-') {
        ++first;
    }
    double value = 0.0;
    if (std::from_chars(first, last, value).ec != std::errc()) {
        return 0.0f;
    }
    const auto single = static_cast<float>(value);
    return std::isfinite(single) ? single : 0.0f;
}

// The decimal integer that the text starts with, held at the nearer end of the 64-bit range
// when it lies beyond; 0 when there is none.
std::int64_t LeadingInteger(const QString& text) {
    const std::string bytes = text.trimmed().toStdString();
    std::int64_t value = 0;
    const std::errc error = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        return bytes.front() == '-' ? std::numeric_limits<std::int64_t>::min()
                                    : std::numeric_limits<std::int64_t>::max();
    }
    return error == std::errc() ? value : 0;
}

// Which key the coordinate fields show and edit.
enum class CoordinateTarget { Nothing, Character, Camera };

CoordinateTarget TargetOf(const CDirectXGraphics& scene) {
    switch (scene.m_nCameraMode) {
    case CameraPerspective:
        return CoordinateTarget::Character;
    case CameraTrack:
        return scene.GetCharacter(scene.m_nSelected) != nullptr ? CoordinateTarget::Character
                                                                : CoordinateTarget::Camera;
    default:
        return CoordinateTarget::Nothing;
    }
}

// Accessors of the edited vector, in the order of the edit modes: move, rotate, scale.
using Getter = D3DXVECTOR3 (CDirectXGraphics::*)(int) const;
using CharacterSetter = void (CDirectXGraphics::*)(int, int, float, float, float);
using CameraSetter = void (CDirectXGraphics::*)(int, float, float, float);
constexpr Getter CharacterGetters[] = {&CDirectXGraphics::GetSelectedCharacterPosition,
                                       &CDirectXGraphics::GetSelectedCharacterRotation,
                                       &CDirectXGraphics::GetSelectedCharacterScale};
constexpr Getter CameraGetters[] = {&CDirectXGraphics::GetCameraPosition,
                                    &CDirectXGraphics::GetCameraRotation,
                                    &CDirectXGraphics::GetCameraScale};
constexpr CharacterSetter CharacterSetters[] = {&CDirectXGraphics::SetCharacterPosition,
                                                &CDirectXGraphics::SetCharacterRotation,
                                                &CDirectXGraphics::SetCharacterScale};
constexpr CameraSetter CameraSetters[] = {&CDirectXGraphics::SetCameraPosition,
                                          &CDirectXGraphics::SetCameraRotation,
                                          &CDirectXGraphics::SetCameraScale};

// The index of the edit mode in the accessor tables; nothing for a mode without a vector.
std::optional<std::size_t> VectorIndex(int editMode) {
    if (editMode < EditMove || editMode > EditScale) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(editMode);
}

CTimeLineView* TimeLine() {
    CMainFrame* frame = GetMainFrame();
    return frame != nullptr ? frame->m_pTimeLineView : nullptr;
}

int SelectedRow(const CTimeLineView& timeline) {
    return timeline.m_ctrl.m_nSelectedRow;
}

// Rows below the three fixed ones show characters.
bool IsCharacterRowSelected(const CTimeLineView& timeline) {
    const int row = SelectedRow(timeline);
    return row >= 0 && row < timeline.m_ctrl.GetTrackCount() - 3;
}

// A field loses the focus to a click before the clicked view sees the press. A box up while
// the button is held would take the release that the view waits for: the warning comes once
// the click is over.
void WarnAfterTheClick(QObject& context, UINT message) {
    constexpr int ButtonPollMs = 50;
    const bool held = QGuiApplication::mouseButtons() != Qt::NoButton;
    QTimer::singleShot(held ? ButtonPollMs : 0, &context, [&context, message] {
        if (QGuiApplication::mouseButtons() != Qt::NoButton) {
            WarnAfterTheClick(context, message);
        } else {
            AfxMessageBox(Resources::LoadString(message), MB_OK | MB_ICONWARNING);
        }
    });
}

// Qt paints a GL view only inside its paint event: asking for one is how a frame gets
// rendered into the window.
void RepaintSceneView() {
    if (CMainFrame* frame = GetMainFrame(); frame != nullptr && frame->m_pView != nullptr) {
        frame->m_pView->update();
    }
}

// Stores a motion name on the nearest key at or before the current frame of the selected
// character's row; false when the selected row is no character's or has no such key.
bool SetMotionOfMarkedKey(const std::string& name) {
    CTimeLineView* timeline = TimeLine();
    if (timeline == nullptr || !IsCharacterRowSelected(*timeline)) {
        return false;
    }
    const int key = timeline->MarkContentKey();
    if (key < 0) {
        return false;
    }
    CDirectXGraphics& scene = Scene();
    scene.SetCharacterMotionName(scene.m_nSelected, key, name);
    scene.InterpolateSelectedCharacter();
    return true;
}

// Sets the loop or stop-at-end flag on the selected character's key at or before the
// current frame.
void SetSelectedKeyFlag(void (CCharacter::*set)(int, bool), bool flag) {
    if (CCharacter* character = Scene().GetCharacter(Scene().m_nSelected)) {
        (character->*set)(g_nCurrentFrame, flag);
        character->InterpolateKeys();
    }
}

} // namespace

CPropertyView::CPropertyView() : CFormView(IDD_PROPERTY_FORM) {
    OnClicked(IDC_CHECK_X, [this] { OnAxisX(); });
    OnClicked(IDC_CHECK_Y, [this] { OnAxisY(); });
    OnClicked(IDC_CHECK_Z, [this] { OnAxisZ(); });
    OnClicked(IDC_CHECK_LOOP, [this] { OnLoop(); });
    OnClicked(IDC_CHECK_STOP_AT_END, [this] { OnStopAtEnd(); });
    OnSelChange(IDC_COMBO_ANIMATION, [this] { OnSelchangeAnimation(); });
    OnKillFocus(IDC_COMBO_ANIMATION, [this] { OnKillfocusAnimation(); });
    for (const int id : {IDC_EDIT_X, IDC_EDIT_Y, IDC_EDIT_Z}) {
        OnKillFocus(id, [this] { OnKillfocusCoordinate(); });
    }
    OnKillFocus(IDC_EDIT_SUBTITLE, [this] { OnKillfocusSubtitle(); });
    OnKillFocus(IDC_EDIT_WIDTH, [this] { OnKillfocusWidth(); });
    OnKillFocus(IDC_EDIT_HEIGHT, [this] { OnKillfocusHeight(); });
    OnKillFocus(IDC_EDIT_MAX_FRAME, [this] { OnKillfocusMaxFrame(); });
    OnSelChange(IDC_COMBO_WAVE, [this] { OnSelchangeWave(); });
}

void CPropertyView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    UpdateScreenFields();
    FillWaveList();
    const CDirectXGraphics& scene = Scene();
    CheckDlgButton(IDC_CHECK_X, scene.m_bAxisX);
    CheckDlgButton(IDC_CHECK_Y, scene.m_bAxisY);
    CheckDlgButton(IDC_CHECK_Z, scene.m_bAxisZ);
}

void CPropertyView::OnUpdate(CView*, LPARAM hint, CObject*) {
    CDirectXGraphics& scene = Scene();
    switch (hint) {
    case HintDocumentLoaded:
        UpdateScreenFields();
        UpdateAnimationCombo(scene.m_nSelected);
        break;
    case HintSelectionChanged:
        UpdateAnimationCombo(scene.m_nSelected);
        break;
    case HintRecordEnd:
        scene.Resize(m_nSavedWidth, m_nSavedHeight);
        break;
    default:
        break;
    }
    UpdateCoordinates();
    const int selected = scene.m_nSelected;
    SetDlgItemText(IDC_COMBO_ANIMATION,
                   Cp932Text::ToQString(scene.GetCharacterMotionName(selected, g_nCurrentFrame)));
    CheckDlgButton(IDC_CHECK_LOOP, scene.GetCharacterLoop(selected, g_nCurrentFrame));
    CheckDlgButton(IDC_CHECK_STOP_AT_END, scene.GetCharacterStopAtEnd(selected, g_nCurrentFrame));
    SetDlgItemText(IDC_COMBO_WAVE,
                   Cp932Text::ToQString(g_pDirectSound->GetWaveName(g_nCurrentFrame)));
    SetDlgItemText(IDC_EDIT_SUBTITLE, Cp932Text::ToQString(scene.GetSubtitle(g_nCurrentFrame)));
}

void CPropertyView::UpdateScreenFields() {
    const CDirectXGraphics& scene = Scene();
    SetDlgItemText(IDC_EDIT_WIDTH, QString::asprintf("%d", scene.m_nMovieWidth));
    SetDlgItemText(IDC_EDIT_HEIGHT, QString::asprintf("%d", scene.m_nMovieHeight));
    SetDlgItemText(IDC_EDIT_MAX_FRAME, QString::asprintf("%d", scene.m_nFrameCount));
}

void CPropertyView::FillWaveList() {
    QComboBox& list = *GetControl<QComboBox>(IDC_COMBO_WAVE);
    // Emptying the list empties the field too; the frame's WAV stays shown.
    const QString shown = list.currentText();
    list.clear();
    AddSceneName(list, NoMotionName); // the same "なし" as the motion list's
    const CDirectSound& sound = *g_pDirectSound;
    for (int i = 0; i < static_cast<int>(sound.m_files.size()); ++i) {
        AddSceneName(list, sound.GetWaveFileName(i));
    }
    SetDlgItemText(IDC_COMBO_WAVE, shown);
}

void CPropertyView::UpdateAnimationCombo(int character) {
    QComboBox& list = *GetControl<QComboBox>(IDC_COMBO_ANIMATION);
    list.clear();
    AddSceneName(list, NoMotionName);
    const CDirectXGraphics& scene = Scene();
    const CCharacter* found = scene.GetCharacter(character);
    if (found == nullptr) {
        return;
    }
    for (int i = 0; i < static_cast<int>(found->m_animationNames.size()); ++i) {
        AddSceneName(list, scene.GetAnimationName(character, i));
    }
    const int bones = found->m_parts.empty()
                          ? 0
                          : static_cast<int>(found->m_parts.front().m_boneAnimations.size());
    for (int i = 0; i < bones; ++i) {
        AddSceneName(list, scene.GetBoneAnimationName(character, i));
    }
}

void CPropertyView::UpdateCoordinates() {
    const CDirectXGraphics& scene = Scene();
    const std::optional<std::size_t> vector = VectorIndex(scene.m_nEditMode);
    if (!vector) {
        return;
    }
    D3DXVECTOR3 shown;
    switch (TargetOf(scene)) {
    case CoordinateTarget::Character:
        shown = (scene.*CharacterGetters[*vector])(g_nCurrentFrame);
        break;
    case CoordinateTarget::Camera:
        shown = (scene.*CameraGetters[*vector])(g_nCurrentFrame);
        break;
    case CoordinateTarget::Nothing:
        return;
    }
    SetCoordinateTexts(shown.x, shown.y, shown.z);
}

void CPropertyView::SetCoordinateTexts(float x, float y, float z) {
    SetDlgItemText(IDC_EDIT_X, QString::asprintf("%f", static_cast<double>(x)));
    SetDlgItemText(IDC_EDIT_Y, QString::asprintf("%f", static_cast<double>(y)));
    SetDlgItemText(IDC_EDIT_Z, QString::asprintf("%f", static_cast<double>(z)));
}

void CPropertyView::DoDataExchange() {
    m_bLoop = IsDlgButtonChecked(IDC_CHECK_LOOP);
    m_bStopAtEnd = IsDlgButtonChecked(IDC_CHECK_STOP_AT_END);
}

void CPropertyView::MarkModified() {
    if (CDocument* document = GetDocument()) {
        document->SetModifiedFlag(true);
    }
}

void CPropertyView::Broadcast(LPARAM hint) {
    if (CDocument* document = GetDocument()) {
        document->UpdateAllViews(nullptr, hint);
    }
}

void CPropertyView::ToggleAxis(BOOL& flag, int button) {
    flag = !flag;
    CheckDlgButton(button, flag);
}

void CPropertyView::OnAxisX() {
    ToggleAxis(Scene().m_bAxisX, IDC_CHECK_X);
}

void CPropertyView::OnAxisY() {
    ToggleAxis(Scene().m_bAxisY, IDC_CHECK_Y);
}

void CPropertyView::OnAxisZ() {
    ToggleAxis(Scene().m_bAxisZ, IDC_CHECK_Z);
}

void CPropertyView::OnLoop() {
    DoDataExchange();
    SetSelectedKeyFlag(&CCharacter::SetKeyLoop, m_bLoop);
    MarkModified();
}

void CPropertyView::OnStopAtEnd() {
    DoDataExchange();
    SetSelectedKeyFlag(&CCharacter::SetKeyStopAtEnd, m_bStopAtEnd);
    MarkModified();
}

void CPropertyView::OnSelchangeAnimation() {
    if (SetMotionOfMarkedKey(ChosenSceneName(*GetControl<QComboBox>(IDC_COMBO_ANIMATION)))) {
        Broadcast(HintSceneChanged);
        MarkModified();
        if (CTutorialDlg* tutorial = GetTutorial()) {
            tutorial->Advance(10, GetMainFrame()->GetToolBarButtonPoint(19));
        }
    }
}

void CPropertyView::OnKillfocusAnimation() {
    // Emptying the field clears the key's motion.
    if (GetDlgItemText(IDC_COMBO_ANIMATION).isEmpty() && SetMotionOfMarkedKey(std::string())) {
        MarkModified();
    }
}

void CPropertyView::OnKillfocusCoordinate() {
    const float x = LeadingFloat(GetDlgItemText(IDC_EDIT_X));
    const float y = LeadingFloat(GetDlgItemText(IDC_EDIT_Y));
    const float z = LeadingFloat(GetDlgItemText(IDC_EDIT_Z));
    CDirectXGraphics& scene = Scene();
    if (const std::optional<std::size_t> vector = VectorIndex(scene.m_nEditMode)) {
        switch (TargetOf(scene)) {
        case CoordinateTarget::Character:
            (scene.*CharacterSetters[*vector])(scene.m_nSelected, g_nCurrentFrame, x, y, z);
            scene.InterpolateCharacter(scene.m_nSelected);
            break;
        case CoordinateTarget::Camera:
            (scene.*CameraSetters[*vector])(g_nCurrentFrame, x, y, z);
            scene.InterpolateCameraKeys();
            break;
        case CoordinateTarget::Nothing:
            break;
        }
    }
    RepaintSceneView();
    MarkModified();
}

void CPropertyView::OnKillfocusSubtitle() {
    CTimeLineView* timeline = TimeLine();
    if (timeline == nullptr || SelectedRow(*timeline) != timeline->m_ctrl.GetTrackCount() - 2) {
        return;
    }
    DoDataExchange();
    const QString typed = GetDlgItemText(IDC_EDIT_SUBTITLE);
    const int key = timeline->MarkContentKey();
    if (key < 0) {
        return;
    }
    Scene().SetSubtitle(Cp932Text::FromQString(typed), key);
    Scene().FillSubtitles();
    Broadcast(HintSceneChanged);
    MarkModified();
    // The field now shows what was kept: say why some characters became '?'.
    if (!Cp932Text::HoldsAll(typed)) {
        WarnAfterTheClick(*this, IDS_SUBTITLE_CHARACTERS_REPLACED);
    }
}

void CPropertyView::OnSelchangeWave() {
    CTimeLineView* timeline = TimeLine();
    if (timeline == nullptr) {
        return;
    }
    const std::string name = ChosenSceneName(*GetControl<QComboBox>(IDC_COMBO_WAVE));
    timeline->m_ctrl.m_nSelectedRow = timeline->m_ctrl.GetTrackCount() - 3;
    timeline->m_ctrl.update(); // the moved selection shows even when no key takes the WAV
    const int key = timeline->MarkContentKey();
    if (key < 0) {
        return;
    }
    g_pDirectSound->SetWave(key, name);
    Broadcast(HintSceneChanged);
    MarkModified();
}

int CPropertyView::ReadAtLeast(int id, int minimum, int fallback, std::optional<int> ceiling) {
    const std::int64_t value = LeadingInteger(GetDlgItemText(id));
    int kept = fallback;
    if (ceiling && value > *ceiling) {
        kept = *ceiling;
    } else if (value >= minimum && value <= std::numeric_limits<int>::max()) {
        kept = static_cast<int>(value);
    }
    if (kept != value) {
        SetDlgItemText(id, QString::asprintf("%d", kept));
    }
    return kept;
}

void CPropertyView::OnKillfocusWidth() {
    Scene().m_nMovieWidth = ReadAtLeast(IDC_EDIT_WIDTH, 1, 320);
    RepaintSceneView();
    MarkModified();
}

void CPropertyView::OnKillfocusHeight() {
    Scene().m_nMovieHeight = ReadAtLeast(IDC_EDIT_HEIGHT, 1, 240);
    MarkModified();
}

void CPropertyView::OnKillfocusMaxFrame() {
    DoDataExchange();
    Scene().m_nFrameCount =
        ReadAtLeast(IDC_EDIT_MAX_FRAME, DefaultFrameCount, DefaultFrameCount, MaxFrameCount);
    Broadcast(HintFrameCountChanged);
    MarkModified();
}

void CPropertyView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
    CMainFrame* frame = GetMainFrame();
    if (frame == nullptr || m_bKeepingWidth) {
        return;
    }
    CSmartSplitterWnd& splitter = frame->GetInnerSplitter();
    if (splitter.indexOf(this) != 0) {
        return;
    }
    // The splitter resizes this pane while it lays out: that resize must not start another.
    m_bKeepingWidth = true;
    splitter.SetColumnInfo(0, CMainFrame::PropertyFormWidth, CMainFrame::PropertyFormWidth);
    splitter.RecalcLayout();
    m_bKeepingWidth = false;
}
