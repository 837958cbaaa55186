#pragma once

// The program's main window, started in the test process as the program starts it
// (InitInstance), with its dialogs answered by a script. One session a test program: its
// tests share the window, and each begins with New.

#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>

class CMainFrame;
class CSorvendalDoc;
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
// What the widget shows on the screen (GL panes included).
QImage Grab(QWidget& widget);
// Saves a picture of the whole main window under the build's screenshots/ folder.
QString SaveScreenshot(const QString& name);
// The sample folder of the program, with the trailing '/'.
QString ProgramFolder();

} // namespace AppSession

// The main() of a GUI test program: the Qt application, the process set-up of the program,
// then the test object's slots.
#define SORVENDAL_APP_TEST_MAIN(TestObject)                                                   \
    int main(int argc, char** argv) {                                                        \
        QApplication application(argc, argv);                                                \
        AppSession::Prepare();                                                               \
        TestObject tests;                                                                    \
        return QTest::qExec(&tests, argc, argv);                                             \
    }
