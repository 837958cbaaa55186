#pragma once

// The property form: the selected key's position, rotation or scale at the current frame
// (or the camera key's), the axis buttons that the handle drags obey, the key's motion with
// its loop and stop-at-end flags, the WAV and subtitle keyed on the timeline, and the movie's
// size and frame count. Fields take effect when they lose focus, lists when a choice is made.

#include "platform/framework/CFormView.h"

#include <optional>

class CPropertyView : public CFormView {
public:
    CPropertyView();

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;

    // Refills the motion list with "なし" and the character's motions.
    void UpdateAnimationCombo(int character);
    // Shows the edited vector in the three coordinate fields.
    void UpdateCoordinates();

    void OnAxisX();
    void OnAxisY();
    void OnAxisZ();
    void OnLoop();
    void OnStopAtEnd();
    void OnSelchangeAnimation();
    void OnKillfocusAnimation();
    void OnKillfocusCoordinate();
    void OnKillfocusSubtitle();
    void OnKillfocusWidth();
    void OnKillfocusHeight();
    void OnKillfocusMaxFrame();
    void OnSelchangeWave();

    // The back buffer's size while the movie is not being recorded.
    int m_nSavedWidth = 0;
    int m_nSavedHeight = 0;
    BOOL m_bLoop = FALSE;
    BOOL m_bStopAtEnd = FALSE;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetCoordinateTexts(float x, float y, float z);
    void UpdateScreenFields();
    void DoDataExchange();
    void FillWaveList();
    void ToggleAxis(BOOL& flag, int button);
    // The number in the field. One below `minimum`, beyond int or none at all becomes
    // `fallback`, one above the ceiling the ceiling; either is written back into the field.
    int ReadAtLeast(int id, int minimum, int fallback, std::optional<int> ceiling = std::nullopt);
    void MarkModified();
    void Broadcast(LPARAM hint);

    // Set while the form's own resize lays the splitter out again.
    bool m_bKeepingWidth = false;
};
