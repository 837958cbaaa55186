#include "timeline/CTimeLineView.h"

#include "app/CMainFrame.h"
#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "media/MovieSceneHeader.h"
#include "platform/Mbcs.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CPopupMenu.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/Resources.h"
#include "scene/SceneGlobals.h"
#include "timeline/CPropertyView.h"

#include <QCursor>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

constexpr std::size_t MaximumTrackNameBytes = 255;

CDirectXGraphics& Graphics() {
    return *g_pDirectXGraphics;
}

std::string Cp932String(UINT id) {
    return Cp932Text::FromQString(Resources::LoadString(id));
}

// A scene state as the timeline shows it; the camera row shows an empty frame as an
// in-between one. Nothing for a value that is no frame state.
std::optional<int> TimeLineStateOf(std::int32_t state, bool cameraRow) {
    switch (state) {
    case FrameEmpty:
        return cameraRow ? TimeLineInBetween : TimeLineEmpty;
    case FrameInBetween:
        return TimeLineInBetween;
    case FrameKey:
        return TimeLineKey;
    case FrameContentKey:
        return TimeLineContentKey;
    default:
        return std::nullopt;
    }
}

std::optional<std::int32_t> SceneStateOf(int state) {
    switch (state) {
    case TimeLineEmpty:
        return FrameEmpty;
    case TimeLineInBetween:
        return FrameInBetween;
    case TimeLineKey:
        return FrameKey;
    case TimeLineContentKey:
        return FrameContentKey;
    default:
        return std::nullopt;
    }
}

template <typename States>
void AppendStates(CTimeLineTrack& track, const States& states, bool cameraRow) {
    for (const std::int32_t state : states) {
        if (const std::optional<int> shown = TimeLineStateOf(state, cameraRow)) {
            track.m_states.push_back(*shown);
        }
    }
}

// A character's row caption: its model file's title, cut to whole characters.
std::string TrackName(const std::string& fileName) {
    std::string title;
    GetFileTitleFromPath(title, fileName);
    std::size_t end = 0;
    while (end < title.size()) {
        const std::size_t next = Mbcs::CharNext(title, end);
        if (next > MaximumTrackNameBytes) {
            break;
        }
        end = next;
    }
    return title.substr(0, end);
}

// A character is active at every frame up to the last one of the timeline, except on the
// empty frames of its row up to the cursor. Flags that hold already are not written: on a
// long scene this walk runs at every tick, and untouched records stay clean in the cache.
void SyncActiveFlags(const CTimeLineTrack& row, int last, int cursor,
                     std::vector<CAnimation>& keys) {
    const std::size_t frames = std::min(static_cast<std::size_t>(last) + 1, keys.size());
    const std::size_t stored = row.m_states.size();
    for (std::size_t f = 0; f < frames; ++f) {
        const bool empty = f >= stored || row.m_states[f] == TimeLineEmpty;
        const std::uint8_t active = empty && static_cast<int>(f) <= cursor ? 0 : 1;
        if (keys[f].m_bActive != active) {
            keys[f].m_bActive = active;
        }
    }
}

void MarkDocumentModified(CView& view) {
    if (CDocument* document = view.GetDocument()) {
        document->SetModifiedFlag(true);
    }
}

void Broadcast(CView& view, LPARAM hint) {
    if (CDocument* document = view.GetDocument()) {
        document->UpdateAllViews(nullptr, hint);
    }
}

} // namespace

CTimeLineView::CTimeLineView() : m_ctrl(*this, this) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    MapCommandRange(ID_TIMELINE_ADD_FRAME, ID_TIMELINE_DELETE_TRACK,
                    [this](UINT id) { OnTimeLineCommand(id); });
}

int CTimeLineView::OnCreate() {
    for (const UINT name : {IDS_TRACK_WAVE, IDS_TRACK_SUBTITLE, IDS_TRACK_CAMERA}) {
        CTimeLineTrack track(Cp932String(name));
        track.m_states.push_back(TimeLineKey);
        m_ctrl.AddTrack(track);
    }
    return 0;
}

void CTimeLineView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_ctrl.setGeometry(contentsRect());
}

int CTimeLineView::RowState(int row, int frame) const {
    if (row < 0 || row >= TrackCount()) {
        return TimeLineEmpty;
    }
    return m_ctrl.m_tracks[static_cast<std::size_t>(row)].GetFrameState(frame);
}

