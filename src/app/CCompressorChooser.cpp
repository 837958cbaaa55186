#include "app/CCompressorChooser.h"

#include "app/Resource.h"
#include "platform/Mbcs.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/IDialogService.h"
#include "platform/framework/Resources.h"

const VideoCompressor* CCompressorChooser::Choose(const std::vector<VideoCompressor>& choices) {
    QStringList names;
    for (const VideoCompressor& compressor : choices) {
        names << Cp932Text::ToQString(compressor.name);
    }
    const std::optional<int> chosen = AfxGetApp()->GetDialogService().ChooseItem(
        Resources::LoadString(IDS_COMPRESSOR_CAPTION), Resources::LoadString(IDS_COMPRESSOR_LABEL),
        names);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(choices.size())) {
        return nullptr;
    }
    return &choices[static_cast<std::size_t>(*chosen)];
}
