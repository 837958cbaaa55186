#pragma once

// The program's main window, started in the test process as the program starts it
// (InitInstance), with its dialogs answered by a script. One session a test program: its
// tests share the window, and each begins with New.

#include "support/Patience.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class CDirectXGraphics;
class CMainFrame;
class CSorvendalDoc;
class CTimeLineCtrl;
class QComboBox;
class QWidget;

namespace AppSession {

// The process set-up of the program, once the Qt application exists.
void Prepare();
// Runs InitInstance with these arguments after the program's name; false when it fails.
bool Start(const QStringList& arguments = {});
void Stop();

CMainFrame& Frame();
CSorvendalDoc& Document();
ScriptedDialogs& Dialogs();

// A new, unmodified document with the dialog script emptied.
void NewDocument();
// Sends the command as its accelerator does, or through its action when it has no keys.
void Command(unsigned int id);
// Lets pending events, paints included, run.
void Settle();
// Runs an event loop, as a modal box does, until `done` holds; false after the timeout.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs);

// While it lives, acts on the window that `find` returns as soon as there is one, from the
// event loop of a modal box or a pop-up menu; whatever `act` leaves open is closed, so that
// a command waiting on that window always returns. `act` records what it sees, and the test
// checks it afterwards: a check inside `act` would end only `act`.
class WhenShown {
public:
    WhenShown(std::function<QWidget*()> find, std::function<void(QWidget&)> act);
    // Whether the window showed and `act` ran.
    bool Done() const { return m_bDone; }

private:
    void Poll();

    std::function<QWidget*()> m_find;
    std::function<void(QWidget&)> m_act;
    QTimer m_poll;
    bool m_bDone = false;
};
// The modal window in front, and the open pop-up menu, for WhenShown.
QWidget* ModalWindow();
QWidget* PopupMenu();
// What the widget shows on the screen (GL panes included).
QImage Grab(QWidget& widget);
// Saves a picture of the whole main window under the build's screenshots/ folder, or the
// folder that SORVENDAL_SCREENSHOTS names.
QString SaveScreenshot(const QString& name);
// The same for the whole screen, where windows of their own, such as the tutorial balloon,
// show as they are stacked.
QString SaveScreenScreenshot(const QString& name);
// The sample folder of the program, with the trailing '/'.
QString ProgramFolder();

// What a user does in the window, with real mouse and key events.
CDirectXGraphics& Scene();
CTimeLineCtrl& Rows();
QString FromCp932(const std::string& text);
// The import command, its file dialog answered with the path (relative to the program
// folder, where the samples are, or absolute).
void Import(const QString& path);
// The middle of a timeline cell (row -1: the header), in the control's coordinates.
QPoint Cell(int row, int frame);
void ClickCell(int row, int frame);
// A right click on the cell, then the frame menu's item of the command, clicked.
void FrameCommand(int row, int frame, unsigned int id);
// Opens the combo box's list with a click on its arrow, as far as it takes clicks.
void OpenList(QComboBox& combo);
// Opens the combo box's list with its arrow and clicks the entry.
void ChooseInList(QComboBox& combo, const QString& entry);
// A drag: the pointer comes to `from`, the buttons go down there, one move per step with the
// buttons and keys held, and the buttons come up where it ends.
void Drag(QWidget& widget, QPoint from, const std::vector<QPoint>& steps,
          Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier);

} // namespace AppSession

// The main() of a GUI test program: the Qt application, the process set-up of the program,
// then the test object's slots.
#define SORVENDAL_APP_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char** argv) {                                                              \
        QApplication application(argc, argv);                                                      \
        AppSession::Prepare();                                                                     \
        TestObject tests;                                                                          \
        return QTest::qExec(&tests, argc, argv);                                                   \
    }
