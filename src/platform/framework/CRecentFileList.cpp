#include "platform/framework/CRecentFileList.h"

#include <QFileInfo>

namespace {
const QString Section = QStringLiteral("Recent File List");

QString EntryKey(int index) {
    return QStringLiteral("%1/File%2").arg(Section).arg(index + 1);
}
} // namespace

CRecentFileList::CRecentFileList(QSettings& profile, int size) : m_profile(profile), m_size(size) {
    for (int i = 0; i < m_size; ++i) {
        const QString path = m_profile.value(EntryKey(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path)) {
            m_files << path;
        }
    }
}

void CRecentFileList::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > m_size) {
        m_files.removeLast();
    }
    Write();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_files.size()) {
        m_files.removeAt(index);
        Write();
    }
}

void CRecentFileList::Remove(const QString& path) {
    Remove(static_cast<int>(m_files.indexOf(path)));
}

void CRecentFileList::Write() {
    m_profile.remove(Section);
    for (int i = 0; i < m_files.size(); ++i) {
        m_profile.setValue(EntryKey(i), m_files[i]);
    }
    m_profile.sync();
}
