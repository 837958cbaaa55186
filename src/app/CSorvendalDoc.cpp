#include "app/CSorvendalDoc.h"

#include "app/CMainFrame.h"
#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "media/MovieSceneHeader.h"
#include "platform/CArchive.h"
#include "platform/MessageBoxService.h"
#include "platform/OutputPath.h"
#include "platform/ProgramFolder.h"
#include "platform/framework/CCmdUI.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/FrameworkIds.h"
#include "platform/framework/IDialogService.h"
#include "platform/framework/LocalFileName.h"
#include "platform/framework/Resources.h"
#include "timeline/CTimeLineView.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

CDirectXGraphics& Graphics() {
    return *g_pDirectXGraphics;
}

// The scene and the media name files in code page 932: a chosen path that it cannot hold
// exactly is refused with a message, never taken for another name.
std::optional<std::string> ScenePath(const QString& path) {
    std::optional<std::string> cp932 = Cp932Text::PathFromQString(path);
    if (!cp932) {
        AfxMessageBox(
            Resources::LoadString(IDS_UNUSABLE_FILE_NAME).arg(QDir::toNativeSeparators(path)),
            MB_OK | MB_ICONERROR);
    }
    return cp932;
}

// Movies and headers go only over a regular file or to a new name: anything else is refused,
// naming the file and the reason, before anything is asked or written.
bool IsWritableOutput(const QString& path, UINT failure) {
    const std::error_code refused = OutputPath::Check(LocalFileName::FromQString(path));
    if (refused) {
        CDocument::ReportNotWritten(failure, path, refused);
    }
    return !refused;
}

QColor ToQColor(COLORREF colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

COLORREF ToColorRef(const QColor& colour) {
    return RGB(static_cast<unsigned>(colour.red()), static_cast<unsigned>(colour.green()),
               static_cast<unsigned>(colour.blue()));
}

} // namespace

// A document read apart from the scene on show, taken over only once it was read whole.
struct CSorvendalDoc::IncomingScene {
    CDirectSound sound;
    CDirectXGraphics graphics;
};

CSorvendalDoc::CSorvendalDoc() {
    g_fDocumentVersion = CurrentDocumentVersion;
    MapCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    MapCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    MapCommand(ID_FILE_IMPORT, [this] { OnFileImport(); });
    MapCommand(ID_FILE_EXPORT, [this] { OnFileExport(); });
    MapCommand(ID_EDIT_MOVE, [this] { OnEditMove(); });
    MapCommand(ID_EDIT_ROTATE, [this] { OnEditRotate(); });
    MapCommand(ID_EDIT_SCALE, [this] { OnEditScale(); });
    MapCommand(ID_CAMERA_PERSPECTIVE, [this] { OnPerspectiveCamera(); });
    MapCommand(ID_CAMERA_CENTER_SELECTION, [this] { OnCenterOnSelection(); });
    MapCommand(ID_PLAY, [this] { OnPlay(); });
    MapCommand(ID_STOP, [this] { OnStop(); });
    MapCommand(ID_GO_FIRST, [this] { OnGoFirst(); });
    MapCommand(ID_GO_LAST, [this] { OnGoLast(); });
    MapCommand(ID_RECORD_AVI, [this] { OnRecordAvi(); });
    MapCommand(ID_BACKGROUND_COLOR, [this] { OnBackgroundColor(); });
    MapCommand(ID_FONT_COLOR, [this] { OnFontColor(); });
    MapCommand(ID_CAMERA_RESET, [this] { OnCameraReset(); });
    MapCommand(ID_ANTIALIAS, [this] { OnAntiAlias(); });
    // Check marks follow the scene's modes, whoever changed them.
    MapUpdateCommand(ID_EDIT_MOVE,
                     [](CCmdUI& ui) { ui.SetCheck(Graphics().m_nEditMode == EditMove); });
    MapUpdateCommand(ID_EDIT_ROTATE,
                     [](CCmdUI& ui) { ui.SetCheck(Graphics().m_nEditMode == EditRotate); });
    MapUpdateCommand(ID_EDIT_SCALE,
                     [](CCmdUI& ui) { ui.SetCheck(Graphics().m_nEditMode == EditScale); });
    MapUpdateCommand(ID_CAMERA_PERSPECTIVE, [](CCmdUI& ui) {
        ui.SetCheck(Graphics().m_nCameraMode == CameraPerspective);
    });
    MapUpdateCommand(ID_CAMERA_CENTER_SELECTION,
                     [](CCmdUI& ui) { ui.SetCheck(Graphics().m_bFollowSelection); });
    MapUpdateCommand(ID_ANTIALIAS, [](CCmdUI& ui) { ui.SetCheck(Graphics().m_bAntiAlias); });
}

