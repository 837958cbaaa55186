// Bytes as a .qka document: read them into a scene, then derive what playback derives and
// write the scene again.

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "platform/CArchive.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDirectSound sound;
    CDirectXGraphics graphics;
    try {
        CArchive archive(data, size);
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
    std::size_t written = 0;
    CArchive archive([&written](const std::uint8_t*, std::size_t bytes) { written += bytes; });
    DocumentFile::Serialize(archive, sound, graphics);
    archive.Flush();
    return 0;
}
