// The framework's own rules that the program's windows lean on: file-dialog filters, the
// recent-file list, paths that are not UTF-8, command maps and window timers.

#include "platform/framework/CCmdTarget.h"
#include "platform/framework/CCmdUI.h"
#include "platform/framework/CRecentFileList.h"
#include "platform/framework/CWndTimers.h"
#include "platform/framework/FileDialogFilter.h"
#include "platform/framework/LocalFileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

TEST(FileDialogFilterTest, EachPairBecomesAQtNameFilterWithTheSamePatterns) {
    const struct {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"AVI(*.avi)|*.avi|", {"AVI(*.avi) (*.avi)"}},
        // A pattern without its dot stays as it is.
        {"All(*.qkba;*.mqa)|*qkba;*.mqa|Bone(*.qkba)|*.qkba|",
         {"All(*.qkba;*.mqa) (*qkba *.mqa)", "Bone(*.qkba) (*.qkba)"}},
        {"", {}},
        {"No patterns||Text|*.txt|", {"Text (*.txt)"}},
        {"Unterminated|*.h", {"Unterminated (*.h)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtNameFilters(QString::fromUtf8(c.filter)), c.expected) << c.filter;
    }
}

TEST(CRecentFileListTest, KeepsTheLatestFourWithoutDuplicatesInTheProfile) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("profile.ini"));
    {
        QSettings profile(file, QSettings::IniFormat);
        CRecentFileList list(profile, 4);
        for (const char* name : {"/a.qka", "/b.qka", "/c.qka", "/d.qka", "/e.qka", "/c.qka"}) {
            list.Add(QString::fromLatin1(name));
        }
        EXPECT_EQ(list.GetFiles(), (QStringList{"/c.qka", "/e.qka", "/d.qka", "/b.qka"}));
        list.Remove(QStringLiteral("/e.qka"));
        list.Remove(7); // nothing there
        list.Remove(QStringLiteral("/x.qka"));
    }
    QSettings profile(file, QSettings::IniFormat);
    EXPECT_EQ(profile.value("Recent File List/File1").toString(), "/c.qka");
    EXPECT_EQ(profile.value("Recent File List/File3").toString(), "/b.qka");
    EXPECT_FALSE(profile.contains("Recent File List/File4"));
    EXPECT_EQ(CRecentFileList(profile, 4).GetFiles(), (QStringList{"/c.qka", "/d.qka", "/b.qka"}));
}

TEST(LocalFileNameTest, EveryPathKeepsItsBytesAndUtf8ReadsAsQtReadsIt) {
    const struct {
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"/home/a b/scene.qka", true},
        {"/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88/\xF0\x9F\x8E\xAC.qka", true},
        {"/sjis-\x83\x65\x83\x58\x83\x67.qka", false}, // code page 932
        {"/\xE3\x83\x86\x83\x58", false},              // UTF-8, then code page 932
        {"/\xE0\x80\xAF", false},                      // an overlong '/'
        {"/\xED\xA0\x80", false},                      // an encoded surrogate
        {"/\xF4\x90\x80\x80", false},                  // past U+10FFFF
        {"/\xE3\x83", false},                          // cut short
        {"/\xE3\x41\x42", false},                      // a lead byte, then ASCII
        {"/\xFF\xFE\x80", false},
    };
    for (const auto& c : cases) {
        const QString path = LocalFileName::ToQString(c.bytes);
        EXPECT_EQ(LocalFileName::FromQString(path), c.bytes) << c.bytes;
        EXPECT_EQ(path == QString::fromStdString(c.bytes), c.utf8) << c.bytes;
        EXPECT_FALSE(path.contains(QChar(0xFFFD))) << c.bytes;
    }
    // A view that ends inside a character.
    EXPECT_EQ(
        LocalFileName::FromQString(LocalFileName::ToQString(std::string_view("/\xE3\x83\x86", 3))),
        "/\xE3\x83");
    // A surrogate that stands for no byte is no path's: it becomes U+FFFD.
    EXPECT_EQ(LocalFileName::FromQString(QString(QChar(0xD800))), "\xEF\xBF\xBD");
}

TEST(LocalFileNameTest, PathsBecomeAbsoluteAgainstTheCurrentFolder) {
    QTemporaryDir folder;
    const std::string current = QFile::encodeName(folder.path()).toStdString() + "/\x83\x65";
    ASSERT_EQ(::mkdir(current.c_str(), 0700), 0);
    const QByteArray before = QFile::encodeName(QDir::currentPath());
    ASSERT_EQ(::chdir(current.c_str()), 0);
    const QString escaped = LocalFileName::ToQString("a\x83.qka");
    EXPECT_EQ(LocalFileName::FromQString(LocalFileName::Absolute(escaped)), current + "/a\x83.qka");
    EXPECT_EQ(LocalFileName::Absolute(QStringLiteral("/x/./y/../") + escaped), "/x/" + escaped);
    EXPECT_EQ(::chdir(before.constData()), 0);
    ::rmdir(current.c_str()); // Qt cannot remove it
}

class Target : public CCmdTarget {
public:
    Target() {
        MapCommand(10, [this] { calls.push_back(10); });
        MapCommandRange(20, 29, [this](UINT id) { calls.push_back(static_cast<int>(id)); });
        MapCommandRange(25, 26, [this](UINT id) { calls.push_back(-static_cast<int>(id)); });
        MapUpdateCommand(10, [](CCmdUI& ui) { ui.SetCheck(1); });
        MapCommand(10, [this] { calls.push_back(11); }); // a later map replaces the first
    }
    std::vector<int> calls;
};

TEST(CCmdTargetTest, CommandsRangesAndUpdatesAreFoundByTheirIds) {
    Target target;
    for (const UINT id : {10u, 20u, 25u, 29u, 30u}) {
        target.OnCommand(id);
    }
    EXPECT_EQ(target.calls, (std::vector<int>{11, 20, -25, 29}));
    EXPECT_FALSE(target.HasCommandHandler(30));
    CCmdUI checked(10);
    EXPECT_TRUE(target.OnUpdateCommand(checked));
    EXPECT_TRUE(checked.m_bCheckable && checked.m_nCheck == 1);
    CCmdUI other(20);
    EXPECT_FALSE(target.OnUpdateCommand(other));
}

class TimedWindow : public QObject {
public:
    CWndTimers timers{*this};
    std::vector<UINT> fired;

protected:
    void timerEvent(QTimerEvent* event) override {
        if (const std::optional<UINT> id = timers.TimerId(event->timerId())) {
            fired.push_back(*id);
        }
    }
};

TEST(CWndTimersTest, SettingAnIdAgainReplacesItsTimer) {
    int argc = 1;
    char name[] = "tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    TimedWindow window;
    window.timers.SetTimer(1, 10000);
    window.timers.SetTimer(1, 0); // the same id: one timer, now at once
    window.timers.SetTimer(2, 10000);
    window.timers.KillTimer(2);
    EXPECT_FALSE(window.timers.IsRunning(2));
    QElapsedTimer clock;
    clock.start();
    while (window.fired.size() < 3 && clock.elapsed() < 2000) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window.fired, (std::vector<UINT>{1, 1, 1}));
    window.timers.KillTimer(1);
    window.fired.clear();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.fired.empty());
}

} // namespace