int CTimeLineView::VisibleFrames() const {
    // The pane's width, which the control fills.
    return (m_ctrl.width() - CTimeLineCtrl::NameColumnWidth) / CTimeLineCtrl::FrameColumnWidth;
}

void CTimeLineView::SetFirstFrame(int frame) {
    m_ctrl.m_nFirstFrame = frame;
    m_ctrl.HorizontalBar().setValue(frame);
}

void CTimeLineView::AddCharacterTrack(int i) {
    const CCharacter* character = Graphics().GetCharacter(i);
    if (character == nullptr) {
        return;
    }
    CTimeLineTrack track(TrackName(character->GetFileName()));
    std::vector<std::int32_t> states;
    for (const CAnimation& key : character->m_keys) {
        states.push_back(key.m_nState);
    }
    AppendStates(track, states, false);
    track.m_bLock = character->m_bLocked ? 1 : 0;
    m_ctrl.AddTrack(track);
    Graphics().InterpolateCharacter(i);
}

void CTimeLineView::AddWavTrack() {
    CTimeLineTrack track(Cp932String(IDS_TRACK_WAVE));
    const CDirectSound& sound = *g_pDirectSound;
    std::vector<std::int32_t> states;
    for (std::size_t f = 0; f < sound.m_frameWaves.size(); ++f) {
        states.push_back(f < sound.m_frameStates.size() ? sound.m_frameStates[f] : FrameEmpty);
    }
    AppendStates(track, states, false);
    m_ctrl.AddTrack(track);
}

void CTimeLineView::AddSubtitleTrack() {
    CTimeLineTrack track(Cp932String(IDS_TRACK_SUBTITLE));
    std::vector<std::int32_t> states;
    for (std::size_t f = 0; f < Graphics().m_subtitles.size(); ++f) {
        states.push_back(f < Graphics().m_subtitleStates.size() ? Graphics().m_subtitleStates[f]
                                                                : FrameEmpty);
    }
    AppendStates(track, states, false);
    m_ctrl.AddTrack(track);
    Graphics().FillSubtitles();
}

void CTimeLineView::AddCameraTrack() {
    CTimeLineTrack track(Cp932String(IDS_TRACK_CAMERA));
    std::vector<std::int32_t> states;
    for (const CAnimation& key : Graphics().m_cameraKeys) {
        states.push_back(key.m_nState);
    }
    AppendStates(track, states, true);
    m_ctrl.AddTrack(track);
    m_ctrl.m_nCurrentFrame = 0;
    m_ctrl.m_nCursorFrame = 0;
    m_ctrl.m_nSelectedRow = TrackCount() - 1;
    g_nCurrentFrame = 0;
    Graphics().m_nSelected = -1;
    Graphics().InterpolateCameraKeys();
}

void CTimeLineView::DeleteAllTracks() {
    m_ctrl.m_tracks.clear();
}

void CTimeLineView::DeleteTrack(int i) {
    m_ctrl.DeleteTrack(i);
}

void CTimeLineView::InsertCharacterTrack(const std::string& name) {
    m_ctrl.InsertTrackFirst(CTimeLineTrack(name));
    m_ctrl.m_nCurrentFrame = 0;
    m_ctrl.UpdateCursor();
    m_ctrl.m_nSelectedRow = 0;
    SetFirstFrame(0);
    m_ctrl.m_nFirstRow = 0;
    m_ctrl.VerticalBar().setValue(0);
    m_ctrl.SetSelectedFrameState(TimeLineKey, FALSE);
    if (CCharacter* character = Graphics().GetCharacter(0)) {
        character->SetFrameState(0, FrameKey);
    }
    if (CMainFrame* frame = GetMainFrame(); frame != nullptr && frame->m_pPropertyView) {
        frame->m_pPropertyView->UpdateAnimationCombo(0);
    }
    SyncToScene();
}