CSorvendalDoc::~CSorvendalDoc() = default;

void CSorvendalDoc::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        DocumentFile::Serialize(archive, *g_pDirectSound, Graphics());
    } else if (m_pIncoming != nullptr) {
        DocumentFile::Serialize(archive, m_pIncoming->sound, m_pIncoming->graphics);
    }
}

BOOL CSorvendalDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) {
        return FALSE;
    }
    // The first new document of the run keeps the scene that the graphics object starts
    // with; every later one empties it.
    if (m_bInitialized) {
        Graphics().ClearScene();
        Graphics().SetDefaults();
        g_pDirectSound->m_frameWaves.clear();
        g_pDirectSound->m_frameStates.clear();
        g_pDirectSound->SetWaveFrameState(0, FrameKey);
        if (CMainFrame* frame = GetMainFrame(); frame != nullptr && frame->m_pTimeLineView) {
            CTimeLineView& timeline = *frame->m_pTimeLineView;
            timeline.DeleteAllTracks();
            timeline.AddWavTrack();
            timeline.AddSubtitleTrack();
            timeline.AddCameraTrack();
        }
    }
    m_bInitialized = true;
    return TRUE;
}

BOOL CSorvendalDoc::OnOpenDocument(const QString& path) {
    const float version = g_fDocumentVersion;
    m_pIncoming = std::make_unique<IncomingScene>();
    const BOOL read = CDocument::OnOpenDocument(path);
    const std::unique_ptr<IncomingScene> incoming = std::move(m_pIncoming);
    if (!read) {
        g_fDocumentVersion = version;
        return FALSE;
    }
    // No tick may sync the old rows into the new scene, behind a message box below say.
    if (CMainFrame* frame = GetMainFrame(); frame != nullptr && frame->m_pTimeLineView) {
        frame->m_pTimeLineView->StopPlayback();
    }
    Graphics().ClearScene();
    Graphics().TakeStoredScene(incoming->graphics);
    g_pDirectSound->m_frameWaves = std::move(incoming->sound.m_frameWaves);
    g_pDirectSound->m_frameStates = std::move(incoming->sound.m_frameStates);
    m_bInitialized = true;
    if (!Graphics().ReloadCharacters()) {
        AfxMessageBox(Resources::LoadString(IDS_RELOAD_FAILED));
    }
    UpdateAllViews(nullptr, HintDocumentLoaded);
    return TRUE;
}

QString CSorvendalDoc::AskFileName(bool open, UINT filter, const QString& extension) const {
    FileDialogRequest request;
    request.open = open;
    request.filter = Resources::LoadString(filter);
    request.defaultExtension = extension;
    request.folder = QString::fromStdString(GetProgramFolder());
    request.flags = open && filter == IDS_FILTER_OPEN ? OFN_HIDEREADONLY
                                                      : OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return AfxGetApp()->GetDialogService().GetFileName(request).value_or(QString());
}

void CSorvendalDoc::OnFileOpen() {
    // Unsaved work is never dropped without asking.
    if (!SaveModified()) {
        return;
    }
    const QString path = AskFileName(true, IDS_FILTER_OPEN, QStringLiteral("qka"));
    if (!path.isEmpty() && OnOpenDocument(path)) {
        SetPathName(path);
    }
}

void CSorvendalDoc::OnFileSaveAs() {
    const QString path = AskFileName(false, IDS_FILTER_SAVE, QStringLiteral("qka"));
    if (!path.isEmpty() && OnSaveDocument(path)) {
        SetPathName(path);
    }
}

