#include "support/AppSession.h"

#include "app/CMainFrame.h"
#include "app/CSorvendalApp.h"
#include "app/CSorvendalDoc.h"
#include "platform/ProgramFolder.h"
#include "platform/framework/CCommandTable.h"
#include "platform/framework/CWinApp.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

namespace AppSession {
namespace {
ScriptedDialogs* g_pDialogs = nullptr;
} // namespace

void Prepare() {
    // The profile of a test run is its own, and starts empty.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Morlu Sorvendal Application"), QStringLiteral("Sorvendal")).clear();
    AfxWinInit();
    auto dialogs = std::make_unique<ScriptedDialogs>();
    g_pDialogs = dialogs.get();
    theApp.SetDialogService(std::move(dialogs));
}

bool Start(const QStringList& arguments) {
    theApp.m_commandLine = QStringList{QStringLiteral("sorvendal")} + arguments;
    if (!theApp.InitInstance()) {
        return false;
    }
    // Accelerators reach only the active window.
    theApp.m_pMainWnd->activateWindow();
    return QTest::qWaitForWindowExposed(theApp.m_pMainWnd) &&
           QTest::qWaitForWindowActive(theApp.m_pMainWnd);
}

void Stop() {
    theApp.ExitInstance();
}

CMainFrame& Frame() {
    return *GetMainFrame();
}

CSorvendalDoc& Document() {
    return *dynamic_cast<CSorvendalDoc*>(Frame().GetActiveDocument());
}

ScriptedDialogs& Dialogs() {
    return *g_pDialogs;
}

void NewDocument() {
    Document().SetModifiedFlag(false);
    Command(ID_FILE_NEW);
    Dialogs().Reset();
    Settle();
}

void Command(unsigned int id) {
    const CommandInfo info = CCommandTable::Find(id);
    if (!info.keys.isEmpty()) {
        // A dialog that just closed may have left the main window inactive.
        if (!Frame().isActiveWindow()) {
            Frame().activateWindow();
            if (!QTest::qWaitForWindowActive(&Frame())) {
                qWarning("the main window did not become active: keys may go astray");
            }
        }
        QTest::keySequence(&Frame(), info.keys.front());
    } else if (QAction* action = Frame().GetCommandAction(id)) {
        action->trigger();
    }
}

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
}

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return done();
}

QImage Grab(QWidget& widget) {
    Settle();
    const QPoint origin = widget.mapToGlobal(QPoint(0, 0));
    return widget.screen()
        ->grabWindow(0, origin.x(), origin.y(), widget.width(), widget.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QString SaveScreenshot(const QString& name) {
    // Beside the build's programs, never in the source tree.
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots"));
    folder.mkpath(QStringLiteral("."));
    const QString path = folder.absoluteFilePath(name + QStringLiteral(".png"));
    Grab(Frame()).save(path);
    return path;
}

QString ProgramFolder() {
    return QString::fromStdString(GetProgramFolder());
}

} // namespace AppSession