void CTimeLineView::SyncToScene() {
    m_ctrl.TrimTrailingFrames();
    CDirectXGraphics& graphics = Graphics();
    const int cursor = m_ctrl.m_nCursorFrame;
    const int characterRows = TrackCount() - 3;
    graphics.m_nSelected = m_ctrl.m_nSelectedRow;
    const int current = m_ctrl.m_nCurrentFrame;
    g_nCurrentFrame = current;
    for (int r = 0; r < characterRows && r < graphics.GetCharacterCount(); ++r) {
        CCharacter& character = *graphics.GetCharacter(r);
        const int state = RowState(r, current);
        if (state == TimeLineEmpty) {
            character.m_bShown = current > cursor;
        } else {
            character.m_bShown = true;
        }
        if (const std::optional<std::int32_t> scene = SceneStateOf(state)) {
            character.SetFrameState(current, *scene);
        }
        character.m_bLocked = m_ctrl.m_tracks[static_cast<std::size_t>(r)].m_bLock != 0;
    }
    // After the frame states: an empty frame takes a copy of the key before it, active flag
    // included.
    const int last = m_ctrl.GetLastFrame();
    for (int r = 0; r < characterRows; ++r) {
        if (CCharacter* character = graphics.GetCharacter(r)) {
            SyncActiveFlags(m_ctrl.m_tracks[static_cast<std::size_t>(r)], last, cursor,
                            character->m_keys);
        }
    }
}

void CTimeLineView::SyncSubtitleStates() {
    const int row = TrackCount() - 2;
    if (row < 0) {
        return;
    }
    const CTimeLineTrack& track = m_ctrl.m_tracks[static_cast<std::size_t>(row)];
    for (int f = 0; f < static_cast<int>(track.m_states.size()); ++f) {
        if (const std::optional<std::int32_t> scene = SceneStateOf(track.GetFrameState(f))) {
            Graphics().SetSubtitleFrameState(f, *scene);
        }
    }
}

void CTimeLineView::ApplyCharacterStates() {
    const int current = m_ctrl.m_nCurrentFrame;
    const int row = m_ctrl.m_nSelectedRow;
    g_nCurrentFrame = current;
    CCharacter* character = row >= 0 ? Graphics().GetCharacter(row) : nullptr;
    if (character == nullptr) {
        return;
    }
    character->SetFrameStates(current, [&](int f) { return SceneStateOf(RowState(row, f)); });
}

int CTimeLineView::MarkContentKey() {
    const int row = m_ctrl.m_nSelectedRow;
    if (row < 0 || row >= TrackCount()) {
        return -1;
    }
    CTimeLineTrack& track = m_ctrl.m_tracks[static_cast<std::size_t>(row)];
    for (int f = m_ctrl.m_nCurrentFrame; f >= 0; --f) {
        if (IsTimeLineKey(track.GetFrameState(f))) {
            track.SetFrameState(f, TimeLineContentKey, FALSE);
            m_ctrl.update();
            return f;
        }
    }
    return -1;
}

void CTimeLineView::GoToFirst() {
    m_ctrl.m_nCurrentFrame = 0;
    m_ctrl.UpdateCursor();
    g_nCurrentFrame = 0;
    SetFirstFrame(0);
    StopPlayback();
    SyncToScene();
}

void CTimeLineView::GoToLast() {
    m_ctrl.TrimTrailingFrames();
    const int last = m_ctrl.GetLastFrame();
    m_ctrl.m_nCurrentFrame = last;
    m_ctrl.UpdateCursor();
    g_nCurrentFrame = last;
    for (CCharacter& character : Graphics().m_characters) {
        character.m_keys.resize(static_cast<std::size_t>(last) + 1);
    }
    SetFirstFrame(std::max(0, last - VisibleFrames() / 2));
    StopPlayback();
    SyncToScene();
}

void CTimeLineView::StopPlayback() {
    m_timers.KillTimer(PlaybackTimerId);
    Graphics().m_nRunMode = RunEdit;
    g_pDirectSound->StopAll();
}

void CTimeLineView::FillInBetweens() {
    Graphics().InterpolateAllCharacters();
    Graphics().FillSubtitles();
    Graphics().InterpolateCameraKeys();
}

// The rows are synced into the scene once, after the last one: a sync per row would cost
// the square of the number of characters.
void CTimeLineView::RebuildTracks() {
    DeleteAllTracks();
    const int characters = Graphics().GetCharacterCount();
    m_ctrl.m_tracks.reserve(static_cast<std::size_t>(characters) + 3);
    for (int i = 0; i < characters; ++i) {
        AddCharacterTrack(i);
    }
    AddWavTrack();
    AddSubtitleTrack();
    AddCameraTrack();
    StopPlayback();
    if (Graphics().m_nFrameCount >= DefaultFrameCount) {
        m_ctrl.m_nFrameCount = Graphics().m_nFrameCount;
    }
    m_ctrl.UpdateScrollRanges();
    SyncToScene();
}

