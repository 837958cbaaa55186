// The main window as a user meets it: the start-up layout and the new scene, the menus,
// accelerators, prompts and check marks of the command table, the camera presets, the
// about box, and the save-changes prompt of New and Exit.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CCommandTable.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/FrameworkIds.h"
#include "support/AppSession.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QToolButton>

using namespace AppSession;

namespace {

QAction& ActionOf(UINT id) {
    return *Frame().GetCommandAction(id);
}

// The state a command's menu item shows once the update handlers ran.
QAction& Updated(UINT id) {
    Frame().UpdateCommandUI();
    return ActionOf(id);
}

// Takes the place of the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT

public slots:
    void Open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() { NewDocument(); }
    void cleanupTestCase() { Stop(); }

    void StartsWithTheLayoutAndTheNewScene() {
        CMainFrame& frame = Frame();
        QCOMPARE(frame.windowTitle(), QStringLiteral(u"無題 - Morlu Sorvendal 1.3"));
        const QWidget& timeLine = *frame.m_pTimeLineView;
        const QWidget& form = *frame.m_pPropertyView;
        const QWidget& view = *frame.m_pView;
        const auto checkLayout = [&] {
            QCOMPARE(timeLine.height(), CMainFrame::TimeLineHeight);
            QCOMPARE(timeLine.width(), frame.centralWidget()->width());
            QCOMPARE(form.width(), CMainFrame::PropertyFormWidth);
            // 5-pixel bars between the panes; the 3D view takes the rest.
            QCOMPARE(form.mapTo(&frame, QPoint(0, 0)).y(),
                     timeLine.mapTo(&frame, QPoint(0, 0)).y() + 150 + 5);
            QCOMPARE(view.mapTo(&frame, QPoint(0, 0)).x(), 300 + 5);
            QCOMPARE(view.width(), frame.centralWidget()->width() - 305);
        };
        checkLayout();
        frame.resize(frame.width() + 120, frame.height() + 80);
        Settle();
        checkLayout();
        frame.resize(frame.width() - 120, frame.height() - 80);
        Settle();

        // The 3D view's splitter dragged to the right edge and back: the scene shows again.
        const QImage scene = Grab(*frame.m_pView);
        QSplitterHandle& bar = *frame.GetInnerSplitter().handle(1);
        Drag(bar, QPoint(2, 100), {QPoint(frame.width(), 0)});
        Drag(bar, QPoint(2, 100), {QPoint(-frame.width(), 0)});
        checkLayout();
        SaveScreenshot(QStringLiteral("main-window-splitter-dragged-back"));
        QCOMPARE(Grab(*frame.m_pView), scene);

        // Three fixed rows, the camera row selected, frame 0; the scene as it starts.
        const CTimeLineCtrl& rows = frame.m_pTimeLineView->m_ctrl;
        QCOMPARE(rows.GetTrackCount(), 3);
        QCOMPARE(rows.m_nSelectedRow, 2);
        QCOMPARE(rows.m_nCurrentFrame, 0);
        for (const CTimeLineTrack& track : rows.m_tracks) {
            QCOMPARE(track.m_states, std::vector<std::int32_t>{TimeLineKey});
        }
        QCOMPARE(FromCp932(rows.m_tracks[0].m_strName), QStringLiteral(u"WAVサウンド"));
        QCOMPARE(FromCp932(rows.m_tracks[1].m_strName), QStringLiteral(u"字幕"));
        QCOMPARE(FromCp932(rows.m_tracks[2].m_strName), QStringLiteral(u"カメラ"));
        QCOMPARE(Scene().GetCharacterCount(), 0);
        QCOMPARE(Scene().m_nSelected, -1);
        QCOMPARE(Scene().m_nFrameCount, 900);
        QVERIFY(!Document().IsModified());

        // The toolbar: 23 items, 18 labelled buttons of one size with 16 x 15 images.
        CToolBar& toolBar = frame.GetToolBar();
        QCOMPARE(toolBar.GetCount(), 23);
        QCOMPARE(toolBar.iconSize(), QSize(16, 15));
        const QStringList labels = {
            QStringLiteral(u"新規"), QStringLiteral(u"開く"), QStringLiteral(u"保存"),
            QStringLiteral(u"読込"), QStringLiteral(u"書出"), QStringLiteral(u"切取"),
            QStringLiteral(u"ｺﾋﾟｰ"), QStringLiteral(u"貼付"), QStringLiteral(u"移動"),
            QStringLiteral(u"回転"), QStringLiteral(u"拡大"), QStringLiteral(u"ﾊﾟｰｽ"),
            QStringLiteral(u"中心"), QStringLiteral(u"最初"), QStringLiteral(u"再生"),
            QStringLiteral(u"停止"), QStringLiteral(u"最後"), QStringLiteral(u"録画")};
        QStringList shown;
        for (int i = 0; i < toolBar.GetCount(); ++i) {
            if (toolBar.GetItemID(i) == 0) {
                QVERIFY(i == 3 || i == 6 || i == 10 || i == 14 || i == 17);
                continue;
            }
            auto* button = qobject_cast<QToolButton*>(
                toolBar.widgetForAction(Frame().GetCommandAction(toolBar.GetItemID(i))));
            QVERIFY(button != nullptr);
            QCOMPARE(button->size(), toolBar.GetItemRect(0).size());
            shown << button->text();
        }
        QCOMPARE(shown, labels);

        // The status bar: the idle message and the three lock indicators.
        QCOMPARE(frame.statusBar()->findChildren<QLabel*>().size(), 4);
        QVERIFY(frame.statusBar()->findChildren<QLabel*>().front()->text() ==
                QStringLiteral(u"レディ"));
        SaveScreenshot(QStringLiteral("main-window-new"));
    }

