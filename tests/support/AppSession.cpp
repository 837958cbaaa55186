#include "support/AppSession.h"

#include "app/CMainFrame.h"
#include "app/CSorvendalApp.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "platform/ProgramFolder.h"
#include "platform/framework/CCommandTable.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "timeline/CTimeLineView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace AppSession {
namespace {
ScriptedDialogs* g_pDialogs = nullptr;

QString SavePicture(const QString& name, const QImage& picture) {
    // Beside the build's programs, never in the source tree.
    const QString chosen = qEnvironmentVariable("SORVENDAL_SCREENSHOTS");
    const QDir folder(chosen.isEmpty() ? QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/../screenshots")
                                       : chosen);
    folder.mkpath(QStringLiteral("."));
    const QString path = folder.absoluteFilePath(name + QStringLiteral(".png"));
    picture.save(path);
    return path;
}
} // namespace

void Prepare() {
    // The profile of a test run is its own, and starts empty, though other runs go on beside it.
    QStandardPaths::setTestModeEnabled(true);
    static const QTemporaryDir profile;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile.path());
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
    return QTest::qWaitForWindowExposed(theApp.m_pMainWnd, PatienceMs) &&
           QTest::qWaitForWindowActive(theApp.m_pMainWnd, PatienceMs);
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
            if (!QTest::qWaitForWindowActive(&Frame(), PatienceMs)) {
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

WhenShown::WhenShown(std::function<QWidget*()> find, std::function<void(QWidget&)> act)
    : m_find(std::move(find)), m_act(std::move(act)) {
    QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
    m_poll.start(10);
}

void WhenShown::Poll() {
    const QPointer<QWidget> window = m_find();
    if (window == nullptr) {
        return;
    }
    m_poll.stop();
    m_bDone = true;
    m_act(*window);
    if (window != nullptr && window->isVisible()) {
        window->close();
    }
}

QWidget* ModalWindow() {
    return QApplication::activeModalWidget();
}

QWidget* PopupMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
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
    return SavePicture(name, Grab(Frame()));
}

QString SaveScreenScreenshot(const QString& name) {
    Settle();
    return SavePicture(name, Frame().screen()->grabWindow(0).toImage());
}

QString ProgramFolder() {
    return QString::fromStdString(GetProgramFolder());
}

CDirectXGraphics& Scene() {
    return *g_pDirectXGraphics;
}

CTimeLineCtrl& Rows() {
    return Frame().m_pTimeLineView->m_ctrl;
}

QString FromCp932(const std::string& text) {
    return Cp932Text::ToQString(text);
}

void Import(const QString& path) {
    Dialogs().fileAnswers.push_back(QDir(ProgramFolder()).filePath(path));
    Command(ID_FILE_IMPORT);
    Settle();
}

QPoint Cell(int row, int frame) {
    const CTimeLineCtrl& rows = Rows();
    return QPoint(CTimeLineCtrl::NameColumnWidth +
                      CTimeLineCtrl::FrameColumnWidth * (frame - rows.m_nFirstFrame) + 4,
                  CTimeLineCtrl::HeaderHeight +
                      CTimeLineCtrl::RowHeight * (row - rows.m_nFirstRow) + 10);
}

void ClickCell(int row, int frame) {
    QTest::mouseClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(row, frame));
    Settle();
}

void FrameCommand(int row, int frame, unsigned int id) {
    const QString text = CCommandTable::Find(id).text;
    bool chosen = false;
    const WhenShown menu(PopupMenu, [&](QWidget& popup) {
        auto& items = static_cast<QMenu&>(popup);
        for (QAction* action : items.actions()) {
            if (action->text() == text) {
                QTest::mouseClick(&items, Qt::LeftButton, Qt::NoModifier,
                                  items.actionGeometry(action).center());
                chosen = true;
            }
        }
    });
    QTest::mouseClick(&Rows(), Qt::RightButton, Qt::NoModifier, Cell(row, frame));
    QVERIFY2(menu.Done(), "no frame menu");
    QVERIFY2(chosen, qPrintable(text));
    Settle();
}

void OpenList(QComboBox& combo) {
    QTest::mouseClick(&combo, Qt::LeftButton, {}, QPoint(combo.width() - 6, combo.height() / 2));
    QVERIFY(QTest::qWaitForWindowExposed(combo.view()->window(), PatienceMs));
    // The list ignores releases for a double-click interval after the click that opened it.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
}

void ChooseInList(QComboBox& combo, const QString& entry) {
    OpenList(combo);
    QAbstractItemView& list = *combo.view();
    const QModelIndex item = list.model()->index(combo.findText(entry), 0);
    QVERIFY2(item.isValid(), qPrintable(entry));
    const QPoint centre = list.visualRect(item).center();
    QTest::mouseMove(list.viewport(), centre);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    Settle();
}

void Drag(QWidget& widget, QPoint from, const std::vector<QPoint>& steps, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers keys) {
    // QTest moves carry no keys: the moves are sent as they are.
    const auto moveTo = [&widget, keys](QPoint at, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, held, keys);
        QApplication::sendEvent(&widget, &move);
    };
    moveTo(from, Qt::NoButton); // the middle button has no press of its own
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons.testFlag(button)) {
            QTest::mousePress(&widget, button, keys, from);
        }
    }
    QPoint at = from;
    for (const QPoint& step : steps) {
        at += step;
        moveTo(at, buttons);
    }
    for (const Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton, Qt::LeftButton}) {
        if (buttons.testFlag(button)) {
            QTest::mouseRelease(&widget, button, keys, at);
        }
    }
    Settle();
}

} // namespace AppSession
