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
#include "graphics/CSorvendalView.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CQtDialogService.h"
#include "platform/framework/CRecentFileList.h"
#include "support/AppSession.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <functional>
#include <unistd.h>

using namespace AppSession;

namespace {

constexpr int HandOverMs = 30000; // a generous bound on a start under a loaded machine

// Runs `act` on the next modal window, from within its own event loop, once it is on the
// screen; a window that does not come within seconds is waited for no longer.
void WhenModalShows(const std::function<void(QWidget&)>& act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && QTest::qWaitForWindowExposed(modal)) {
            poll->stop();
            poll->deleteLater();
            act(*modal);
        }
    });
    QTimer::singleShot(10000, poll, &QObject::deleteLater);
    poll->start(20);
}

QStringList ButtonTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
        texts << button->text();
    }
    return texts;
}

// The tooltip that a pause of the mouse over the widget shows, after a move from elsewhere.
QString ToolTipOver(QWidget& widget) {
    QToolTip::hideText();
    QTest::mouseMove(Frame().m_pView, QPoint(5, 5));
    QTest::mouseMove(&widget, widget.rect().center());
    QTest::qWait(widget.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay) + 300);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// The menu that a right click at the point opens, closed again at once.
bool RightClickOpensAMenu(QWidget& widget, QPoint at) {
    bool opened = false;
    QTimer::singleShot(300, [&opened] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = true;
            popup->close();
        }
    });
    QTest::mouseClick(&widget, Qt::RightButton, Qt::NoModifier, at);
    QTest::qWait(400);
    return opened;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        QCOMPARE(SaveNewDocument(PathIn(m_folder, ShiftJisName)), std::string());
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
        WhenModalShows([&promptButtons](QWidget& box) {
            promptButtons = ButtonTexts(box);
            static_cast<QMessageBox&>(box).button(QMessageBox::Cancel)->click();
        });
        Document().SetModifiedFlag(true);
        Command(ID_FILE_NEW);
        Document().SetModifiedFlag(false);

        QStringList dialogButtons;
        QStringList labels;
        QStringList fileTypes;
        WhenModalShows([&](QWidget& dialog) {
            dialogButtons = ButtonTexts(dialog);
            for (const QComboBox* list : dialog.findChildren<QComboBox*>()) {
                for (int i = 0; i < list->count(); ++i) {
                    fileTypes << list->itemText(i);
                }
            }
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                labels << label->text();
            }
            qInfo() << "screenshot:" << SaveScreenshot(QStringLiteral("file-dialog-japanese"));
            static_cast<QDialog&>(dialog).reject();
        });
        Command(ID_FILE_OPEN);
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
    }

    void TheAboutBoxShowsTheProgramsIcon() {
        QImage icon;
        WhenModalShows([&icon](QWidget& box) {
            for (QLabel* label : box.findChildren<QLabel*>()) {
                if (label->text().isEmpty()) {
                    icon = Grab(*label);
                }
            }
            box.findChild<QPushButton*>()->click();
        });
        Command(ID_APP_ABOUT);
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
        QVERIFY(QTest::qWaitForWindowActive(&other));

        Dialogs().messageAnswers = {IDCANCEL};
        QVERIFY(HandOver(saved));
        QCOMPARE(Dialogs().messages.back().text, QStringLiteral(u"無題 への変更を保存しますか?"));
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QVERIFY(Document().GetPathName().isEmpty());

        Dialogs().messageAnswers = {IDNO};
        QVERIFY(HandOver(saved));
        QCOMPARE(Document().GetPathName(), saved);
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));

        // A document that is not there: the message says so, and the window keeps its own.
        QVERIFY(HandOver(m_folder.filePath(QStringLiteral("missing.qka"))));
        QVERIFY(
            Dialogs().messages.back().text.endsWith(QStringLiteral(u"ファイルが見つかりません。")));
        QCOMPARE(Document().GetPathName(), saved);
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
            QTest::qWaitFor([&later] { return later.state() == QProcess::NotRunning; }, HandOverMs);
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
