#pragma once

// The recent-file list: the most recently opened or saved documents first, at most a given
// number, without duplicates, kept in the per-user profile under "Recent File List" as
// File1, File2, ...

#include <QSettings>
#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    CRecentFileList(QSettings& profile, int size);

    void Add(const QString& path);
    void Remove(int index);
    void Remove(const QString& path);
    const QStringList& GetFiles() const { return m_files; }
    int GetSize() const { return m_size; }

private:
    void Write();

    QSettings& m_profile;
    int m_size;
    QStringList m_files;
};
