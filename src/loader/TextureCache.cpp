#include "loader/TextureCache.h"

#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/MachineMemory.h"

#include <map>
#include <sys/stat.h>
#include <tuple>

namespace {

// Textures hold A8R8G8B8 pixels.
constexpr std::uint64_t BytesPerPixel = 4;

// A file on disk as a device decoded it; a file changed since is another one. The change time
// tells a file rewritten in place whose size and modification time were set back (as `cp -p`
// and unpacked archives do), since no program can set it.
using FileKey = std::tuple<IDirect3DDevice9*, dev_t, ino_t, off_t, time_t, long, time_t, long>;

struct Entry {
    FileKey file;
    std::uint64_t bytes;
    unsigned references;
};

struct Cache {
    std::map<FileKey, IDirect3DTexture9*> byFile;
    std::map<IDirect3DTexture9*, Entry> byTexture;
    std::uint64_t bytesInUse = 0;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

IDirect3DTexture9* Create(IDirect3DDevice9* device, const std::string& path, const FileKey& file) {
    Cache& cache = TheCache();
    const std::uint64_t budget = TextureCache::BudgetBytes();
    const std::uint64_t left = budget > cache.bytesInUse ? budget - cache.bytesInUse : 0;
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTextureFromFile(path, left, &texture))) {
        return nullptr;
    }
    D3DSURFACE_DESC level;
    if (FAILED(texture->GetLevelDesc(0, &level))) {
        texture->Release();
        return nullptr;
    }
    const std::uint64_t bytes = BytesPerPixel * level.Width * level.Height;
    cache.bytesInUse += bytes;
    cache.byFile.emplace(file, texture);
    cache.byTexture.emplace(texture, Entry{file, bytes, 1});
    return texture;
}

} // namespace

std::uint64_t TextureCache::BudgetBytes() {
    return MachineMemory::Cap(MaxBytes);
}

std::uint64_t TextureCache::BytesInUse() {
    return TheCache().bytesInUse;
}

IDirect3DTexture9* TextureCache::Acquire(IDirect3DDevice9* device, const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return nullptr;
    }
    const FileKey file{device,
                       status.st_dev,
                       status.st_ino,
                       status.st_size,
                       status.st_mtim.tv_sec,
                       status.st_mtim.tv_nsec,
                       status.st_ctim.tv_sec,
                       status.st_ctim.tv_nsec};
    Cache& cache = TheCache();
    const auto found = cache.byFile.find(file);
    if (found == cache.byFile.end()) {
        return Create(device, path, file);
    }
    IDirect3DTexture9* texture = found->second;
    texture->AddRef();
    ++cache.byTexture.at(texture).references;
    return texture;
}

void TextureCache::Release(IDirect3DTexture9* texture) {
    Cache& cache = TheCache();
    const auto found = cache.byTexture.find(texture);
    if (found != cache.byTexture.end() && --found->second.references == 0) {
        cache.bytesInUse -= found->second.bytes;
        cache.byFile.erase(found->second.file);
        cache.byTexture.erase(found);
    }
    texture->Release();
}
