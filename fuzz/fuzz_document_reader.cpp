// Bytes as a .qka document: read them into a scene, then derive what playback derives and
// write the scene again.

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "platform/CArchive.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    CDirectSound sound;
    CDirectXGraphics graphics;
    try {
        CArchive archive(bytes, CArchive::load);
        DocumentFile::Serialize(archive, sound, graphics);
    } catch (const CArchiveException&) {
        return 0;
    }
    graphics.InterpolateAllCharacters();
    graphics.InterpolateCameraKeys();
    graphics.FillSubtitles();
    for (CCharacter& character : graphics.m_characters) {
        character.UpdatePose(character.GetKeyCount() / 2);
    }
    std::vector<std::uint8_t> written;
    CArchive archive(written, CArchive::store);
    DocumentFile::Serialize(archive, sound, graphics);
    return 0;
}