void CTimeLineView::OnUpdate(CView*, LPARAM hint, CObject*) {
    switch (hint) {
    case HintSceneChanged:
    case HintSelectionChanged:
        SyncToScene();
        break;
    case HintDocumentLoaded:
        RebuildTracks();
        break;
    case HintCharacterImported:
        StopPlayback();
        m_ctrl.UpdateScrollRanges();
        break;
    case HintPlay:
        StartPlayback();
        break;
    case HintRecordStart:
        StartRecording();
        break;
    case HintStop:
    case HintRecordEnd:
        StopPlayback();
        break;
    case HintGoFirst:
    case HintGoLast:
        FillInBetweens();
        break;
    case HintFrameCountChanged:
        if (Graphics().m_nFrameCount >= DefaultFrameCount) {
            m_ctrl.m_nFrameCount = Graphics().m_nFrameCount;
        }
        m_ctrl.UpdateScrollRanges();
        break;
    default:
        break;
    }
    m_ctrl.update();
}

void CTimeLineView::AddKeyframe(BOOL fill) {
    const int current = m_ctrl.m_nCurrentFrame;
    const int row = m_ctrl.m_nSelectedRow;
    const int state = RowState(row, current);
    BOOL zeroKeyed = FALSE;
    std::int32_t key = FrameKey;
    if (state == TimeLineKey || state == TimeLineContentKey) {
        // Keying a key again always fills the frames back to the key before it.
        zeroKeyed = m_ctrl.SetSelectedFrameState(state, TRUE);
        key = state == TimeLineContentKey ? FrameContentKey : FrameKey;
    } else if (row >= 0 && row < TrackCount()) {
        zeroKeyed = m_ctrl.m_tracks[static_cast<std::size_t>(row)].SetFrameState(current,
                                                                                 TimeLineKey, fill);
    }
    const int rows = TrackCount();
    if (row == rows - 3 && row >= 0) {
        if (current >= 0) {
            g_pDirectSound->SetWaveFrameState(current, key);
        }
        if (zeroKeyed) {
            g_pDirectSound->SetWaveFrameState(0, FrameKey);
        }
    } else if (row == rows - 2 && row >= 0) {
        if (current >= 0) {
            Graphics().SetSubtitleFrameState(current, key);
        }
        if (zeroKeyed) {
            Graphics().SetSubtitleFrameState(0, FrameKey);
        }
        SyncSubtitleStates();
        Graphics().FillSubtitles();
    } else if (row == rows - 1 && row >= 0) {
        if (current >= 0) {
            Graphics().SetCameraFrameState(current, key);
        }
        if (zeroKeyed) {
            Graphics().SetCameraFrameState(0, FrameKey);
        }
        Graphics().m_nCameraMode = CameraTrack;
        Graphics().InterpolateCameraKeys();
    } else if (IsCharacterRow(row)) {
        Graphics().SetCharacterFrameState(key, row, current);
        if (zeroKeyed) {
            Graphics().SetCharacterFrameState(FrameKey, row, 0);
        }
        // Also the in-between frames that a fill back to frame 0 made.
        ApplyCharacterStates();
        SyncToScene();
        Graphics().InterpolateCharacter(row);
    }
}

void CTimeLineView::OnLButtonDown(unsigned int, QPoint) {
    SyncToScene();
    const RowKind kind = KindOf(m_ctrl.m_nSelectedRow);
    if (kind == RowKind::Camera) {
        Graphics().m_nCameraMode = CameraTrack;
    }
    CMainFrame* frame = GetMainFrame();
    CTutorialDlg* tutorial = GetTutorial();
    if ((kind == RowKind::Character || kind == RowKind::None) && tutorial != nullptr) {
        tutorial->Advance(2, frame->GetToolBarButtonPoint(4)) ||
            tutorial->Advance(9, GetOriginInFrame(*frame->m_pPropertyView) + QPoint(230, 150));
    }
    Broadcast(*this, HintSelectionChanged);
    MarkDocumentModified(*this);
}

void CTimeLineView::OnLButtonDblClk(unsigned int, QPoint) {
    AddKeyframe(FALSE);
    Broadcast(*this, HintSceneChanged);
    MarkDocumentModified(*this);
}

void CTimeLineView::OnRButtonDown(unsigned int, QPoint) {
    SyncToScene();
    if (m_ctrl.m_nSelectedRow == TrackCount() - 1) {
        Graphics().m_nCameraMode = CameraTrack;
    }
    ShowContextMenu();
}

