#pragma once

// The program started in a process of its own, as the desktop starts it: silent sound that
// really starts, and a profile of the test's own; and the documents that it is given.

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

// "sjis-テスト.qka" as Windows names it: code page 932, not UTF-8.
constexpr char ShiftJisName[] = "sjis-\x83\x65\x83\x58\x83\x67.qka";

inline QString ProgramPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/sorvendal");
}

// Runs `command`: the program, or a shell that starts it.
inline void StartProgram(QProcess& process, const QStringList& arguments,
                         const QString& profileFolder, const QString& command = ProgramPath()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profileFolder);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(command, arguments);
}

// The path of a name in the folder, as the file system's bytes.
inline std::string PathIn(const QTemporaryDir& folder, const char* name) {
    return QFile::encodeName(folder.path()).toStdString() + '/' + name;
}

// Writes the document of a new scene; the failure, or an empty string.
inline std::string SaveNewDocument(const std::string& path) {
    CDirectXGraphics graphics;
    CDirectSound sound;
    graphics.SetDefaults();
    return DocumentFile::Save(path, sound, graphics);
}
