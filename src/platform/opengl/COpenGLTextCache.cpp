#include "platform/opengl/COpenGLTextCache.h"

#include "platform/opengl/COpenGLTexture.h"

#include <tuple>
#include <utility>

bool COpenGLTextCache::Key::operator<(const Key& other) const {
    return std::tie(text, height, face, weight, italic, clipWidth, clipHeight, centred) <
           std::tie(other.text, other.height, other.face, other.weight, other.italic,
                    other.clipWidth, other.clipHeight, other.centred);
}

COpenGLTextCache::~COpenGLTextCache() {
    Clear();
}

COpenGLTexture* COpenGLTextCache::Find(const Key& key) const {
    const auto found = m_images.find(key);
    return found == m_images.end() ? nullptr : found->second;
}

void COpenGLTextCache::Insert(Key key, COpenGLTexture* image) {
    if (m_images.size() >= Capacity) {
        Clear();
    }
    const auto [position, inserted] = m_images.emplace(std::move(key), image);
    if (!inserted) {
        position->second->Release();
        position->second = image;
    }
}

void COpenGLTextCache::Clear() {
    for (const auto& entry : m_images) {
        entry.second->Release();
    }
    m_images.clear();
}
