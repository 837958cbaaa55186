#pragma once

// The textures of one character's materials as they load, taken from the process's
// TextureCache: each material holds a reference of its own, which the character gives back
// (TextureCache::Release). A texture past the cache's budget is left out as a missing one is.

#include <set>
#include <string>

class IDirect3DDevice9;
class IDirect3DTexture9;

class MaterialTextures {
public:
    explicit MaterialTextures(IDirect3DDevice9* device) : m_device(device) {}

    // The texture of a file named relative to the program's TEXTURE folder, with a reference
    // for the caller; null when there is no device, or the file is missing, cannot be decoded
    // or would pass the budget. A file that gave nothing is not read again for this model.
    IDirect3DTexture9* Acquire(const std::string& fileName);

private:
    IDirect3DDevice9* m_device;
    // By path in the file system, so that names differing in case count as one.
    std::set<std::string> m_failedPaths;
};
