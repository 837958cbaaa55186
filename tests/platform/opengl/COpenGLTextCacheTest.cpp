#include "platform/opengl/COpenGLTextCache.h"

#include "DeviceFixture.h"

#include "platform/opengl/COpenGLTexture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

NoContextWindow noContext;

COpenGLTexture* Image() {
    return new COpenGLTexture(1, 1, COpenGLTexture::AllocatePixels(4), noContext);
}

COpenGLTextCache::Key KeyOf(const std::string& text, int height = 32) {
    return {text, height, "face", 400, FALSE};
}

TEST(COpenGLTextCacheTest, FindsWhatWasInsertedUnderTheSameKey) {
    COpenGLTextCache cache;
    COpenGLTexture* image = Image();
    cache.Insert(KeyOf("a"), image);
    EXPECT_EQ(cache.Find(KeyOf("a")), image);
    EXPECT_EQ(cache.Find(KeyOf("b")), nullptr);
    EXPECT_EQ(cache.Find(KeyOf("a", 16)), nullptr);
}

TEST(COpenGLTextCacheTest, ReleasesItsReferencesWhenDestroyed) {
    COpenGLTexture* image = Image();
    image->AddRef(); // the test's own, besides the one the cache takes over
    {
        COpenGLTextCache cache;
        cache.Insert(KeyOf("a"), image);
    }
    EXPECT_EQ(image->Release(), 0u);
}

TEST(COpenGLTextCacheTest, FullCacheIsEmptiedBeforeTheNextImage) {
    COpenGLTextCache cache;
    for (std::size_t i = 0; i < COpenGLTextCache::Capacity; ++i) {
        cache.Insert(KeyOf(std::to_string(i)), Image());
    }
    EXPECT_EQ(cache.Size(), COpenGLTextCache::Capacity);
    COpenGLTexture* last = Image();
    cache.Insert(KeyOf("last"), last);
    EXPECT_EQ(cache.Size(), 1u);
    EXPECT_EQ(cache.Find(KeyOf("last")), last);
    EXPECT_EQ(cache.Find(KeyOf("0")), nullptr);
}

} // namespace
