#pragma once

// The textures of the materials of every character in the process, one for each picture file
// and device: materials that name the same file on disk, by whatever name or link, share its
// texture across characters too, so that it is decoded once. A texture lives while a material
// holds a reference to it. The decoded pixels of all of them together stay within one budget;
// a texture whose decoding would take more than is left of it is refused before it is decoded.
// Used from the user-interface thread only.

#include <cstdint>
#include <string>

class IDirect3DDevice9;
class IDirect3DTexture9;

class TextureCache {
public:
    // The budget on a machine of enough memory.
    static constexpr std::uint64_t MaxBytes = std::uint64_t{1} << 30;
    // MaxBytes, or the machine's share for a budget where that is less (MachineMemory).
    static std::uint64_t BudgetBytes();
    // The decoded pixels of the textures that materials hold.
    static std::uint64_t BytesInUse();

    // The texture of the picture file at a path, with a reference for the caller; null when
    // the file is missing, cannot be decoded or would pass the budget.
    static IDirect3DTexture9* Acquire(IDirect3DDevice9* device, const std::string& path);
    // Gives back a reference; the texture's last one frees it and returns its pixels' bytes to
    // the budget.
    static void Release(IDirect3DTexture9* texture);
};
