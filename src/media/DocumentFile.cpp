#include "media/DocumentFile.h"

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "platform/CArchive.h"
#include "platform/FilePath.h"

#include <cstdint>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

float g_fDocumentVersion = CurrentDocumentVersion;

namespace DocumentFile {
namespace {
// Larger documents are refused unread.
constexpr std::uint64_t MaxDocumentBytes = std::uint64_t{1} << 30;
} // namespace

void Serialize(CArchive& archive, CDirectSound& sound, CDirectXGraphics& graphics) {
    if (archive.IsStoring()) {
        archive << g_fDocumentVersion;
        sound.Serialize(archive);
        graphics.Serialize(archive);
        return;
    }
    // Memory that runs out while the lists grow fails the read as a broken file does.
    try {
        archive >> g_fDocumentVersion;
        sound.Serialize(archive);
        graphics.Serialize(archive);
    } catch (const std::bad_alloc&) {
        throw CArchiveException(CArchiveException::BadLength, "not enough memory for the document");
    }
}

std::string Save(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics) {
    if (const std::error_code error = CArchive::StoreToFile(
            path, [&](CArchive& archive) { Serialize(archive, sound, graphics); })) {
        return "cannot write " + path + ": " + error.message();
    }
    return std::string();
}

std::string Load(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics) {
    const std::optional<std::string> content = FilePath::ReadAll(path, MaxDocumentBytes);
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
