#include "app/CCompressorChooser.h"

#include "app/Resource.h"
#include "platform/Mbcs.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/IDialogService.h"
#include "platform/framework/Resources.h"

namespace {

// The entry as the system's own dialog words it: the codec's name with a note.
QString Entry(const VideoCompressor& compressor) {
    if (compressor.IsUncompressed()) {
        return Resources::LoadString(IDS_COMPRESSOR_UNCOMPRESSED);
    }
    const QString name = Cp932Text::ToQString(compressor.name);
    switch (compressor.note) {
    case VideoCompressor::Note::Lossless:
        return Resources::LoadString(IDS_COMPRESSOR_LOSSLESS).arg(name);
    case VideoCompressor::Note::XvidCompatible:
        return Resources::LoadString(IDS_COMPRESSOR_XVID_COMPATIBLE).arg(name);
    case VideoCompressor::Note::None:
        break;
    }
    return name;
}

} // namespace

const VideoCompressor* CCompressorChooser::Choose(const std::vector<VideoCompressor>& choices) {
    QStringList names;
    for (const VideoCompressor& compressor : choices) {
        names << Entry(compressor);
    }
    const std::optional<int> chosen = AfxGetApp()->GetDialogService().ChooseItem(
        Resources::LoadString(IDS_COMPRESSOR_CAPTION), Resources::LoadString(IDS_COMPRESSOR_LABEL),
        names);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(choices.size())) {
        return nullptr;
    }
    return &choices[static_cast<std::size_t>(*chosen)];
}
