// The program in processes of its own, as the desktop starts it: it ends on SIGTERM, a start
// with a document hands the document to the program that runs on the display and ends, and a
// document named in bytes that are not UTF-8 opens from the command line. Windows are found
// on the X display, by the process that owns them.

#include "ProgramProcess.h"
#include "support/Patience.h"

#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

const QString TitleSuffix = QStringLiteral(" - Morlu Sorvendal 1.3");

struct ShownWindow {
    unsigned long id;
    qint64 pid;
    QString title;
};

Display* X11() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
}

// The window's property of that type, as Xlib gives it: 32-bit items as longs.
template <typename Item> std::vector<Item> Property(Window window, const char* name, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    std::vector<Item> items;
    if (XGetWindowProperty(X11(), window, XInternAtom(X11(), name, False), 0, 4096, False, type,
                           &actualType, &format, &count, &left, &data) == Success &&
        data != nullptr) {
        const auto* first = reinterpret_cast<const Item*>(data);
        items.assign(first, first + count);
    }
    XFree(data);
    return items;
}

// The mapped top-level windows of the display, bottom to top.
std::vector<ShownWindow> ShownWindows() {
    XSync(X11(), False);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<ShownWindow> shown;
    if (XQueryTree(X11(), DefaultRootWindow(X11()), &root, &parent, &children, &count) == 0) {
        return shown;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(X11(), children[i], &attributes) == 0 ||
            attributes.map_state != IsViewable) {
            continue;
        }
        const std::vector<long> pid = Property<long>(children[i], "_NET_WM_PID", XA_CARDINAL);
        const std::vector<char> title =
            Property<char>(children[i], "_NET_WM_NAME", XInternAtom(X11(), "UTF8_STRING", False));
        shown.push_back({children[i], pid.empty() ? -1 : pid.front(),
                         QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()))});
    }
    XFree(children);
    return shown;
}

// The main windows that the process shows.
QStringList MainWindowsOf(const QProcess& process) {
    QStringList titles;
    for (const ShownWindow& window : ShownWindows()) {
        if (window.pid == process.processId() && window.title.endsWith(TitleSuffix)) {
            titles << window.title;
        }
    }
    return titles;
}

// Where the first window that `is` picks stands in the stacking order, bottom to top; -1 when
// none is shown.
int StackPosition(const std::function<bool(const ShownWindow&)>& is) {
    const std::vector<ShownWindow> shown = ShownWindows();
    const auto found = std::find_if(shown.begin(), shown.end(), is);
    return found == shown.end() ? -1 : static_cast<int>(found - shown.begin());
}

bool ShowsMainWindow(const QProcess& process) {
    return QTest::qWaitFor([&] { return !MainWindowsOf(process).isEmpty(); }, PatienceMs);
}

// Where the programs of this display meet.
QByteArray SocketPath() {
    return QFile::encodeName(
        QStringLiteral("%1/Sorvendal-%2-%3.open")
            .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
            .arg(::getuid())
            .arg(qEnvironmentVariable("DISPLAY")));
}

// Connections to the socket until it takes no more: a program that does not accept them then
// cannot be reached.
class FullBacklog {
public:
    FullBacklog() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = SocketPath();
        std::copy_n(path.constData(), std::min<qsizetype>(path.size(), sizeof address.sun_path - 1),
                    address.sun_path);
        const auto* to = reinterpret_cast<const sockaddr*>(&address);
        for (int connections = 0; connections < 4096; ++connections) {
            const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            m_sockets.push_back(socket);
            if (::connect(socket, to, sizeof address) != 0) {
                full = errno == EAGAIN;
                return;
            }
        }
    }
    ~FullBacklog() {
        for (const int socket : m_sockets) {
            ::close(socket);
        }
    }
    bool full = false;

private:
    std::vector<int> m_sockets;
};

} // namespace

class ProgramProcessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, "scene.qka")), std::string());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, "other.qka")), std::string());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, ShiftJisName)), std::string());
    }

    void cleanupTestCase() {
        // Qt cannot remove a file whose name is not UTF-8.
        ::unlink(PathIn(m_folder, ShiftJisName).c_str());
    }

    void cleanup() {
        for (const std::unique_ptr<QProcess>& program : m_programs) {
            program->kill();
            program->waitForFinished();
        }
        m_programs.clear();
    }

    void EndsOnSigterm() {
        QProcess& program = Start({});
        QVERIFY(ShowsMainWindow(program)); // its sound device has started by now
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(PatienceMs));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    }

    void AStartWithADocumentHandsItToTheRunningProgram() {
        // A program that crashed leaves its socket behind: it holds up no later start.
        QProcess& crashed = Start({});
        QVERIFY(ShowsMainWindow(crashed));
        crashed.kill();
        QVERIFY(crashed.waitForFinished());

        const mode_t umask = ::umask(0);
        QProcess& running = Start({});
        ::umask(umask);
        QVERIFY(ShowsMainWindow(running));
        struct stat socket {};
        QCOMPARE(::stat(SocketPath().constData(), &socket), 0);
        // The user's alone, whatever the umask.
        QCOMPARE(socket.st_mode & 0777, mode_t{0700});
        QWidget cover; // a window of another program over it
        cover.setGeometry(0, 0, 400, 300);
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover, PatienceMs));
        // The program's balloon may come up later, over both: only the main window counts.
        const auto isCover = [&cover](const ShownWindow& window) {
            return window.id == cover.winId();
        };
        const auto isRunning = [&running](const ShownWindow& window) {
            return window.pid == running.processId() && window.title.endsWith(TitleSuffix);
        };
        QVERIFY(QTest::qWaitFor([&] { return StackPosition(isCover) > StackPosition(isRunning); },
                                PatienceMs));

        QProcess& later = Start({m_folder.filePath(QStringLiteral("scene.qka"))});
        QVERIFY(later.waitForFinished(PatienceMs));
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), 0);
        QVERIFY(QTest::qWaitFor(
            [&] { return MainWindowsOf(running) == QStringList{"scene.qka" + TitleSuffix}; },
            PatienceMs));
        QVERIFY(StackPosition(isRunning) > StackPosition(isCover)); // it came to the front

        // Without a document a start opens a window of its own, as always.
        QProcess& another = Start({});
        QVERIFY(ShowsMainWindow(another));
        QCOMPARE(MainWindowsOf(another), QStringList{"無題" + TitleSuffix});
        QCOMPARE(MainWindowsOf(running), QStringList{"scene.qka" + TitleSuffix});
    }

    void ADocumentOpensOnceWhenTheRunningProgramAnswersTooLate_data() {
        QTest::addColumn<bool>("unreachable");
        QTest::newRow("answers late") << false;
        // Its backlog is full: the later start cannot even connect, and leaves its socket alone.
        QTest::newRow("takes no connection") << true;
    }

    // The running program answers only after the later start has given up waiting and opened
    // the document itself: it does not open the document as well.
    void ADocumentOpensOnceWhenTheRunningProgramAnswersTooLate() {
        QFETCH(bool, unreachable);
        QProcess& running = Start({});
        QVERIFY(ShowsMainWindow(running));
        const auto pid = static_cast<pid_t>(running.processId());
        ::kill(pid, SIGSTOP);
        std::optional<FullBacklog> backlog;
        if (unreachable) {
            backlog.emplace();
            QVERIFY(backlog->full);
        }
        QProcess& later = Start({m_folder.filePath(QStringLiteral("scene.qka"))});
        const bool opened = QTest::qWaitFor(
            [&] { return MainWindowsOf(later) == QStringList{"scene.qka" + TitleSuffix}; },
            PatienceMs);
        backlog.reset();
        ::kill(pid, SIGCONT);
        QVERIFY(opened);

        // Awake, it takes the document of the next start, and never shows the first one.
        Start({m_folder.filePath(QStringLiteral("other.qka"))});
        QStringList shown;
        QVERIFY(QTest::qWaitFor(
            [&] {
                shown += MainWindowsOf(running);
                shown.removeDuplicates();
                return shown.contains("other.qka" + TitleSuffix);
            },
            PatienceMs));
        QVERIFY2(!shown.contains("scene.qka" + TitleSuffix), qPrintable(shown.join('|')));
        QCOMPARE(MainWindowsOf(later), QStringList{"scene.qka" + TitleSuffix});
    }

    void ADocumentNamedInShiftJisOpensFromTheCommandLine() {
        // QProcess would pass the name as UTF-8: a shell puts its bytes on the command line.
        QProcess& program =
            Start({QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf \"$1\")\""),
                   ProgramPath(), QStringLiteral("sjis-\\203e\\203X\\203g.qka")},
                  QStringLiteral("/bin/sh"));
        // The main window with the document, or the message of a file that did not open.
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const ShownWindow& window : ShownWindows()) {
                    if (window.pid == program.processId() &&
                        (window.title.endsWith(TitleSuffix) || window.title == "Sorvendal")) {
                        return true;
                    }
                }
                return false;
            },
            PatienceMs));
        const QStringList titles = MainWindowsOf(program);
        QCOMPARE(titles.size(), 1);
        QVERIFY2(titles.front().startsWith("sjis-") &&
                     titles.front().endsWith(".qka" + TitleSuffix),
                 qPrintable(titles.front()));
    }

private:
    QProcess& Start(const QStringList& arguments, const QString& command = ProgramPath()) {
        m_programs.push_back(std::make_unique<QProcess>());
        m_programs.back()->setWorkingDirectory(m_folder.path());
        StartProgram(*m_programs.back(), arguments, m_folder.filePath(QStringLiteral("profile")),
                     command);
        return *m_programs.back();
    }

    QTemporaryDir m_folder;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

QTEST_MAIN(ProgramProcessTest)
#include "ProgramProcessTest.moc"