void CTimeLineView::ShowContextMenu() {
    if (const UINT id = TrackPopupMenu(IDR_TIMELINE_MENU, QCursor::pos(), this)) {
        OnCommand(id);
    }
}

CTimeLineView::RowKind CTimeLineView::KindOf(int row) const {
    const int rows = TrackCount();
    if (row < 0 || row >= rows) {
        return RowKind::None;
    }
    if (row == rows - 3) {
        return RowKind::Wave;
    }
    if (row == rows - 2) {
        return RowKind::Subtitle;
    }
    return row == rows - 1 ? RowKind::Camera : RowKind::Character;
}

void CTimeLineView::OnTimeLineCommand(UINT id) {
    const int frame = m_ctrl.m_nCurrentFrame;
    const int row = m_ctrl.m_nSelectedRow;
    const RowKind kind = KindOf(row);
    switch (id) {
    case ID_TIMELINE_ADD_FRAME:
    case ID_TIMELINE_ADD_10_FRAMES:
    case ID_TIMELINE_DELETE_FRAME:
    case ID_TIMELINE_DELETE_10_FRAMES:
        EditFrames(id == ID_TIMELINE_ADD_FRAME || id == ID_TIMELINE_ADD_10_FRAMES,
                   id == ID_TIMELINE_ADD_10_FRAMES || id == ID_TIMELINE_DELETE_10_FRAMES ? 10 : 1,
                   frame, row, kind);
        break;
    case ID_TIMELINE_ADD_KEY:
        AddKeyframe(FALSE);
        SyncToScene();
        Graphics().InterpolateCharacter(row);
        break;
    case ID_TIMELINE_ADD_KEY_FILL:
        AddKeyframe(TRUE);
        AdvanceTutorialAfterFilledKey();
        break;
    case ID_TIMELINE_DELETE_KEY:
        ClearFrame(TimeLineInBetween, FrameInBetween, frame, row, kind);
        break;
    case ID_TIMELINE_CLEAR_BETWEEN_KEYS:
        ClearFrame(TimeLineEmpty, FrameEmpty, frame, row, kind);
        break;
    case ID_TIMELINE_DELETE_TRACK:
        DeleteTrackCommand(row, kind);
        break;
    default:
        return;
    }
    // Also after a refusal, as every command of the menu.
    Broadcast(*this, HintSceneChanged);
    MarkDocumentModified(*this);
}

// One filled key advances the tutorial by one step at most, from whichever of its three
// steps it waits at.
void CTimeLineView::AdvanceTutorialAfterFilledKey() {
    CMainFrame* frame = GetMainFrame();
    CTutorialDlg* tutorial = GetTutorial();
    if (tutorial == nullptr) {
        return;
    }
    const QWidget& view = *frame->m_pView;
    const QPoint viewOrigin = GetOriginInFrame(view);
    const QPoint timeLine = GetOriginInFrame(*this);
    tutorial->Advance(4, viewOrigin + QPoint(view.width() / 2, view.height() / 2)) ||
        tutorial->Advance(6, timeLine + QPoint(644, 110)) ||
        tutorial->Advance(7, viewOrigin + QPoint(100, 100));
}

void CTimeLineView::EditFrames(bool insert, int count, int frame, int row, RowKind kind) {
    for (int i = 0; i < count; ++i) {
        if (insert) {
            m_ctrl.InsertSelectedFrame();
        } else {
            m_ctrl.DeleteSelectedFrame();
        }
        switch (kind) {
        case RowKind::Wave:
            insert ? g_pDirectSound->InsertWaveFrame(frame)
                   : g_pDirectSound->DeleteWaveFrame(frame);
            break;
        case RowKind::Subtitle:
            insert ? Graphics().InsertSubtitleFrame(frame) : Graphics().DeleteSubtitleFrame(frame);
            break;
        case RowKind::Camera:
            insert ? Graphics().InsertCameraFrame(frame) : Graphics().DeleteCameraFrame(frame);
            break;
        case RowKind::Character:
            insert ? Graphics().InsertCharacterFrame(row, frame)
                   : Graphics().DeleteCharacterFrame(row, frame);
            break;
        case RowKind::None:
            break;
        }
    }
    AfterFrameEdit(row, kind);
}

