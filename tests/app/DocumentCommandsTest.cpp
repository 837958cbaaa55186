// The document commands on the running main window: import, save, open and export through
// the file dialogs, the recent-file list, dropped files and the command line; and what a
// document that cannot be read, or a save that cannot be written, leaves behind: nothing
// changed, and a message that names the file and the reason.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CRecentFileList.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/FrameworkIds.h"
#include "scene/SceneGlobals.h"
#include "support/AppSession.h"
#include "support/DocumentBytes.h"
#include "timeline/CTimeLineView.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <utility>

using namespace AppSession;

namespace {

QStringList RowNames() {
    QStringList names;
    for (const CTimeLineTrack& track : Rows().m_tracks) {
        names << FromCp932(track.m_strName);
    }
    return names;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void OpenWithDialog(const QString& path) {
    Dialogs().fileAnswers.push_back(path);
    Command(ID_FILE_OPEN);
}

void SaveAs(const QString& path) {
    Dialogs().fileAnswers.push_back(path);
    Command(ID_FILE_SAVE_AS);
}

// The document of a new scene with 4,194,304 characters without keys in its 24 MiB: more
// than a document of that size may take in memory.
QByteArray CrowdedDocument() {
    using DocumentBytes::Characters;
    constexpr std::int32_t characters = 1 << 22;
    DocumentBytes::Bytes bytes = DocumentBytes::NewScene;
    DocumentBytes::PutInt32(bytes, Characters.at, characters);
    bytes.insert(bytes.begin() + Characters.recordsAt, characters * Characters.storedBytes, 0x00);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class DocumentCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        // As a shell starts the program: a write past a file-size limit would end it.
        std::signal(SIGXFSZ, SIG_DFL);
        QVERIFY(Start());
    }
    void init() { NewDocument(); }
    void cleanupTestCase() { Stop(); }

    void ImportPutsTheCharacterOnRowZeroKeyedAtFrameZero() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QCOMPARE(Dialogs().fileRequests.back().defaultExtension, QStringLiteral("mqa"));
        QCOMPARE(Dialogs().fileRequests.back().folder, ProgramFolder());
        QVERIFY(Dialogs().fileRequests.back().filter.startsWith(QStringLiteral(u"全ての形式")));
        QCOMPARE(RowNames(),
                 (QStringList{QStringLiteral("SharpHair"), QStringLiteral(u"WAVサウンド"),
                              QStringLiteral(u"字幕"), QStringLiteral(u"カメラ")}));
        QCOMPARE(Rows().m_tracks[0].m_states, std::vector<std::int32_t>{TimeLineKey});
        QCOMPARE(Rows().m_nSelectedRow, 0);
        QCOMPARE(Rows().m_nCurrentFrame, 0);
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QCOMPARE(Scene().m_nSelected, 0);
        QCOMPARE(Scene().GetCharacterFrameState(0, 0), static_cast<int>(FrameKey));
        QVERIFY(Document().IsModified());

        // The next import goes first; the rows below move down.
        Import(QStringLiteral("MQO/Shop.mqo"));
        QCOMPARE(RowNames().mid(0, 2),
                 (QStringList{QStringLiteral("Shop"), QStringLiteral("SharpHair")}));
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
        SaveScreenshot(QStringLiteral("main-window-two-characters"));

        // A file that does not load: the message, no row, and still a changed document.
        Document().SetModifiedFlag(false);
        Import(m_folder.filePath(QStringLiteral("missing.mqo")));
        QCOMPARE(Dialogs().messages.size(), std::size_t{1});
        QCOMPARE(Dialogs().messages.back().text,
                 QStringLiteral(u"QKBAかMQAかMQOファイルの読み込みに失敗しました"));
        QCOMPARE(Rows().GetTrackCount(), 5);
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QVERIFY(Document().IsModified());
    }

    void SavedDocumentsReopenToTheSameBytes() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Import(QStringLiteral("MQO/Shop.mqo"));
        Scene().m_crBackground = RGB(10, 20, 30);
        const QString first = m_folder.filePath(QStringLiteral("scene.qka"));
        SaveAs(first);
        QCOMPARE(Dialogs().fileRequests.back().defaultExtension, QStringLiteral("qka"));
        QVERIFY(!Document().IsModified());
        QCOMPARE(Frame().windowTitle(), QStringLiteral("scene.qka - Morlu Sorvendal 1.3"));
        QCOMPARE(theApp().GetRecentFileList()->GetFiles().front(), first);

        NewDocument();
        QCOMPARE(Scene().GetCharacterCount(), 0);
        OpenWithDialog(first);
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QCOMPARE(Scene().m_crBackground, RGB(10, 20, 30));
        QCOMPARE(RowNames().size(), 5);
        QCOMPARE(Rows().m_nSelectedRow, 4); // the rebuild ends on the camera row
        QCOMPARE(Document().GetPathName(), first);
        QVERIFY(!Document().IsModified());

