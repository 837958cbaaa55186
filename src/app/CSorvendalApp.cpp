#include "app/CSorvendalApp.h"

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "platform/ProgramFolder.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CSingleDocTemplate.h"
#include "platform/framework/Resources.h"
#include "platform/opengl/COpenGLDirect3D.h"
#include "platform/opengl/WindowsFonts.h"
#include "scene/CAnimation.h"
#include "scene/CCharacter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include <csignal>

CSorvendalApp theApp;

namespace {
// The serialisable scene classes, registered right after the application object is built.
const bool g_bClassesRegistered = [] {
    RegisterAnimationClass();
    RegisterCharacterClass();
    RegisterDirectXGraphicsClass();
    RegisterDirectSoundClass();
    return true;
}();

// Qt's file, colour and list dialogs and its message-box buttons speak the program's language,
// whatever the user's locale, and write names of file types, sizes and dates as Japanese does;
// without Qt's translations installed their words stay in English. The translator lives as
// long as Qt's application object.
void InstallQtTranslation() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}
} // namespace

CSorvendalApp::CSorvendalApp() {
    MapCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    MapCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    MapCommand(ID_HELP_CONTENTS, [this] { OnHelpContents(); });
}

BOOL CSorvendalApp::InitInstance() {
    // A write past the file-size limit fails with EFBIG, which saves and recordings report,
    // instead of ending the program with the user's work. The signal is caught, not ignored,
    // so that the programs started from here (the help's browser) get its usual action back.
    std::signal(SIGXFSZ, [](int) {});
    // The window system's services that the views rely on: the Direct3D stand-in, the
    // Japanese faces of the dialogs, the timeline and the subtitles, and the Japanese texts of
    // Qt's own dialogs.
    RegisterOpenGLDirect3D();
    InstallWindowsFontSubstitutes();
    InstallQtTranslation();
    // The desktop entry that launches the program: Wayland desktops tie its windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("morlu-sorvendal"));
    CWinApp::InitInstance();
    if (!AfxOleInit()) {
        AfxMessageBox(Resources::LoadString(IDP_OLE_INIT_FAILED));
        return FALSE;
    }
    AfxEnableControlContainer();
    SetRegistryKey(QStringLiteral("Morlu Sorvendal Application"));
    LoadStdProfileSettings(4);
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return std::make_unique<CSorvendalDoc>(); },
        [] { return std::make_unique<CMainFrame>(); }));
    EnableShellOpen();
    RegisterShellFileTypes(true);
    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine)) {
        return FALSE;
    }
    m_pMainWnd->show();
    m_pMainWnd->repaint();
    m_pMainWnd->DragAcceptFiles(true);
    return TRUE;
}

bool CSorvendalApp::IsBusy() const {
    return g_pDirectXGraphics != nullptr && g_pDirectXGraphics->m_nRunMode != RunEdit;
}

void CSorvendalApp::OnAppAbout() {
    CAboutDlg about(m_pMainWnd);
    about.DoModal();
}

void CSorvendalApp::OnHelpContents() {
    const QString help =
        QString::fromStdString(GetProgramFolder()) + QStringLiteral("Sorvendal.html");
    // A missing help file is not reported.
    if (QFileInfo(help).isFile()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(help));
    }
}
