#include "loader/MaterialTextures.h"

#include "platform/FilePath.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <optional>

namespace {

// Textures hold A8R8G8B8 pixels.
constexpr std::uint64_t BytesPerPixel = 4;

} // namespace

MaterialTextures::MaterialTextures(IDirect3DDevice9* device, std::uint64_t budgetBytes)
    : m_device(device), m_bytesLeft(budgetBytes) {}

IDirect3DTexture9* MaterialTextures::Acquire(const std::string& fileName) {
    if (m_device == nullptr) {
        return nullptr;
    }
    const std::optional<std::string> path =
        FilePath::Resolve(GetProgramFolder(), "TEXTURE\\" + fileName);
    if (!path) {
        return nullptr;
    }
    const auto [entry, isNew] = m_textures.try_emplace(*path, nullptr);
    if (isNew) {
        entry->second = Create(*path);
    } else if (entry->second != nullptr) {
        entry->second->AddRef();
    }
    return entry->second;
}

IDirect3DTexture9* MaterialTextures::Create(const std::string& path) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(m_device->CreateTextureFromFile(path, m_bytesLeft, &texture))) {
        return nullptr;
    }
    D3DSURFACE_DESC level;
    if (FAILED(texture->GetLevelDesc(0, &level))) {
        texture->Release();
        return nullptr;
    }
    const std::uint64_t bytes = BytesPerPixel * level.Width * level.Height;
    m_bytesLeft -= std::min(bytes, m_bytesLeft);
    return texture;
}
