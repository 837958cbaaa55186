#include "platform/framework/CRecentFileList.h"

#include "platform/framework/LocalFileName.h"

namespace {
const QString Section = QStringLiteral("Recent File List");

QString EntryKey(int index) {
    return QStringLiteral("%1/File%2").arg(Section).arg(index + 1);
}

// A path that is text is kept as text; one whose name is not UTF-8 (LocalFileName) as its
// bytes, which the profile's text would not keep.
QVariant StoredPath(const QString& path) {
    const std::string bytes = LocalFileName::FromQString(path);
    if (QString::fromStdString(bytes) == path) {
        return path;
    }
    return QByteArray::fromStdString(bytes);
}

QString ReadPath(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QByteArray) {
        return LocalFileName::ToQString(stored.toByteArray().toStdString());
    }
    return stored.toString();
}
} // namespace

CRecentFileList::CRecentFileList(QSettings& profile, int size) : m_profile(profile), m_size(size) {
    for (int i = 0; i < m_size; ++i) {
        const QString path = ReadPath(m_profile.value(EntryKey(i)));
        if (!path.isEmpty() && !m_files.contains(path)) {
            m_files << path;
        }
    }
}

void CRecentFileList::Add(const QString& path) {
    const QString absolute = LocalFileName::Absolute(path);
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
        m_profile.setValue(EntryKey(i), StoredPath(m_files[i]));
    }
    m_profile.sync();
}
