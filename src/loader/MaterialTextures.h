#pragma once

// The textures of one character's materials as they load. Materials that name the same file
// share its one texture, each with a reference of its own, so that the character releases
// every material's texture once. The decoded pixels of all the textures stay within a budget;
// a texture whose decoding would take more than is left of it is left out, before it is
// decoded, as a missing one is.

#include <cstdint>
#include <map>
#include <string>

class IDirect3DDevice9;
class IDirect3DTexture9;

class MaterialTextures {
public:
    MaterialTextures(IDirect3DDevice9* device, std::uint64_t budgetBytes);

    // The texture of a file named relative to the program's TEXTURE folder, with a reference
    // for the caller; null when there is no device, or the file is missing, cannot be decoded
    // or would pass the budget. A file is read once, whatever it gave.
    IDirect3DTexture9* Acquire(const std::string& fileName);

private:
    IDirect3DTexture9* Create(const std::string& path);

    IDirect3DDevice9* m_device;
    std::uint64_t m_bytesLeft;
    // By path in the file system, so that names differing in case share too; null for a
    // file that gave no texture.
    std::map<std::string, IDirect3DTexture9*> m_textures;
};