    void MenusAndAcceleratorsFollowTheCommandTable() {
        const QStringList popups = {QStringLiteral(u"ファイル(&F)"), QStringLiteral(u"編集(&E)"),
                                    QStringLiteral(u"操作(&O)"),     QStringLiteral(u"制御(&C)"),
                                    QStringLiteral(u"設定(&S)"),     QStringLiteral(u"表示(&V)"),
                                    QStringLiteral(u"ヘルプ(&H)")};
        QStringList titles;
        for (QAction* menu : Frame().menuBar()->actions()) {
            titles << menu->text();
        }
        QCOMPARE(titles, popups);

        // Exactly the keys of the table, 37 of them, each on one command.
        QSet<QString> keys;
        int count = 0;
        for (const auto& [id, info] : CCommandTable::Get()) {
            for (const QKeySequence& key : ActionOf(id).shortcuts()) {
                keys.insert(key.toString(QKeySequence::PortableText));
                ++count;
            }
        }
        QCOMPARE(count, 37);
        QCOMPARE(keys.size(), 37);
        for (const char* key : {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+B", "Ctrl+I", "Ctrl+Z",
                                "Alt+Backspace", "Shift+Del", "Ctrl+Ins", "Shift+Ins", "F1",
                                "Shift+F1", "F5", "Ctrl+D", "Ctrl+W", "Ctrl+U"}) {
            QVERIFY2(keys.contains(QString::fromLatin1(key)), key);
        }
        QCOMPARE(ActionOf(ID_EDIT_MOVE).shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
        QCOMPARE(ActionOf(ID_FILE_IMPORT).text(), QStringLiteral(u"読み込み(&I)"));
        QCOMPARE(ActionOf(ID_FILE_IMPORT).statusTip(),
                 QStringLiteral(u"MQA・MQOファイルの読み込み"));
        QCOMPARE(ActionOf(ID_FILE_IMPORT).toolTip(), QStringLiteral(u"読み込み"));
        QCOMPARE(ActionOf(ID_CAMERA_CENTER_SELECTION).toolTip(), QStringLiteral(u"カメラの中心"));

        // The edit commands have no handler anywhere.
        for (const UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
            QVERIFY(!Updated(id).isEnabled());
        }
        QVERIFY(Updated(ID_FILE_IMPORT).isEnabled());
        QVERIFY(Updated(ID_APP_EXIT).isEnabled());
    }

    void CheckMarksFollowTheScenesModes() {
        Command(ID_EDIT_ROTATE);
        QCOMPARE(Scene().m_nEditMode, static_cast<int>(EditRotate));
        QVERIFY(Updated(ID_EDIT_ROTATE).isChecked());
        QVERIFY(!ActionOf(ID_EDIT_MOVE).isChecked());
        // Changed elsewhere, the check marks follow all the same.
        Scene().m_nEditMode = EditScale;
        QVERIFY(Updated(ID_EDIT_SCALE).isChecked());
        QVERIFY(!ActionOf(ID_EDIT_ROTATE).isChecked());
        Command(ID_EDIT_MOVE);
        QVERIFY(Updated(ID_EDIT_MOVE).isChecked());

        QVERIFY(Updated(ID_CAMERA_PERSPECTIVE).isChecked()); // a new scene starts with it
        Scene().m_nCameraMode = CameraTrack;
        QVERIFY(!Updated(ID_CAMERA_PERSPECTIVE).isChecked());
        Command(ID_CAMERA_PERSPECTIVE);
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraPerspective));

        Command(ID_CAMERA_CENTER_SELECTION);
        QVERIFY(Scene().m_bFollowSelection);
        QVERIFY(Updated(ID_CAMERA_CENTER_SELECTION).isChecked());
        Command(ID_CAMERA_CENTER_SELECTION);
        QVERIFY(!Updated(ID_CAMERA_CENTER_SELECTION).isChecked());

        // Anti-aliasing only takes effect when recording: not a change of the document.
        Command(ID_ANTIALIAS);
        QVERIFY(Scene().m_bAntiAlias);
        QVERIFY(Updated(ID_ANTIALIAS).isChecked());
        QVERIFY(!Document().IsModified());
        Command(ID_ANTIALIAS);