        const QString second = m_folder.filePath(QStringLiteral("again.qka"));
        SaveAs(second);
        QVERIFY(!Bytes(first).isEmpty());
        QCOMPARE(Bytes(second), Bytes(first));
        // Save writes to the document's own path.
        Document().SetModifiedFlag(true);
        Command(ID_FILE_SAVE);
        QVERIFY(!Document().IsModified());
        QCOMPARE(Bytes(second), Bytes(first));

        // The recent-file list opens the document too.
        NewDocument();
        Frame().UpdateCommandUI();
        QAction* recent = Frame().GetCommandAction(ID_FILE_MRU_FILE1);
        QVERIFY(recent->text().endsWith(QStringLiteral("again.qka")));
        recent->trigger();
        QCOMPARE(Scene().GetCharacterCount(), 2);
        QCOMPARE(Document().GetPathName(), second);
    }

    void UnreadableDocumentsLeaveEverythingAsItWas() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QString good = m_folder.filePath(QStringLiteral("good.qka"));
        SaveAs(good);
        const QByteArray bytes = Bytes(good);
        Import(QStringLiteral("MQO/Shop.mqo")); // unsaved work that a failed open must not lose
        Rows().m_nCurrentFrame = 7;

        struct Case {
            const char* name;
            QByteArray content;
            const char* reason;
        };
        const Case cases[] = {
            {"truncated.qka", bytes.left(bytes.size() / 2), "ファイルが途中で切れています。"},
            {"empty.qka", QByteArray(), "ファイルが途中で切れています。"},
            {"hostile.qka", QByteArray::fromHex("9a99a93fffffffff"),
             "予期しないファイル形式です。"},
            {"crowded.qka", CrowdedDocument(), "予期しないファイル形式です。"},
            {"missing.qka", QByteArray(), "ファイルが見つかりません。"},
            {"folder.qka", QByteArray(), "通常のファイルではありません。"},
            {"pipe.qka", QByteArray(), "通常のファイルではありません。"}, // never waits
        };
        for (const Case& c : cases) {
            const QString path = m_folder.filePath(QString::fromLatin1(c.name));
            if (QByteArray(c.name) == "folder.qka") {
                QDir(m_folder.path()).mkdir(QStringLiteral("folder.qka"));
            } else if (QByteArray(c.name) == "pipe.qka") {
                QCOMPARE(mkfifo(path.toUtf8().constData(), 0600), 0);
            } else if (QByteArray(c.name) != "missing.qka") {
                WriteFile(path, c.content);
            }
            Dialogs().messages.clear();
            Dialogs().messageAnswers = {IDNO}; // the save-changes prompt: keep working
            OpenWithDialog(path);
            QCOMPARE(Dialogs().messages.size(), std::size_t{2});
            const ShownMessage& shown = Dialogs().messages.back();
            QVERIFY2(shown.text.contains(path) && shown.text.contains(QString::fromUtf8(c.reason)),
                     qPrintable(shown.text));
            QCOMPARE(shown.caption, QStringLiteral("Sorvendal"));
            QCOMPARE(Scene().GetCharacterCount(), 2);
            QCOMPARE(RowNames().mid(0, 2),
                     (QStringList{QStringLiteral("Shop"), QStringLiteral("SharpHair")}));
            QCOMPARE(Rows().m_nCurrentFrame, 7);
            QCOMPARE(Document().GetPathName(), good);
            QCOMPARE(Frame().windowTitle(), QStringLiteral("good.qka - Morlu Sorvendal 1.3"));
            QVERIFY(Document().IsModified());
        }
    }

    void OpenAsksBeforeDroppingChanges() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Dialogs().messageAnswers = {IDCANCEL};
        Command(ID_FILE_OPEN);
        QCOMPARE(Dialogs().fileRequests.size(), std::size_t{1}); // the import's only
        QCOMPARE(Scene().GetCharacterCount(), 1);
    }

    void FailedSavesSayWhyAndKeepTheChanges() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QString plainFile = m_folder.filePath(QStringLiteral("plain.txt"));
        WriteFile(plainFile, "text");
        QDir(m_folder.path()).mkdir(QStringLiteral("taken.qka"));
        const QString oldFile = m_folder.filePath(QStringLiteral("old.qka"));
        WriteFile(oldFile, "old");
        rlimit unlimited{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        const struct {
            QString target;
            const char* reason;
            rlim_t fileSizeLimit = RLIM_INFINITY;
        } cases[] = {
            {plainFile + QStringLiteral("/inside.qka"), "保存先のフォルダーが見つかりません。"},
            {m_folder.filePath(QStringLiteral("taken.qka")),
             "保存先のファイルを置き換えられません。"},
            // Files may not grow past 64 bytes: the program stays up.
            {oldFile, "ファイルに書き込めません。", 64},
        };
        for (const auto& [target, reason, fileSizeLimit] : cases) {
            Dialogs().messages.clear();
            const rlimit limit{std::min(fileSizeLimit, unlimited.rlim_cur), unlimited.rlim_max};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
            SaveAs(target);
            setrlimit(RLIMIT_FSIZE, &unlimited);
            QCOMPARE(Dialogs().messages.size(), std::size_t{1});
            const QString& text = Dialogs().messages.back().text;
            QVERIFY2(text.contains(target) && text.contains(QString::fromUtf8(reason)),
                     qPrintable(text));
            QVERIFY(Document().IsModified());
            QVERIFY(Document().GetPathName().isEmpty());
        }
        QCOMPARE(Bytes(plainFile), QByteArray("text"));
        QVERIFY(QFileInfo(m_folder.filePath(QStringLiteral("taken.qka"))).isDir());
        QCOMPARE(Bytes(oldFile), QByteArray("old"));
        QCOMPARE(QDir(m_folder.path()).entryList({QStringLiteral("old.qka*")}),
                 QStringList{QStringLiteral("old.qka")});
    }

    void ExportWritesOnlyHeaderFiles() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Document().SetModifiedFlag(false);
        const QString header = m_folder.filePath(QStringLiteral("MOVIE.H"));
        const QString other = m_folder.filePath(QStringLiteral("movie.txt"));
        Dialogs().fileAnswers = {header, other};
        Command(ID_FILE_EXPORT);
        Command(ID_FILE_EXPORT);
        QVERIFY(Bytes(header).contains("AddMotion"));
        QVERIFY(!QFile::exists(other));
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
        QVERIFY(!Document().IsModified());
        QCOMPARE(g_nCurrentFrame, Rows().GetLastFrame());
    }

    void SavesRecordingsAndExportsGoOnlyToRegularFiles() {
        Import(QStringLiteral("MQO/Shop.mqo"));
        // A pipe with a reader, so that a write to it could never wait, and a device node.
        const QString pipe = m_folder.filePath(QStringLiteral("pipe.h"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        const QString device = m_folder.filePath(QStringLiteral("null.h"));
        if (mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            QCOMPARE(symlink("/dev/null", QFile::encodeName(device).constData()), 0);
        }
        const struct {
            UINT command;
            const char16_t* failure;
        } commands[] = {
            {ID_FILE_SAVE_AS, u"「%1」に保存できませんでした。"},
            {ID_RECORD_AVI, u"「%1」に録画できませんでした。"},
            {ID_FILE_EXPORT, u"「%1」に書き出せませんでした。"},
        };
        for (const auto& [command, failure] : commands) {
            for (const auto& [target, type] :
                 {std::pair{pipe, S_IFIFO}, std::pair{device, S_IFCHR}}) {
                Dialogs().Reset();
                Dialogs().fileAnswers = {target};
                Command(command);
                QCOMPARE(Dialogs().messages.size(), std::size_t{1});
                const QString expected = QString::fromUtf16(failure).arg(target) +
                                         QStringLiteral(u"\n通常のファイルではありません。");
                QVERIFY2(Dialogs().messages.back().text.startsWith(expected),
                         qPrintable(Dialogs().messages.back().text));
                QVERIFY(Dialogs().itemRequests.empty()); // no compressor was asked for
                struct stat status {};
                QCOMPARE(stat(QFile::encodeName(target).constData(), &status), 0);
                QCOMPARE(status.st_mode & S_IFMT, static_cast<mode_t>(type));
            }
        }
        ::close(reader);
        QVERIFY(Document().IsModified());
        QVERIFY(Document().GetPathName().isEmpty());
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));
    }

    void DroppedDocumentsOpen() {
        Import(QStringLiteral("MQO/Shop.mqo"));
        const QString path = m_folder.filePath(QStringLiteral("dropped.qka"));
        SaveAs(path);
        NewDocument();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint centre = Frame().rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &drop);
        Settle(); // the files open once the drop is over
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QCOMPARE(Document().GetPathName(), path);
    }

    // Last: it starts the program again, with a document on its command line.
    void TheCommandLineOpensADocument() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QString path = m_folder.filePath(QStringLiteral("started.qka"));
        SaveAs(path);
        Stop();
        QVERIFY(Start({path}));
        QCOMPARE(Scene().GetCharacterCount(), 1);
        QCOMPARE(Document().GetPathName(), path);
        QCOMPARE(Frame().windowTitle(), QStringLiteral("started.qka - Morlu Sorvendal 1.3"));
        // The next New empties that scene like every later New.
        Command(ID_FILE_NEW);
        QCOMPARE(Scene().GetCharacterCount(), 0);
        QCOMPARE(Rows().GetTrackCount(), 3);
    }

private:
    static CWinApp& theApp() { return *AfxGetApp(); }

    QTemporaryDir m_folder;
};

SORVENDAL_APP_TEST_MAIN(DocumentCommandsTest)
#include "DocumentCommandsTest.moc"
