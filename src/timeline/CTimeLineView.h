#pragma once

// The timeline pane: it holds the timeline control and is the only code that moves data
// between the control's rows and the scene. Rows 0 to n - 1 show the n characters in the
// scene's order, then come the WAV row, the subtitle row and the camera row, always the last
// three. It builds the rows from the scene, copies the timeline into the scene (which
// characters are present at the current frame, their key states and locks, the selection
// and the current frame), turns the control's clicks into edits and moves to the first or
// last frame.

#include "platform/framework/CView.h"
#include "platform/framework/CWndTimers.h"
#include "timeline/CTimeLineCtrl.h"
#include "timeline/ITimeLineCtrlParent.h"

#include <QFrame>

#include <string>

class CTimeLineView : public QFrame, public CView, public ITimeLineCtrlParent {
public:
    static constexpr UINT PlaybackTimerId = 1;
    static constexpr UINT PlaybackIntervalMs = 33;
    static constexpr UINT RecordIntervalMs = 0;

    CTimeLineView();

    QWidget& GetViewWindow() override { return *this; }
    int OnCreate() override;
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;

    // Row builders: each appends one row built from the scene. The camera row, always the
    // last, then goes to frame 0 and selects itself; a character's row is not synced into
    // the scene, which a rebuild does once, after the last row.
    void AddCharacterTrack(int i);
    void AddWavTrack();
    void AddSubtitleTrack();
    void AddCameraTrack();
    void DeleteAllTracks();
    void DeleteTrack(int i);
    // The row of a character just imported (and put first in the scene), keyed at frame 0.
    void InsertCharacterTrack(const std::string& name);

    void SyncToScene();
    void SyncSubtitleStates();
    void ApplyCharacterStates();
    // Makes the nearest key at or before the current frame on the selected row a content
    // key and returns its frame; -1 when there is none.
    int MarkContentKey();
    void GoToFirst();
    void GoToLast();
    void StopPlayback();
    void AddKeyframe(BOOL fill);
    // One frame of playback or recording.
    void OnTimer(UINT id);
    void ShowContextMenu();
    void OnTimeLineCommand(UINT id);

    void OnLButtonDown(unsigned int flags, QPoint point) override;
    void OnLButtonDblClk(unsigned int flags, QPoint point) override;
    void OnRButtonDown(unsigned int flags, QPoint point) override;

    CTimeLineCtrl m_ctrl;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    enum class RowKind { None, Wave, Subtitle, Camera, Character };

    int TrackCount() const { return m_ctrl.GetTrackCount(); }
    bool IsCharacterRow(int row) const { return row >= 0 && row < TrackCount() - 3; }
    // The row's state at a frame; empty for a row index outside the rows.
    int RowState(int row, int frame) const;
    // Frame columns in view: V of the play-head jump and of the move to the last frame.
    int VisibleFrames() const;
    void SetFirstFrame(int frame);
    RowKind KindOf(int row) const;
    void FillInBetweens();
    // Rebuilds every row from the scene after a document was read.
    void RebuildTracks();
    void StartPlayback();
    void StartRecording();
    // The hint that ends the movie: the end of a recording, or else of playback.
    LPARAM EndHint() const;
    // The frame commands of the context menu, on the selected row and its scene track:
    // `count` frames inserted before the frame, or deleted from it.
    void EditFrames(bool insert, int count, int frame, int row, RowKind kind);
    void ClearFrame(int timeLineState, std::int32_t sceneState, int frame, int row, RowKind kind);
    void AfterFrameEdit(int row, RowKind kind);
    void DeleteTrackCommand(int row, RowKind kind);
    void AdvanceTutorialAfterFilledKey();

    CWndTimers m_timers{*this};
    bool m_bInTick = false;
};