void CSorvendalDoc::OnFileImport() {
    const QString path = AskFileName(true, IDS_FILTER_IMPORT, QStringLiteral("mqa"));
    if (path.isEmpty()) {
        return;
    }
    const std::optional<std::string> cp932 = ScenePath(path);
    if (cp932 && Graphics().ImportCharacter(*cp932)) {
        std::string title;
        GetFileTitleFromPath(title, *cp932);
        CMainFrame& frame = *GetMainFrame();
        frame.m_pTimeLineView->InsertCharacterTrack(title);
        const QPoint timeLine = GetOriginInFrame(*frame.m_pTimeLineView);
        if (CTutorialDlg* tutorial = GetTutorial()) {
            tutorial->Advance(1, timeLine + QPoint(140, 30)) ||
                tutorial->Advance(3, timeLine + QPoint(644, 30));
        }
    } else if (cp932) {
        AfxMessageBox(Resources::LoadString(IDS_RELOAD_FAILED));
    }
    UpdateAllViews(nullptr, HintCharacterImported);
    SetModifiedFlag(true);
}

void CSorvendalDoc::OnFileExport() {
    const QString path = AskFileName(false, IDS_FILTER_EXPORT, QStringLiteral("h"));
    if (path.isEmpty()) {
        return;
    }
    GetMainFrame()->m_pTimeLineView->GoToLast();
    if (QFileInfo(path).suffix().compare(QLatin1String("h"), Qt::CaseInsensitive) != 0 ||
        !IsWritableOutput(path, IDS_CANNOT_EXPORT_TO)) {
        return;
    }
    const std::optional<std::string> cp932 = ScenePath(path);
    if (cp932 && !WriteMovieSceneHeader(*cp932, Graphics())) {
        AfxMessageBox(Resources::LoadString(IDS_EXPORT_FAILED));
    }
}

void CSorvendalDoc::SetEditMode(int mode) {
    Graphics().m_nEditMode = mode;
    UpdateAllViews(nullptr, HintSceneChanged);
}

void CSorvendalDoc::OnEditMove() {
    SetEditMode(EditMove);
}

void CSorvendalDoc::OnEditRotate() {
    SetEditMode(EditRotate);
}

void CSorvendalDoc::OnEditScale() {
    SetEditMode(EditScale);
}

void CSorvendalDoc::OnPerspectiveCamera() {
    Graphics().m_nCameraMode = CameraPerspective;
    UpdateAllViews(nullptr, HintSceneChanged);
}

void CSorvendalDoc::OnCenterOnSelection() {
    Graphics().m_bFollowSelection = !Graphics().m_bFollowSelection;
    UpdateAllViews(nullptr, HintSceneChanged);
}

void CSorvendalDoc::OnPlay() {
    Graphics().m_nRunMode = RunPlay;
    Graphics().m_nCameraMode = CameraTrack;
    UpdateAllViews(nullptr, HintPlay);
    if (CTutorialDlg* tutorial = GetTutorial()) {
        tutorial->Finish(11);
    }
}

void CSorvendalDoc::OnStop() {
    UpdateAllViews(nullptr, HintStop);
}

void CSorvendalDoc::OnGoFirst() {
    GetMainFrame()->m_pTimeLineView->GoToFirst();
    UpdateAllViews(nullptr, HintGoFirst);
}

void CSorvendalDoc::OnGoLast() {
    GetMainFrame()->m_pTimeLineView->GoToLast();
    UpdateAllViews(nullptr, HintGoLast);
}

void CSorvendalDoc::OnRecordAvi() {
    const QString path = AskFileName(false, IDS_FILTER_AVI, QStringLiteral("avi"));
    if (path.isEmpty() || !IsWritableOutput(path, IDS_CANNOT_RECORD_TO)) {
        return;
    }
    if (const std::optional<std::string> cp932 = ScenePath(path)) {
        GetMainFrame()->m_pView->RecordAvi(*cp932);
    }
}

bool CSorvendalDoc::ChooseColor(COLORREF& colour) {
    const std::optional<QColor> chosen =
        AfxGetApp()->GetDialogService().ChooseColor(ToQColor(colour), CC_FULLOPEN);
    if (!chosen) {
        return false;
    }
    colour = ToColorRef(*chosen);
    UpdateAllViews(nullptr, HintSceneChanged);
    SetModifiedFlag(true);
    return true;
}

void CSorvendalDoc::OnBackgroundColor() {
    ChooseColor(Graphics().m_crBackground);
}

void CSorvendalDoc::OnFontColor() {
    ChooseColor(Graphics().m_crFont);
}

void CSorvendalDoc::OnCameraReset() {
    Graphics().ResetCamera();
    UpdateAllViews(nullptr, HintSceneChanged);
}

void CSorvendalDoc::OnAntiAlias() {
    Graphics().m_bAntiAlias = !Graphics().m_bAntiAlias;
}
