#pragma once

// Shell open: a start with a document hands the document to the program that already runs
// for the same user on the same display, which opens it; the later start then ends. The
// programs meet on a local socket in the user's runtime folder (which only the user may
// enter), named after the application, the user and the display: a program on another display
// could not come to the front here. The socket is the user's alone, and a lock file beside it
// says which program owns it: a socket is left over from a program that ended only while its
// lock is free, whether or not the program that owns it can take a connection just now.
//
// The exchange has three steps, so that the document opens in one program only, whatever
// either one is doing: the later start sends the path, the running program answers that it
// takes it, and the later start, if that answer came in its time, confirms and ends. The
// running program opens the document only once it is confirmed; a start that gave up waiting
// opens the document itself and sends nothing more.

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class QLocalSocket;

class CShellOpenChannel {
public:
    explicit CShellOpenChannel(const QString& application);
    CShellOpenChannel(const CShellOpenChannel&) = delete;
    CShellOpenChannel& operator=(const CShellOpenChannel&) = delete;

    // True once the running program has taken the path; false when none runs or none
    // answers in time.
    bool HandOver(const QString& path) const;
    // Takes the name for this program: later starts connect from now on, and wait for their
    // answer until Serve. A name left behind by a program that ended without closing it is
    // taken over; false when another program holds its lock.
    bool Listen();
    // From now on later starts are answered. Each confirmed path goes to `open`, in the order
    // they came, from an event loop where `canOpen` holds and no other path is being opened.
    void Serve(std::function<bool()> canOpen, std::function<void(const QString&)> open);

private:
    // The starts that have connected, once they are served.
    void AnswerWaiting();
    void Answer(QLocalSocket* socket);
    // The request's path, then its confirmation, as far as they have come.
    void Receive(QLocalSocket& socket, std::optional<QString>& path);
    void Deliver();

    QString m_name;
    // Held while this program owns the name; released after the server has closed.
    QLockFile m_lock;
    QLocalServer m_server;
    std::function<bool()> m_canOpen;
    std::function<void(const QString&)> m_open;
    QStringList m_pending;
    // Polls, while paths wait, for a moment when they can be opened.
    QTimer m_delivery;
    bool m_bDelivering = false;
};
