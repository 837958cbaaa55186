#pragma once

// The document. It holds no scene of its own: the scene lives in the graphics object and the
// WAV track in the sound object. It routes the main menu's commands to them, to the timeline
// pane and to the 3D view, tells the views what changed, keeps the modified flag, and ties
// new, open and save to the scene.

#include "platform/framework/CDocument.h"

#include <memory>

class CSorvendalDoc : public CDocument {
public:
    CSorvendalDoc();
    ~CSorvendalDoc() override;

    void Serialize(CArchive& archive) override;
    BOOL OnNewDocument() override;
    // Reads the file into a scene of its own first: a file that cannot be read leaves the
    // current scene, timeline and path as they were.
    BOOL OnOpenDocument(const QString& path) override;

    void OnFileOpen();
    void OnFileSaveAs();
    void OnFileImport();
    void OnFileExport();
    void OnEditMove();
    void OnEditRotate();
    void OnEditScale();
    void OnPerspectiveCamera();
    void OnCenterOnSelection();
    void OnPlay();
    void OnStop();
    void OnGoFirst();
    void OnGoLast();
    void OnRecordAvi();
    void OnBackgroundColor();
    void OnFontColor();
    void OnCameraReset();
    void OnAntiAlias();

private:
    struct IncomingScene;

    void SetEditMode(int mode);
    // Asks for a file in the program folder; empty when the dialog was cancelled.
    QString AskFileName(bool open, UINT filter, const QString& extension) const;
    // The colour dialog on a colour of the scene; true when one was chosen.
    bool ChooseColor(COLORREF& colour);

    bool m_bInitialized = false;
    // The scene being read by OnOpenDocument.
    std::unique_ptr<IncomingScene> m_pIncoming;
};
