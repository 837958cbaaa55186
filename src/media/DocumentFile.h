#pragma once

// The .qka document: the version, then the sound object's WAV track, then the scene of the
// graphics object, written and read field by field through the binary archive.

#include <string>

class CArchive;
class CDirectSound;
class CDirectXGraphics;

// The version written first into every document; reading a document sets it to the file's.
extern float g_fDocumentVersion;
constexpr float CurrentDocumentVersion = 1.3f;

namespace DocumentFile {

// Reading throws CArchiveException, also when memory runs out.
void Serialize(CArchive& archive, CDirectSound& sound, CDirectXGraphics& graphics);

// Both return an empty string on success, else a description of the failure (UTF-8). Save
// replaces the file as FilePath::WriteAtomically does. A file that ends early, holds an
// impossible count or needs more memory than there is fails without harm: what was read
// before the failure stays read.
std::string Save(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics);
std::string Load(const std::string& path, CDirectSound& sound, CDirectXGraphics& graphics);

} // namespace DocumentFile
