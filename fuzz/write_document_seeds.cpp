// Writes a few documents into the folder given as the argument: seeds for the document
// reader's fuzzing corpus. Besides two scenes as saved, each count of the format claims as
// many records as the bytes after it could hold, with those bytes all zero (records without
// content, as many as claimed) or all 0xFF (no record at all).

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"

#include "support/DocumentBytes.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void FillScene(CDirectXGraphics& graphics, CDirectSound& sound) {
    graphics.m_characters.resize(2);
    for (int c = 0; c < 2; ++c) {
        CCharacter& character = graphics.m_characters[static_cast<std::size_t>(c)];
        character.m_strFileName = "mqa\\sharphair.mqa";
        character.SetFrameState(0, FrameKey);
        character.SetFrameState(12, FrameKey);
        character.SetKeyMotionName(3, "walk");
        character.SetFrameState(20, FrameEmpty);
        character.m_keys[12].m_position = D3DXVECTOR3(100.0f, 0.0f, -50.0f);
        character.SetKeyLoop(3, true);
    }
    graphics.SetCameraFrameState(30, FrameKey);
    graphics.SetSubtitleFrameState(8, FrameKey);
    graphics.SetSubtitle(std::string(300, 'x'), 5);
    sound.SetWaveFrameState(9, FrameKey);
    sound.SetWave(9, "chime.wav");
}

using namespace DocumentBytes;

// The bytes that follow each claiming count.
constexpr std::size_t ClaimedBytes = 2048;

bool WriteClaimingSeeds(const std::string& folder) {
    for (const Count& count : EveryCount) {
        for (const std::uint8_t filler : {0x00, 0xFF}) {
            const Bytes bytes = Claiming(count, Bytes(ClaimedBytes, filler));
            const std::string path =
                folder + "/claiming-" + count.name + (filler ? "-ff" : "-00") + ".qka";
            if (!std::ofstream(path, std::ios::binary)
                     .write(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<std::streamsize>(bytes.size()))) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    CDirectXGraphics graphics;
    CDirectSound sound;
    graphics.SetDefaults();
    std::string error = DocumentFile::Save(folder + "/new.qka", sound, graphics);
    FillScene(graphics, sound);
    if (error.empty()) {
        error = DocumentFile::Save(folder + "/scene.qka", sound, graphics);
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return WriteClaimingSeeds(folder) ? 0 : 1;
}
