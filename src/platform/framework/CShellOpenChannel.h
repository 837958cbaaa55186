#pragma once

// Shell open: a start with a document hands the document to the program that already runs
// for the same user on the same display, which opens it; the later start then ends. The
// programs meet on a local socket in the user's runtime folder (which only the user may
// enter), named after the application, the user and the display: a program on another display
// could not come to the front here.

#include <QLocalServer>
#include <QString>

#include <functional>

class QLocalSocket;

class CShellOpenChannel {
public:
    explicit CShellOpenChannel(const QString& application);
    CShellOpenChannel(const CShellOpenChannel&) = delete;
    CShellOpenChannel& operator=(const CShellOpenChannel&) = delete;

    // True once the running program has taken the path; false when none runs or none
    // answers.
    bool HandOver(const QString& path) const;
    // From now on `open` receives, from the event loop, the path of every later start. A
    // name left behind by a program that ended without closing it is taken over; false when
    // a program that answers holds it.
    bool Listen(std::function<void(const QString&)> open);

private:
    void Receive(QLocalSocket& socket);

    QString m_name;
    QLocalServer m_server;
    std::function<void(const QString&)> m_open;
};
