// What the desktop and Qt add around the main window, as a user meets it: Qt's own dialogs
// in Japanese, the program's icon in the about box, tooltips only where the command table
// gives one, no menu of Qt's own on the bars, documents that later starts hand over, and
// documents whose names are not UTF-8.

// The mouse goes through the window system's path, where a right click also makes the context
// menu event.
#define QTEST_QPA_MOUSE_HANDLING

#include "ProgramProcess.h"
#include "app/CMainFrame.h"
#include "app/CSorvendalApp.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CQtDialogService.h"
#include "platform/framework/CRecentFileList.h"
#include "support/AppSession.h"
#include "timeline/CTimeLineView.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>

#include <unistd.h>

using namespace AppSession;

namespace {

QStringList ButtonTexts(const QWidget& dialog) {
    QStringList texts;
    if (const auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        for (const QAbstractButton* button : buttons->buttons()) {
            texts << button->text();
        }
    }
    return texts;
}

// The columns of the file dialog's detailed list for each name, joined by '|', once the list
// shows them all; none when it does not.
QStringList ListedRows(QWidget& dialog, const QStringList& names) {
    const QTreeView& view = *dialog.findChild<QTreeView*>();
    const QAbstractItemModel& list = *view.model();
    QStringList rows;
    const bool listed = QTest::qWaitFor(
        [&] {
            const QModelIndex first = list.index(0, 0, view.rootIndex());
            rows.clear();
            for (const QString& name : names) {
                const QModelIndexList found = list.match(first, Qt::DisplayRole, name);
                QStringList columns;
                for (int column = 0; !found.isEmpty() && column < list.columnCount(); ++column) {
                    columns << found.front().siblingAtColumn(column).data().toString();
                }
                rows << columns.join(u'|');
            }
            return !rows.contains(QString());
        },
        PatienceMs);
    return listed ? rows : QStringList();
}

// Counts the tooltip events that the widget gets: Qt sends one when the mouse pauses over it,
// whether it has a tooltip or not.
class ToolTipEvents : public QObject {
public:
    explicit ToolTipEvents(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::ToolTip ? 1 : 0;
        return false;
    }
    int count = 0;
};

// The tooltip that a pause of the mouse over the widget shows, after a move from elsewhere;
// "(no pause)" when the widget never had its tooltip event.
QString ToolTipOver(QWidget& widget) {
    QToolTip::hideText();
    QTest::mouseMove(Frame().m_pView, QPoint(5, 5));
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, PatienceMs)) {
        return QStringLiteral("(a tooltip stays)");
    }
    const ToolTipEvents events(widget);
    QTest::mouseMove(&widget, widget.rect().center());
    if (!QTest::qWaitFor([&events] { return events.count > 0; }, PatienceMs)) {
        return QStringLiteral("(no pause)");
    }
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Whether a right click at the point opens a menu (which is closed again at once).
bool RightClickOpensAMenu(QWidget& widget, QPoint at) {
    const WhenShown menu(PopupMenu, [](QWidget&) {});
    QTest::mouseClick(&widget, Qt::RightButton, Qt::NoModifier, at);
    Settle();
    return menu.Done();
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, ShiftJisName)), std::string());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, "waiting.qka")), std::string());
        // A folder and a 10-byte file of a known date, as the file dialog lists them.
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("folder")));
        QFile note(m_folder.filePath(QStringLiteral("note.qka")));
        QVERIFY(note.open(QIODevice::WriteOnly) && note.write("ten bytes\n") == 10 && note.flush());
        QVERIFY(note.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(9, 5)),
                                 QFileDevice::FileModificationTime));
        QVERIFY(Start());
    }
    void init() { NewDocument(); }
    void cleanupTestCase() {
        Stop();
        ::unlink(PathIn(m_folder, ShiftJisName).c_str()); // Qt cannot remove it
    }

    void QtsOwnDialogsSpeakJapanese() {
        std::unique_ptr<IDialogService> scripted =
            theApp.SetDialogService(std::make_unique<CQtDialogService>());
        QStringList promptButtons;
        {
            // Closed, the prompt cancels.
            const WhenShown prompt(
                ModalWindow, [&promptButtons](QWidget& box) { promptButtons = ButtonTexts(box); });
            Document().SetModifiedFlag(true);
            Command(ID_FILE_NEW);
            Document().SetModifiedFlag(false);
            QVERIFY(prompt.Done());
        }

        QStringList dialogButtons;
        QStringList labels;
        QStringList fileTypes;
        QStringList rows;
        {
            const WhenShown fileDialog(ModalWindow, [&](QWidget& dialog) {
                static_cast<QFileDialog&>(dialog).setDirectory(m_folder.path());
                rows = ListedRows(dialog, {QStringLiteral("folder"), QStringLiteral("note.qka")});
                dialogButtons = ButtonTexts(dialog);
                for (const QComboBox* list : dialog.findChildren<QComboBox*>()) {
                    for (int i = 0; i < list->count(); ++i) {
                        fileTypes << list->itemText(i);
                    }
                }
                for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                    labels << label->text();
                }
                if (QTest::qWaitForWindowExposed(&dialog, PatienceMs)) {
                    qInfo() << "screenshot:"
                            << SaveScreenshot(QStringLiteral("file-dialog-japanese"));
                }
            });
            Command(ID_FILE_OPEN);
            QVERIFY(fileDialog.Done());
        }
        theApp.SetDialogService(std::move(scripted));

        // In the order of the platform's button layout.
        QCOMPARE(promptButtons,
                 (QStringList{QStringLiteral(u"キャンセル"), QStringLiteral(u"はい(&Y)"),
                              QStringLiteral(u"いいえ(&N)")}));
        QCOMPARE(dialogButtons,
                 (QStringList{QStringLiteral(u"開く(&O)"), QStringLiteral(u"キャンセル")}));
        QVERIFY2(labels.contains(QStringLiteral(u"ファイル名(&N):")), qPrintable(labels.join('|')));
        // A file type reads as the program's own description, without Qt's pattern list.
        QVERIFY2(fileTypes.contains(QStringLiteral(u"Morlu Sorvendalファイル(*.qka)")),
                 qPrintable(fileTypes.join('|')));
        // Sizes, types and dates in Japanese too, whatever the system's locale.
        QCOMPARE(rows.value(0).section(u'|', 0, 2), QStringLiteral(u"folder||フォルダ"));
        QCOMPARE(rows.value(1).section(u'|', 0, 1), QStringLiteral(u"note.qka|10 バイト"));
        QCOMPARE(rows.value(1).section(u'|', 3), QStringLiteral(u"2026/12/09 9:05"));
        QVERIFY2(!rows.value(1).contains(QStringLiteral("plain text document")),
                 qPrintable(rows.value(1)));
    }

    void TheAboutBoxShowsTheProgramsIcon() {
        QImage icon;
        const WhenShown about(ModalWindow, [&icon](QWidget& box) {
            if (!QTest::qWaitForWindowExposed(&box, PatienceMs)) {
                return;
            }
            for (QLabel* label : box.findChildren<QLabel*>()) {
                if (label->text().isEmpty()) {
                    icon = Grab(*label);
                }
            }
        });
        Command(ID_APP_ABOUT);
        QVERIFY(about.Done());
        // The sky of the icon's picture, where a blank label shows only the dialog's face.
        int sky = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                sky += icon.pixelColor(x, y) == QColor(0x60, 0xA0, 0xE0) ? 1 : 0;
            }
        }
        QVERIFY2(sky >= 100, qPrintable(QString::number(sky)));
    }

    void OnlyCommandsWithATooltipShowOne() {
        CToolBar& toolBar = Frame().GetToolBar();
        const auto button = [&toolBar](UINT id) {
            return toolBar.widgetForAction(Frame().GetCommandAction(id));
        };
        QCOMPARE(ToolTipOver(*button(ID_FILE_IMPORT)), QStringLiteral(u"読み込み"));
        QCOMPARE(ToolTipOver(*button(ID_FILE_EXPORT)), QString()); // the table gives it none
    }

    void TheBarsOpenNoMenuOfQtsOwn() {
        QMenuBar& menuBar = *Frame().menuBar();
        QVERIFY(!RightClickOpensAMenu(menuBar, QPoint(menuBar.width() - 10, menuBar.height() / 2)));
        QWidget& toolBar = Frame().GetToolBar();
        QVERIFY(!RightClickOpensAMenu(toolBar, QPoint(toolBar.width() - 10, toolBar.height() / 2)));
        QStatusBar& statusBar = *Frame().statusBar();
        QVERIFY(!RightClickOpensAMenu(statusBar, QPoint(10, statusBar.height() / 2)));
    }

    // A later start hands its document to this window, which asks about its changes first
    // and comes to the front.
    void ALaterStartHandsItsDocumentOver() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QString saved = m_folder.filePath(QStringLiteral("handed.qka"));
        Dialogs().fileAnswers.push_back(saved);
        Command(ID_FILE_SAVE_AS);
        NewDocument();
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other, PatienceMs));

        // The running program takes a handed-over document at its next look, every 100 ms.
        Dialogs().messageAnswers = {IDCANCEL};
        QVERIFY(HandOver(saved));
        QTRY_COMPARE_WITH_TIMEOUT(Dialogs().messages.size(), std::size_t{1}, PatienceMs);
        QCOMPARE(Dialogs().messages.back().text, QStringLiteral(u"無題 への変更を保存しますか?"));
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QVERIFY(Document().GetPathName().isEmpty());

        Dialogs().messageAnswers = {IDNO};
        QVERIFY(HandOver(saved));
        QTRY_COMPARE_WITH_TIMEOUT(Document().GetPathName(), saved, PatienceMs);
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QVERIFY(QTest::qWaitForWindowActive(&Frame(), PatienceMs));

        // A document that is not there: the message says so, and the window keeps its own.
        QVERIFY(HandOver(m_folder.filePath(QStringLiteral("missing.qka"))));
        QTRY_COMPARE_WITH_TIMEOUT(Dialogs().messages.size(), std::size_t{3}, PatienceMs);
        QVERIFY(
            Dialogs().messages.back().text.endsWith(QStringLiteral(u"ファイルが見つかりません。")));
        QCOMPARE(Document().GetPathName(), saved);
    }

    // A document handed over while a modal window is up, or while the movie plays, waits until
    // the window has closed, or the movie has stopped, and then opens as any other does.
    void AHandedOverDocumentWaitsForTheWindowToBeFree() {
        const QString waiting = m_folder.filePath(QStringLiteral("waiting.qka"));
        bool handedOver = false;
        QString underTheBox;
        {
            const WhenShown about(ModalWindow, [&](QWidget&) {
                handedOver = HandOver(waiting);
                underTheBox = Document().GetPathName();
            });
            Command(ID_APP_ABOUT);
            QVERIFY(about.Done());
        }
        QVERIFY(handedOver);
        QCOMPARE(underTheBox, QString());
        QTRY_COMPARE_WITH_TIMEOUT(Document().GetPathName(), waiting, PatienceMs);

        // A movie of 100 seconds, played from its start.
        NewDocument();
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Rows().m_tracks[0].SetFrameState(3000, TimeLineKey, FALSE);
        Command(ID_GO_FIRST);
        Command(ID_PLAY);
        QVERIFY(HandOver(waiting));
        // A third of a second of the movie, in which the program looks for a free moment to
        // open the document several times over; an open would stop the movie.
        const int frame = Rows().m_nCurrentFrame;
        QTRY_VERIFY_WITH_TIMEOUT(
            Rows().m_nCurrentFrame > frame + 10 || Scene().m_nRunMode != RunPlay, PatienceMs);
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunPlay));
        QVERIFY(Document().GetPathName().isEmpty());
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});

        Dialogs().messageAnswers = {IDNO};
        Command(ID_STOP);
        QTRY_COMPARE_WITH_TIMEOUT(Document().GetPathName(), waiting, PatienceMs);
        QCOMPARE(Dialogs().messages.size(), std::size_t{1});
        QCOMPARE(Dialogs().messages.back().text, QStringLiteral(u"無題 への変更を保存しますか?"));
        QCOMPARE(Scene().GetCharacterCount(), 0);
    }

    // Dropped and then reopened from the recent-file list, after a restart too.
    void DocumentsNamedInShiftJisOpen() {
        const QByteArray path = QByteArray::fromStdString(PathIn(m_folder, ShiftJisName));
        QMimeData data;
        data.setUrls({QUrl::fromEncoded("file://" + path.toPercentEncoding("/"))});
        const QPoint centre = Frame().rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &enter);
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &drop);
        Settle();
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
        const QString opened = Document().GetPathName();
        QVERIFY2(opened.endsWith(QStringLiteral(".qka")), qPrintable(opened));

        // The profile as the next run reads it.
        QSettings profile(QStringLiteral("Morlu Sorvendal Application"),
                          QStringLiteral("Sorvendal"));
        const QString copy = m_folder.filePath(QStringLiteral("profile.conf"));
        QVERIFY(QFile::copy(profile.fileName(), copy));
        QSettings nextRun(copy, QSettings::IniFormat);
        QCOMPARE(CRecentFileList(nextRun, 4).GetFiles().value(0), opened);

        NewDocument();
        Frame().GetCommandAction(ID_FILE_MRU_FILE1)->trigger();
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
        QCOMPARE(Document().GetPathName(), opened);
    }

private:
    // Starts the program with the document: true once it has ended, handing it over.
    bool HandOver(const QString& path) {
        QProcess later;
        StartProgram(later, {path}, m_folder.filePath(QStringLiteral("profile")));
        const bool ended =
            QTest::qWaitFor([&later] { return later.state() == QProcess::NotRunning; }, PatienceMs);
        if (!ended) {
            later.kill();
            later.waitForFinished();
        }
        Settle();
        return ended && later.exitStatus() == QProcess::NormalExit && later.exitCode() == 0;
    }

    QTemporaryDir m_folder;
};

SORVENDAL_APP_TEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