        QVERIFY(Updated(ID_VIEW_TOOLBAR).isChecked());
        Command(ID_VIEW_TOOLBAR);
        Settle();
        QVERIFY(!Frame().GetToolBar().isVisible());
        QVERIFY(!Updated(ID_VIEW_TOOLBAR).isChecked());
        Command(ID_VIEW_TOOLBAR);
        Command(ID_VIEW_STATUS_BAR);
        Settle();
        QVERIFY(!Frame().statusBar()->isVisible());
        Command(ID_VIEW_STATUS_BAR);
        Settle();
        QVERIFY(Frame().GetToolBar().isVisible() && Frame().statusBar()->isVisible());
        QVERIFY(!Document().IsModified());
    }

    void ColoursComeFromTheColourDialog() {
        Dialogs().colourAnswers = {QColor(200, 10, 20), std::nullopt};
        Command(ID_BACKGROUND_COLOR);
        QCOMPARE(Scene().m_crBackground, RGB(200, 10, 20));
        QCOMPARE(Dialogs().colourRequests.front(), QColor(30, 65, 90));
        QVERIFY(Document().IsModified());
        QCOMPARE(Grab(*Frame().m_pView).pixelColor(3, 3), QColor(200, 10, 20));
        Document().SetModifiedFlag(false);
        Command(ID_FONT_COLOR); // cancelled: nothing changes
        QCOMPARE(Scene().m_crFont, RGB(255, 255, 255));
        QVERIFY(!Document().IsModified());
    }

    void CameraPresetsTurnOnlyThePerspectiveCamera() {
        struct Preset {
            UINT id;
            D3DXVECTOR3 rotation;
            bool keepsHeight;
        };
        const Preset presets[] = {
            {ID_CAMERA_LEFT, {0, -90, 0}, true}, {ID_CAMERA_RIGHT, {0, 90, 0}, true},
            {ID_CAMERA_TOP, {90, 0, 0}, false},  {ID_CAMERA_BOTTOM, {-90, 0, 0}, false},
            {ID_CAMERA_FRONT, {0, 0, 0}, true},  {ID_CAMERA_BACK, {0, 180, 0}, true},
        };
        for (const Preset& preset : presets) {
            Scene().SetCameraPosition(0, 30.0f, 40.0f, -700.0f);
            Command(preset.id);
            const D3DXVECTOR3 position = Scene().GetCameraPosition(0);
            QCOMPARE(position.x, 0.0f);
            QCOMPARE(position.y, preset.keepsHeight ? 40.0f : 0.0f);
            QCOMPARE(position.z, -700.0f);
            QCOMPARE(Scene().GetCameraRotation(0).x, preset.rotation.x);
            QCOMPARE(Scene().GetCameraRotation(0).y, preset.rotation.y);
        }
        QVERIFY(!Document().IsModified());
        // On the movie camera the presets do nothing.
        Scene().m_nCameraMode = CameraTrack;
        const D3DXVECTOR3 before = Scene().GetCameraRotation(0);
        Command(ID_CAMERA_LEFT);
        QCOMPARE(Scene().GetCameraRotation(0).y, before.y);
        Scene().m_nCameraMode = CameraPerspective;
    }

    void AboutBoxShowsTheNameAndVersion() {
        QString texts;
        QString button;
        const WhenShown about(ModalWindow, [&](QWidget& box) {
            texts = box.windowTitle();
            for (const QLabel* label : box.findChildren<QLabel*>()) {
                texts += u'|' + label->text();
            }
            if (auto* ok = box.findChild<QPushButton*>()) {
                button = ok->text();
                QTest::mouseClick(ok, Qt::LeftButton);
            }
        });
        Command(ID_APP_ABOUT);
        QVERIFY2(about.Done(), "no about box");
        QCOMPARE(button, QStringLiteral("OK"));
        QVERIFY(texts.contains(QStringLiteral("Morlu Sorvendal Version 1.3")));
        QVERIFY(texts.startsWith(QStringLiteral(u"バージョン情報")));
    }

    void HelpOpensTheProgramFoldersHelpFile() {
        UrlCatcher opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "Open");
        Command(ID_HELP_CONTENTS);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opened.urls,
                 (QList<QUrl>{QUrl::fromLocalFile(ProgramFolder() + "Sorvendal.html")}));
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
    }

    void NewAndExitAskBeforeDroppingChanges() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QVERIFY(Document().IsModified());

        Dialogs().messageAnswers = {IDCANCEL};
        Command(ID_FILE_NEW);
        QCOMPARE(Dialogs().messages.back().text, QStringLiteral(u"無題 への変更を保存しますか?"));
        QCOMPARE(Dialogs().messages.back().caption, QStringLiteral("Sorvendal"));
        QCOMPARE(Scene().GetCharacterCount(), 1);

        Dialogs().messageAnswers = {IDCANCEL};
        Frame().close();
        QVERIFY(Frame().isVisible());

        Dialogs().messageAnswers = {IDNO};
        Command(ID_FILE_NEW);
        QCOMPARE(Scene().GetCharacterCount(), 0);
        QCOMPARE(Frame().m_pTimeLineView->m_ctrl.GetTrackCount(), 3);
        QCOMPARE(g_pDirectSound->m_frameStates, std::vector<std::int32_t>{FrameKey});
        QVERIFY(!Document().IsModified());
    }
};

SORVENDAL_APP_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
