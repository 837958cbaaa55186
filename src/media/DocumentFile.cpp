#include "media/DocumentFile.h"

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "platform/CArchive.h"
#include "platform/FilePath.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

float g_fDocumentVersion = CurrentDocumentVersion;

namespace DocumentFile {

void Serialize(CArchive& archive, CDirectSound& sound, CDirectXGraphics& graphics) {
    if (archive.IsStoring()) {
        archive << g_fDocumentVersion;
    } else {
        archive >> g_fDocumentVersion;
    }
    sound.Serialize(archive);
    graphics.Serialize(archive);
}

std::string Save(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics) {
    std::vector<std::uint8_t> bytes;
    CArchive archive(bytes, CArchive::store);
    Serialize(archive, sound, graphics);
    // Written beside the target first, so that a failed write never destroys the old file.
    const std::string temporary = path + ".saving";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            const std::string reason = std::strerror(errno);
            std::remove(temporary.c_str());
            return "cannot write " + path + ": " + reason;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return "cannot write " + path + ": " + reason;
    }
    return std::string();
}

std::string Load(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics) {
    const std::optional<std::string> content = FilePath::ReadAll(path);
    if (!content) {
        return "cannot read " + path;
    }
    try {
        CArchive archive(content->data(), content->size());
        Serialize(archive, sound, graphics);
    } catch (const CArchiveException& error) {
        return path + " is not a valid document: " + error.what();
    }
    return std::string();
}

} // namespace DocumentFile
