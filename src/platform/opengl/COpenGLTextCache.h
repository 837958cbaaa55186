#pragma once

// Rasterised texts of the subtitle font, kept by the device. The renderer makes a new font
// every frame and draws the same text several times for its outline, so a text is
// rasterised once and its image reused until the cache fills up.

#include "platform/WinTypes.h"

#include <cstddef>
#include <map>
#include <string>

class COpenGLTexture;

class COpenGLTextCache {
public:
    // What decides the picture of a text (the colour is applied when it is drawn).
    struct Key {
        std::string text;
        int height = 0;
        std::string face;
        UINT weight = 0;
        BOOL italic = FALSE;
        // The rectangle the text is clipped to, and whether it is centred in it.
        int clipWidth = 0;
        int clipHeight = 0;
        bool centred = false;

        bool operator<(const Key& other) const;
    };

    // At most this many images are kept; a full cache is emptied before the next one.
    static constexpr std::size_t Capacity = 64;

    COpenGLTextCache() = default;
    ~COpenGLTextCache();
    COpenGLTextCache(const COpenGLTextCache&) = delete;
    COpenGLTextCache& operator=(const COpenGLTextCache&) = delete;

    // The image of the text, or null when it has not been rasterised.
    COpenGLTexture* Find(const Key& key) const;
    // Keeps the image, taking over the caller's reference.
    void Insert(Key key, COpenGLTexture* image);
    std::size_t Size() const { return m_images.size(); }

private:
    void Clear();

    std::map<Key, COpenGLTexture*> m_images;
};