void CTimeLineView::ClearFrame(int timeLineState, std::int32_t sceneState, int frame, int row,
                               RowKind kind) {
    m_ctrl.SetSelectedFrameState(timeLineState, FALSE);
    if (kind == RowKind::Character) {
        Graphics().SetCharacterFrameState(sceneState, row, frame);
    } else if (frame >= 0 && kind == RowKind::Wave) {
        g_pDirectSound->ClearWave(frame, sceneState);
    } else if (frame >= 0 && kind == RowKind::Subtitle) {
        Graphics().SetSubtitleFrameState(frame, sceneState);
    } else if (frame >= 0 && kind == RowKind::Camera) {
        Graphics().SetCameraFrameState(frame, sceneState);
    }
    AfterFrameEdit(row, kind);
}

// What the scene needs after the frames of a row changed: the subtitle row copied whole,
// the camera or the character interpolated again.
void CTimeLineView::AfterFrameEdit(int row, RowKind kind) {
    switch (kind) {
    case RowKind::Subtitle:
        SyncSubtitleStates();
        Graphics().FillSubtitles();
        break;
    case RowKind::Camera:
        Graphics().InterpolateCameraKeys();
        break;
    case RowKind::Character:
        SyncToScene();
        Graphics().InterpolateCharacter(row);
        break;
    default:
        break;
    }
}

void CTimeLineView::DeleteTrackCommand(int row, RowKind kind) {
    switch (kind) {
    case RowKind::Wave:
        AfxMessageBox(Resources::LoadString(IDS_CANNOT_DELETE_WAVE_TRACK));
        break;
    case RowKind::Subtitle:
        AfxMessageBox(Resources::LoadString(IDS_CANNOT_DELETE_SUBTITLE_TRACK));
        break;
    case RowKind::Camera:
        AfxMessageBox(Resources::LoadString(IDS_CANNOT_DELETE_CAMERA_TRACK));
        break;
    case RowKind::Character:
        // The selected index stays: the row below becomes the selected one.
        DeleteTrack(row);
        Graphics().DeleteCharacter(row);
        SyncToScene();
        break;
    case RowKind::None:
        break;
    }
}

void CTimeLineView::StartPlayback() {
    FillInBetweens();
    const int current = m_ctrl.m_nCurrentFrame;
    if (m_ctrl.m_nFirstFrame > current) {
        SetFirstFrame(std::max(current, 0));
    }
    m_timers.SetTimer(PlaybackTimerId, PlaybackIntervalMs);
}

void CTimeLineView::StartRecording() {
    FillInBetweens();
    m_ctrl.TrimTrailingFrames();
    m_ctrl.m_nCurrentFrame = 0;
    m_ctrl.UpdateCursor();
    SetFirstFrame(0);
    // Frame 0 is painted by this hint: the characters shown are frame 0's, not those of the
    // frame the timeline stood on before.
    SyncToScene();
    m_timers.SetTimer(PlaybackTimerId, RecordIntervalMs);
}

LPARAM CTimeLineView::EndHint() const {
    return Graphics().m_nRunMode == RunRecord ? HintRecordEnd : HintStop;
}

void CTimeLineView::timerEvent(QTimerEvent* event) {
    if (const std::optional<UINT> id = m_timers.TimerId(event->timerId())) {
        OnTimer(*id);
    }
}

void CTimeLineView::OnTimer(UINT) {
    // A message box opened inside a tick (a sound the recorder cannot make, say) runs its own
    // event loop, where this timer goes on firing: those ticks wait for this one to end.
    if (m_bInTick) {
        return;
    }
    const QScopedValueRollback<bool> inTick(m_bInTick, true);
    // The frame that the last tick moved to is shown, and recorded, before the next one.
    if (CMainFrame* frame = GetMainFrame(); frame != nullptr && frame->m_pView != nullptr) {
        frame->m_pView->FlushPendingPaint();
    }
    const int current = m_ctrl.m_nCurrentFrame;
    if (m_ctrl.GetLastFrame() <= current) {
        Broadcast(*this, EndHint());
        return;
    }
    m_ctrl.m_nCurrentFrame = current + 1;
    m_ctrl.UpdateCursor();
    if (std::int64_t{m_ctrl.m_nFirstFrame} + VisibleFrames() < std::int64_t{current} + 10) {
        SetFirstFrame(std::max(current, 0));
    }
    // The sound of the frame just left: the start frame's plays on the first tick.
    const std::string wave = g_pDirectSound->GetWaveName(current);
    if (!wave.empty()) {
        g_pDirectSound->Play(wave, FALSE);
    }
    SyncToScene();
    Broadcast(*this, m_ctrl.GetLastFrame() > current ? LPARAM{HintSceneChanged} : EndHint());
}
