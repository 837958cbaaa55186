#include "loader/MaterialTextures.h"

#include "loader/TextureCache.h"
#include "platform/FilePath.h"
#include "platform/ProgramFolder.h"

#include <optional>

IDirect3DTexture9* MaterialTextures::Acquire(const std::string& fileName) {
    if (m_device == nullptr) {
        return nullptr;
    }
    const std::optional<std::string> path =
        FilePath::Resolve(GetProgramFolder(), "TEXTURE\\" + fileName);
    if (!path || m_failedPaths.count(*path) != 0) {
        return nullptr;
    }
    IDirect3DTexture9* texture = TextureCache::Acquire(m_device, *path);
    if (texture == nullptr) {
        m_failedPaths.insert(*path);
    }
    return texture;
}
